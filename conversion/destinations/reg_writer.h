#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "conversion/container_key.h"
#include "host/directory.h"
#include "host/file_system.h"

namespace quillfen {

// One binary value as the registry editor writes it: after each comma that
// brings the line to 77 characters or more, a backslash, a line break and
// two spaces, so that every full continuation line holds 25 bytes.
std::u16string RegEditorHexValue(std::u16string_view name, const std::vector<uint8_t>& bytes);

// Writes .reg files, and removes the one it wrote after a failure of the
// run.
class RegFileOutput {
 public:
  explicit RegFileOutput(FileSystem& files) : files_(files) {}

  // Writes the file the registry editor writes when it exports the key of
  // `key` alone (the 5.00 header, an empty line, the key header, one binary
  // value per value as RegEditorHexValue writes it, an empty line; CR LF
  // breaks) as the new file `target`, UTF-16LE with a byte-order mark,
  // readable by its owner alone and flushed to the disk with its entry.
  // Values are read and written one at a time, so memory holds one value's
  // bytes and little more; a stop signal is looked for between them. Throws
  // ConversionError.
  void Write(std::u16string_view target, ContainerKey& key);

  // Removes the file written. Best effort, after a failure.
  void Rollback();

 private:
  FileSystem& files_;
  // The file once written, by its name in its directory held open.
  std::unique_ptr<Directory> folder_;
  std::u16string made_;
};

}  // namespace quillfen
