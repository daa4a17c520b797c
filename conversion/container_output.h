#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/converter_args.h"
#include "host/host.h"

namespace quillfen {

// Writes one container directory and remembers every file and directory it
// made, so that a failed conversion leaves the disk as it found it.
class ContainerOutput {
 public:
  explicit ContainerOutput(Host& host) : host_(host) {}

  // Creates `directory` with its missing parents; shows the directory
  // message on failure.
  bool CreateDirectory(std::u16string_view directory);

  // Writes `bytes` as the new file `fileName` in `directory`, creating the
  // directory first; shows the failure's message.
  bool WriteContainerFile(std::u16string_view directory, std::u16string_view fileName,
                          std::span<const uint8_t> bytes);

  // Flushes the entries of `directory` and of every directory that holds a
  // created one to the disk; shows the write message on failure.
  bool Sync(std::u16string_view directory);

  // Removes what was written, newest first, so directories go deepest first.
  void Rollback();

 private:
  Host& host_;
  std::vector<std::u16string> files_;
  std::vector<std::u16string> directories_;
};

// The second half of a conversion: the body of the container key becomes the
// container directory `args.TargetPath`. True when every value was written
// and the directory is on disk; false after a failure it has reported, with
// everything it wrote removed again.
bool WriteContainer(std::u16string_view body, const ConverterArgs& args, Host& host);

// True for names that Windows takes for a device whatever follows the first
// dot (CON, PRN, AUX, NUL, COM0-9, LPT0-9).
bool IsWindowsDeviceName(std::u16string_view fileName);

}  // namespace quillfen
