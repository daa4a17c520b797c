#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/container_key.h"
#include "conversion/conversion_error.h"
#include "host/host.h"

namespace quillfen {

// Writes container directories and remembers every file and directory it
// made, so that a failed run leaves the disk as it found it. Every failure
// is thrown as ConversionError.
class ContainerOutput {
 public:
  explicit ContainerOutput(Host& host) : host_(host) {}

  // Creates `directory` with its missing parents.
  void CreateDirectory(std::u16string_view directory);

  // Writes `bytes` as the new file `fileName` in `directory`, creating the
  // directory first; a failure is `failure` about the file. Sync flushes the
  // directory's entries.
  void WriteContainerFile(std::u16string_view directory, std::u16string_view fileName,
                          std::span<const uint8_t> bytes,
                          std::u16string_view failure = kWriteFailed);

  // Every value of `key` as a file of `directory`. A key without values
  // still becomes a directory, or success would name one that is not there.
  void WriteContainer(ContainerKey& key, std::u16string_view directory);

  // Flushes the entries of every container directory written and of every
  // directory that holds a created one to the disk.
  void Sync();

  // Removes what was written, newest first, so directories go deepest first.
  void Rollback();

 private:
  Host& host_;
  std::vector<std::u16string> files_;
  std::vector<std::u16string> directories_;
  std::vector<std::u16string> containers_;
};

// True for names that Windows takes for a device whatever follows the first
// dot (CON, PRN, AUX, NUL, COM0-9, LPT0-9).
bool IsWindowsDeviceName(std::u16string_view fileName);

}  // namespace quillfen
