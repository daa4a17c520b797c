#pragma once

// POSIX only: a file mapped into memory.
#include <cstddef>
#include <memory>

#include "host/file_system.h"

namespace quillfen {

// The first `size` bytes of the open file `fd`, mapped, or nothing when the
// system cannot map them. Pages that the file no longer has when they are
// read (it was shortened, or the disk failed) read as zeros instead of
// ending the process, and Verify() reports them.
std::unique_ptr<FileBytes> MapFile(int fd, size_t size);

}  // namespace quillfen
