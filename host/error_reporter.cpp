#include "host/error_reporter.h"

#include <string>

#include "host/unicode.h"

namespace quillfen {

std::u16string ErrorText(const RunTimeError& error, std::u16string_view message) {
  std::u16string text(message);
  text += u"\r\n\r\nОшибка ";
  text += FromUtf8(std::to_string(error.Number()));
  text += u": ";
  text += error.Description();
  return text;
}

void ErrorReporter::ReportError(const RunTimeError& error, std::u16string_view message) {
  ShowMessage(messenger_, ErrorText(error, message), MessageStyle::kCritical);
}

}  // namespace quillfen
