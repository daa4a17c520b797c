// Preloaded into the program under test: another user who replaces a
// directory the moment the program has made it. The first directory made
// (by mkdirat or mkdir) under the name QUILLFEN_SWAP_NAME, whose
// last "XXXXXX" stands for any six characters, is removed again and its
// name given to a symbolic link to QUILLFEN_SWAP_TO, or, with
// QUILLFEN_SWAP_HARD set, to a hard link to that file, or, with
// QUILLFEN_SWAP_OWNER set to a uid, to a new directory of that user's, of
// the mode QUILLFEN_SWAP_MODE (octal) when it is set. With
// QUILLFEN_SWAP_AT_OPEN set, the swap for a symbolic link waits for the
// first open() of the name by a path after the directory was made: the
// moment a program that looks the directory up again by its path would
// follow the link.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool swapped = false;
bool made = false;

// The last element of `path`, slashes at its end left out.
std::string LastElement(const char* path) {
  std::string whole = path;
  while (whole.size() > 1 && whole.back() == '/') whole.pop_back();
  const size_t slash = whole.rfind('/');
  return slash == std::string::npos ? whole : whole.substr(slash + 1);
}

// `made` as `name` says, its "XXXXXX" at the end standing for any six.
bool Named(const char* made, const char* name) {
  const size_t length = std::strlen(name);
  if (std::strlen(made) != length) return false;
  const bool pattern = length >= 6 && std::strcmp(name + length - 6, "XXXXXX") == 0;
  return std::strncmp(made, name, pattern ? length - 6 : length) == 0;
}

void Swap(int directory, const char* path) {
  const char* name = std::getenv("QUILLFEN_SWAP_NAME");
  const char* to = std::getenv("QUILLFEN_SWAP_TO");
  const char* last = std::strrchr(path, '/');
  last = last == nullptr ? path : last + 1;
  if (swapped || name == nullptr || to == nullptr || !Named(last, name)) return;
  if (std::getenv("QUILLFEN_SWAP_AT_OPEN") != nullptr) {
    made = true;
    return;
  }
  swapped = true;
  const int saved = errno;
  ::unlinkat(directory, path, AT_REMOVEDIR);
  if (const char* owner = std::getenv("QUILLFEN_SWAP_OWNER")) {
    const auto uid = static_cast<uid_t>(std::strtoul(owner, nullptr, 10));
    ::mkdirat(directory, path, 0700);
    if (::fchownat(directory, path, uid, static_cast<gid_t>(-1), AT_SYMLINK_NOFOLLOW) != 0) {
      // The program then finds a directory of its own there, and the test says so.
    }
    if (const char* mode = std::getenv("QUILLFEN_SWAP_MODE")) {
      ::fchmodat(directory, path, static_cast<mode_t>(std::strtoul(mode, nullptr, 8)), 0);
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

extern "C" int open(const char* path, int flags, ...) {
  using Open = int (*)(const char*, int, ...);
  static const auto real = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, "open"));
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, int));
    va_end(arguments);
  }
  const char* name = std::getenv("QUILLFEN_SWAP_NAME");
  const char* to = std::getenv("QUILLFEN_SWAP_TO");
  if (made && !swapped && name != nullptr && to != nullptr && LastElement(path) == name) {
    swapped = true;
    const int saved = errno;
    std::string directory = path;
    while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    ::rmdir(directory.c_str());
    ::symlink(to, directory.c_str());
    errno = saved;
  }
  return real(path, flags, mode);
}
