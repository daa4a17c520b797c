#pragma once

#include <string>
#include <string_view>

#include "host/message.h"
#include "host/run_time_error.h"

namespace quillfen {

// A caught host failure together with what the program was doing: the
// message text, an empty line, "Ошибка N: description".
std::u16string ErrorText(const RunTimeError& error, std::u16string_view message);

// Shows ErrorText as one Critical message.
class ErrorReporter {
 public:
  explicit ErrorReporter(Messenger& messenger) : messenger_(messenger) {}
  void ReportError(const RunTimeError& error, std::u16string_view message);

 private:
  Messenger& messenger_;
};

}  // namespace quillfen
