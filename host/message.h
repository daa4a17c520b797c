#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace quillfen {

// The message-box icon, with the values of the Windows styles.
enum class MessageStyle { kCritical = 16, kInformation = 64 };

// Shows one modal message with a single OK button and returns when the user
// has closed it.
class Messenger {
 public:
  virtual ~Messenger() = default;
  virtual void Show(std::u16string_view caption, std::u16string_view text, MessageStyle style) = 0;
};

// Shows `prompt` with the application title as caption.
void ShowMessage(Messenger& messenger, std::u16string_view prompt, MessageStyle style);

// A message about a file or directory: the path (control characters shown
// as VisibleName shows them), an empty line, the text.
std::u16string PathMessage(std::u16string_view path, std::u16string_view text);

// Messages as terminal output: the caption on its own line, then the text,
// in UTF-8. Information goes to `out`, Critical to `err`. Nothing waits. A
// message that cannot be written throws RunTimeError.
class ConsoleMessenger : public Messenger {
 public:
  ConsoleMessenger(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
  void Show(std::u16string_view caption, std::u16string_view text, MessageStyle style) override;

 private:
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace quillfen
