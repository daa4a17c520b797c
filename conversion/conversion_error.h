#pragma once

#include <string>
#include <string_view>

#include "host/run_time_error.h"

namespace quillfen {

// Ends a run with its one message, laid out with its path. Whoever finds the
// problem throws it; the run undoes what it wrote, then shows the message.
class ConversionError {
 public:
  explicit ConversionError(std::u16string message) : message_(std::move(message)) {}
  const std::u16string& Message() const { return message_; }

 private:
  std::u16string message_;
};

// `text` about `path`: the path, an empty line, the text.
ConversionError PathError(std::u16string_view path, std::u16string_view text);
// The same with the system's error after another empty line.
ConversionError SystemError(std::u16string_view path, std::u16string_view text,
                            const RunTimeError& error);

// What the texts below say after the path.
inline constexpr char16_t kReadFailed[] = u"Не удалось прочитать файл.";
inline constexpr char16_t kNotRegistryFile[] = u"Файл не является файлом реестра.";
inline constexpr char16_t kNoKeys[] = u"В файле реестра не найдено разделов.";
inline constexpr char16_t kNoContainer[] = u"В файле реестра не найден раздел с контейнером.";
inline constexpr char16_t kNoContainerName[] = u"Не удалось определить имя контейнера.";
inline constexpr char16_t kTargetExists[] = u"Файл или каталог уже существует.";
inline constexpr char16_t kDirectoryFailed[] = u"Не удалось создать каталог контейнера.";
// A directory of files that are no container's: keys, certificates.
inline constexpr char16_t kFilesDirectoryFailed[] = u"Не удалось создать каталог.";
inline constexpr char16_t kWriteFailed[] = u"Не удалось записать файл в каталог контейнера.";

// A value line that is no binary value, and a binary value with a bad item.
std::u16string NotHexText();
std::u16string BadItemText(std::u16string_view valueName);

// `message` on one line, as a list or a block of lines shows it: the empty
// line between two paragraphs becomes `paragraphBreak`, any other line break
// a space.
std::u16string OneLine(std::u16string_view message, std::u16string_view paragraphBreak);

// Memory ran out: the error the system would have given.
RunTimeError OutOfMemory();

}  // namespace quillfen
