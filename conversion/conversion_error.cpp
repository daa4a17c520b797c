#include "conversion/conversion_error.h"

#include <cerrno>

#include "host/error_reporter.h"
#include "host/message.h"
#include "host/visible_name.h"

namespace quillfen {

ConversionError PathError(std::u16string_view path, std::u16string_view text) {
  return ConversionError(PathMessage(path, text));
}

ConversionError SystemError(std::u16string_view path, std::u16string_view text,
                            const RunTimeError& error) {
  return ConversionError(ErrorText(error, PathMessage(path, text)));
}

std::u16string NotHexText() {
  return u"В файле реестра обнаружено неверное значение (данные не являются двоичными или "
         u"записаны с ошибкой).";
}

std::u16string BadItemText(std::u16string_view valueName) {
  return u"В файле реестра обнаружено неверное значение " + QuotedName(valueName) +
         u" (данные не являются двоичными или записаны с ошибкой).";
}

std::u16string OneLine(std::u16string_view message, std::u16string_view paragraphBreak) {
  const auto is_break = [](char16_t c) { return c == u'\r' || c == u'\n'; };
  std::u16string line;
  for (size_t i = 0; i < message.size();) {
    if (!is_break(message[i])) {
      line += message[i++];
      continue;
    }
    const size_t start = i;
    while (i < message.size() && is_break(message[i])) ++i;
    const bool paragraph =
        message.substr(start, i - start).find(u"\r\n\r\n") != std::u16string_view::npos;
    line += paragraph ? paragraphBreak : u" ";
  }
  return line;
}

RunTimeError OutOfMemory() { return RunTimeError::FromSystem(ENOMEM); }

}  // namespace quillfen
