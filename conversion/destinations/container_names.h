#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "conversion/conversion_error.h"
#include "host/file_system.h"

namespace quillfen {

// What names a container's directory: its name's first eight ASCII letters
// and digits, in lower case, or "key" when it has none or they spell a
// Windows device (CON, PRN, AUX, NUL, COM0-9, LPT0-9), which Windows would
// open instead of the directory. Eight and three is how the key store's own
// directories look and what a FAT drive holds; both hosts name alike.
std::u16string ShortContainerName(std::u16string_view containerName);

// The message that all of a container's thousand names, "name.000" to
// "name.999", are taken in `directory`.
ConversionError AllNamesTaken(std::u16string_view directory, std::u16string_view containerName);

// Gives containers the directory names "name.000" to "name.999" in one
// directory: the first that is neither there already nor given before.
class DirectoryNamer {
 public:
  // Without `files`, the directory counts as empty.
  DirectoryNamer(FileSystem* files, std::u16string directory)
      : files_(files), directory_(std::move(directory)) {}

  // The next container's directory name, or nothing when all are taken.
  std::optional<std::u16string> Next(std::u16string_view containerName);

  // The same, or a ConversionError naming the directory, the names that are
  // all taken and the container when there is none.
  std::u16string Take(std::u16string_view containerName);

 private:
  bool Taken(const std::u16string& name);

  FileSystem* files_;
  std::u16string directory_;
  std::set<std::u16string> given_;
};

}  // namespace quillfen
