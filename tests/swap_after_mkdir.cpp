// Preloaded into the program under test: another user who replaces a
// directory the moment the program has made it. The first directory made
// under the name QUILLFEN_SWAP_NAME is removed again and its name given to a
// symbolic link to QUILLFEN_SWAP_TO, or, with QUILLFEN_SWAP_HARD set, to a
// hard link to that file.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool swapped = false;

void Swap(int directory, const char* path) {
  const char* name = std::getenv("QUILLFEN_SWAP_NAME");
  const char* to = std::getenv("QUILLFEN_SWAP_TO");
  const char* last = std::strrchr(path, '/');
  last = last == nullptr ? path : last + 1;
  if (swapped || name == nullptr || to == nullptr || std::strcmp(last, name) != 0) return;
  swapped = true;
  const int saved = errno;
  ::unlinkat(directory, path, AT_REMOVEDIR);
  if (std::getenv("QUILLFEN_SWAP_HARD") != nullptr) {
    ::linkat(AT_FDCWD, to, directory, path, 0);
  } else {
    ::symlinkat(to, directory, path);
  }
  errno = saved;
}

}  // namespace

extern "C" int mkdirat(int directory, const char* path, mode_t mode) {
  using Mkdirat = int (*)(int, const char*, mode_t);
  static const auto real = reinterpret_cast<Mkdirat>(::dlsym(RTLD_NEXT, "mkdirat"));
  const int made = real(directory, path, mode);
  if (made == 0) Swap(directory, path);
  return made;
}

extern "C" int mkdir(const char* path, mode_t mode) {
  using Mkdir = int (*)(const char*, mode_t);
  static const auto real = reinterpret_cast<Mkdir>(::dlsym(RTLD_NEXT, "mkdir"));
  const int made = real(path, mode);
  if (made == 0) Swap(AT_FDCWD, path);
  return made;
}
