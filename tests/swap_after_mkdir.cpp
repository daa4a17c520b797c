// Preloaded into the program under test: another user who replaces a
// directory the moment the program has made it. The first directory made
// under the name QUILLFEN_SWAP_NAME is removed again and its name given to a
// symbolic link to QUILLFEN_SWAP_TO, or, with QUILLFEN_SWAP_HARD set, to a
// hard link to that file, or, with QUILLFEN_SWAP_OWNER set to a uid, to a
// new directory of that user's.
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
  if (const char* owner = std::getenv("QUILLFEN_SWAP_OWNER")) {
    const auto uid = static_cast<uid_t>(std::strtoul(owner, nullptr, 10));
    ::mkdirat(directory, path, 0700);
    if (::fchownat(directory, path, uid, static_cast<gid_t>(-1), AT_SYMLINK_NOFOLLOW) != 0) {
      // The program then finds a directory of its own there, and the test says so.
    }
  } else if (std::getenv("QUILLFEN_SWAP_HARD") != nullptr) {
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
