#include "host/message.h"

#include <cerrno>
#include <ostream>

#include "app_identity.h"
#include "host/run_time_error.h"
#include "host/unicode.h"
#include "host/visible_name.h"

namespace quillfen {

void ShowMessage(Messenger& messenger, std::u16string_view prompt, MessageStyle style) {
  messenger.Show(kAppTitle, prompt, style);
}

std::u16string PathMessage(std::u16string_view path, std::u16string_view text) {
  std::u16string message = VisibleName(path);
  message += u"\r\n\r\n";
  message += text;
  return message;
}

void ConsoleMessenger::Show(std::u16string_view caption, std::u16string_view text,
                            MessageStyle style) {
  std::u16string lines(caption);
  lines += u'\n';
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    lines += text[i];
  }
  lines += u'\n';
  std::ostream& stream = style == MessageStyle::kCritical ? err_ : out_;
  errno = 0;
  stream << ToUtf8(lines);
  stream.flush();
  if (!stream) {
    const int error = errno != 0 ? errno : EIO;
    stream.clear();
    throw RunTimeError::FromSystem(error);
  }
}

}  // namespace quillfen
