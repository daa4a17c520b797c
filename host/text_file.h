#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "host/file_system.h"

namespace quillfen {

// Whole-file text reading and byte writing. Every failure is a RunTimeError.
class TextFile {
 public:
  explicit TextFile(FileSystem& files) : files_(files) {}

  // The file's text, decoded as TextDecoder describes, without its mark.
  std::u16string ReadText(std::u16string_view path);

  // Writes `bytes` as the whole content of a new file.
  void WriteBytes(std::u16string_view path, std::span<const uint8_t> bytes);

 private:
  FileSystem& files_;
};

}  // namespace quillfen
