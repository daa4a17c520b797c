#pragma once

#include <string>
#include <vector>

#include "host/message.h"

namespace quillfen {

// Keeps every message instead of showing it.
class RecordingMessenger : public Messenger {
 public:
  struct Shown {
    std::u16string caption;
    std::u16string text;
    MessageStyle style;
    bool operator==(const Shown&) const = default;
  };

  void Show(std::u16string_view caption, std::u16string_view text, MessageStyle style) override {
    shown.push_back(Shown{std::u16string(caption), std::u16string(text), style});
  }

  std::vector<Shown> shown;
};

// Readable failure output for UTF-16 texts in GoogleTest.
void PrintTo(const RecordingMessenger::Shown& shown, std::ostream* os);

}  // namespace quillfen
