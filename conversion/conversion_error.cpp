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

RunTimeError OutOfMemory() { return RunTimeError::FromSystem(ENOMEM); }

}  // namespace quillfen
