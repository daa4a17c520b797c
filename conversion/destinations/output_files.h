#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "conversion/destinations/container_output.h"
#include "host/host.h"

namespace quillfen {

// A file a run writes beside no container (a key, a certificate, a PFX).
struct OutputFile {
  std::u16string name;
  std::span<const uint8_t> bytes;
};

// Writes `files` as new files of `directory`, which is made with its missing
// parents when missing; directories and files made are readable as `access`
// says, and a file that cannot be written is `failure` with the system's
// reason. Every name is free before anything is written, everything is
// flushed, and `output` undoes it all after a failure. Throws
// ConversionError.
//
// On POSIX the directory is reached from the root one level at a time
// (output_directory.h), links read where they lie, and every file is made,
// flushed and undone in the directory so held: no path is looked up again,
// so nobody who may rename entries on the way can send a file elsewhere.
// Under sudo all of it is done with the rights of the user who asked, whose
// files they then are; root without sudo refuses a directory that another
// user could change, that lies below one, or that a link another user may
// have made leads to. Windows works by path, as for every other file of its.
void WriteOutputFiles(Host& host, ContainerOutput& output, std::u16string_view directory,
                      std::span<const OutputFile> files, FileAccess access,
                      std::u16string_view failure);

}  // namespace quillfen
