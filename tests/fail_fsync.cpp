// Preloaded into the program under test: every flush of a regular file fails
// as on a disk that cannot keep the data, so that the program's answer to it
// runs on the real file system. Directories flush as usual.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>

extern "C" int fsync(int fd) {
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    errno = EIO;
    return -1;
  }
  using Fsync = int (*)(int);
  static const auto real_fsync = reinterpret_cast<Fsync>(::dlsym(RTLD_NEXT, "fsync"));
  return real_fsync(fd);
}
