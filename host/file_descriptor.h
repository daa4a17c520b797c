#pragma once

// POSIX only: an open file descriptor that closes when it goes, and what
// every POSIX file of the host does with descriptors and errno.
#include <unistd.h>

#include <cerrno>
#include <cstddef>

#include "host/run_time_error.h"

namespace quillfen {

// The system's error `number`, errno unless given, as RunTimeError.
[[noreturn]] inline void ThrowErrno(int number = errno) { throw RunTimeError::FromSystem(number); }

// Writes all `size` bytes at `data` to `fd`, going on after a signal.
inline void WriteAll(int fd, const void* data, size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd, next, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowErrno();
    }
    next += written;
    size -= static_cast<size_t>(written);
  }
}

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
    if (::close(fd) != 0) ThrowErrno();
  }

 private:
  int fd_;
};

}  // namespace quillfen
