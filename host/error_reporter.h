#pragma once

#include <string_view>

#include "host/message.h"
#include "host/run_time_error.h"

namespace quillfen {

// Shows a caught host failure together with what the program was doing, as
// one Critical message: the message text, an empty line, the error.
class ErrorReporter {
 public:
  explicit ErrorReporter(Messenger& messenger) : messenger_(messenger) {}
  void ReportError(const RunTimeError& error, std::u16string_view message);

 private:
  Messenger& messenger_;
};

}  // namespace quillfen
