#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "host/file_system.h"
#include "host/text_buffer.h"

namespace quillfen {

// A file's whole text: decoded into a buffer of its own, or, for UTF-16LE,
// the file's own bytes seen as text without a copy.
class Text {
 public:
  Text() = default;
  explicit Text(TextBuffer decoded) : decoded_(std::move(decoded)) {}
  Text(std::unique_ptr<FileBytes> file, size_t mark) : file_(std::move(file)), mark_(mark) {}

  std::u16string_view View() const;
  // Throws RunTimeError when the file's bytes behind the view could not all
  // be read (see FileBytes::Verify).
  void Verify() const {
    if (file_) file_->Verify();
  }

 private:
  std::unique_ptr<FileBytes> file_;
  size_t mark_ = 0;
  TextBuffer decoded_;
};

// Whole-file text reading and byte writing. Every failure is a RunTimeError.
class TextFile {
 public:
  explicit TextFile(FileSystem& files) : files_(files) {}

  // The file's text, decoded as TextDecoder describes, without its mark.
  Text ReadText(std::u16string_view path);
  // The same for bytes read already.
  static Text Decode(std::unique_ptr<FileBytes> file);

  // Writes `bytes` as the whole content of a new file.
  void WriteBytes(std::u16string_view path, std::span<const uint8_t> bytes,
                  FileAccess access = FileAccess::kOwnerOnly);

 private:
  FileSystem& files_;
};

}  // namespace quillfen
