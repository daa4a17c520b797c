#pragma once

// POSIX only: a file of the program's own, for a library that opens files
// by name only.
#include <span>
#include <string>

#include "host/file_descriptor.h"

namespace quillfen {

// A new file, 0600, in a new directory of its own, 0700, under TMPDIR (else
// /tmp). Both go when the object goes, or at Remove(): a library that has
// opened the file by then keeps it open without its name. Throws
// RunTimeError.
class PrivateFile {
 public:
  PrivateFile();
  PrivateFile(const PrivateFile&) = delete;
  PrivateFile& operator=(const PrivateFile&) = delete;
  ~PrivateFile();

  // Appends `bytes` to the file.
  void Write(std::span<const char> bytes);
  const std::string& Path() const { return path_; }
  void Remove();

 private:
  FileDescriptor parent_;     // the temporary directory's parent
  std::string name_;          // the directory's name in it
  FileDescriptor directory_;  // the directory made
  FileDescriptor file_;
  std::string path_;
};

}  // namespace quillfen
