#pragma once

// POSIX only: an open file descriptor that closes when it goes.
#include <unistd.h>

#include <cerrno>

#include "host/run_time_error.h"

namespace quillfen {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Holds `fd` instead, closing the one held.
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Hands the descriptor over to a new owner.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now, so that a failure of the close itself is seen.
  void Close() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw RunTimeError::FromSystem(errno);
  }

 private:
  int fd_;
};

}  // namespace quillfen
