#include "host/error_reporter.h"

#include <string>

#include "host/unicode.h"

namespace quillfen {

void ErrorReporter::ReportError(const RunTimeError& error, std::u16string_view message) {
  std::u16string text(message);
  text += u"\r\n\r\nОшибка ";
  text += FromUtf8(std::to_string(error.Number()));
  text += u": ";
  text += error.Description();
  ShowMessage(messenger_, text, MessageStyle::kCritical);
}

}  // namespace quillfen
