#pragma once

// POSIX only: a file of the program's own, for a library that opens files
// by name only.
#include <functional>
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

  // Calls `open` with a name that leads to this file whatever happens to
  // Path() meanwhile: whoever owns TMPDIR may rename the directory made in
  // it and put another in its place, with a link to any file under the
  // name, and under sudo the library opens with root's rights. The name is
  // looked up from the directory held open, made the working directory for
  // the call; the working directory is the caller's again afterwards.
  // Throws RunTimeError when either change fails.
  void OpenThroughDirectory(const std::function<void(const char* name)>& open) const;

  void Remove();

 private:
  FileDescriptor parent_;     // the temporary directory's parent
  std::string name_;          // the directory's name in it
  FileDescriptor directory_;  // the directory made
  FileDescriptor file_;
  std::string path_;
};

}  // namespace quillfen
