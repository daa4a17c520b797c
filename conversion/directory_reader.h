#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "conversion/container_key.h"
#include "host/file_system.h"

namespace quillfen {

// A container directory as a container: one value per file, in name order
// as the registry editor lists them (letter case aside). The directory may
// hold nothing but such files, each named as a value and not empty, or the
// container would not read back the same: anything else is refused with a
// ConversionError naming it, an entry that is no such file before any value
// is handed out, an empty file when its value is read.
std::unique_ptr<ContainerKey> ReadContainerDirectory(FileSystem& files,
                                                     std::u16string_view directory,
                                                     std::u16string name, std::u16string user,
                                                     bool wow64);

// The name a container directory gives its container: its last element
// without the extension ("keys/a.000" names "a").
std::u16string ContainerNameOfDirectory(std::u16string_view directory, PathStyle style);

}  // namespace quillfen
