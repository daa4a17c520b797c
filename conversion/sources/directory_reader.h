#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/container_key.h"
#include "host/file_system.h"

namespace quillfen {

// A container directory as a container: one value per file, in name order
// as the registry editor lists them (letter case aside). The directory may
// hold nothing but such files, each named as a value and not empty, or the
// container would not read back the same: anything else is refused with a
// ConversionError naming it, an entry that is no such file before any value
// is handed out, an empty file when its value is read. Each file is read in
// the directory held open, never through a link, so what is read is the
// regular file listed. The files Windows Explorer leaves in folders
// (desktop.ini, Thumbs.db) are no values: they are left out, and their
// names added to `left_out` when it is given.
std::unique_ptr<ContainerKey> ReadContainerDirectory(FileSystem& files,
                                                     std::u16string_view directory,
                                                     std::u16string name, std::u16string user,
                                                     bool wow64,
                                                     std::vector<std::u16string>* left_out);

// The name a container directory gives its container: its last element
// without the extension ("keys/a.000" names "a").
std::u16string ContainerNameOfDirectory(std::u16string_view directory, PathStyle style);

}  // namespace quillfen
