#include "tests/recording_messenger.h"

#include <ostream>

#include "host/unicode.h"

namespace quillfen {

void PrintTo(const RecordingMessenger::Shown& shown, std::ostream* os) {
  *os << (shown.style == MessageStyle::kCritical ? "Critical" : "Information") << " ["
      << ToUtf8(shown.caption) << "] \"" << ToUtf8(shown.text) << "\"";
}

}  // namespace quillfen
