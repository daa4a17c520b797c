#pragma once

// POSIX only: directories held open by a descriptor.
#include <memory>
#include <string>

#include "host/directory.h"

namespace quillfen {

// Opens the directory `path`, to read it and work in it.
std::unique_ptr<Directory> OpenPosixDirectory(std::string path, LastLink last);

// Opens the directory `path` as the kernel reads a path, links followed,
// only to make, open and remove entries in it: like mkdir(2) and open(2)
// it needs no right to read the directory.
std::unique_ptr<Directory> OpenDirectoryToCreateIn(const std::string& path);

// The whole of the open file `fd`, which must be a regular file: mapped, or
// read into memory where it cannot be.
std::unique_ptr<FileBytes> ReadOpenFile(int fd);

}  // namespace quillfen
