// Preloaded into the program under test: the owner of TMPDIR, who swaps the
// directory of a file the moment the program opens it. The first open of a
// file named QUILLFEN_SWAP_FILE renames the directory it is in (the one its
// path names, or the working directory for a bare name) to that name with
// "-moved" after it, and puts a new directory in its place holding a
// symbolic link under the file's name to QUILLFEN_SWAP_TO; then the open
// goes on with the path it was given. With QUILLFEN_SWAP_TMPDIR set, the
// owner swaps TMPDIR itself instead, for a symbolic link to
// QUILLFEN_SWAP_TO, the moment the program makes its directory there
// ("quillfen-" and more, by mkdtemp or mkdirat), after it opened TMPDIR.
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

void Swap(const char* path) {
  const char* name = std::getenv("QUILLFEN_SWAP_FILE");
  const char* to = std::getenv("QUILLFEN_SWAP_TO");
  const char* last = std::strrchr(path, '/');
  if (swapped || name == nullptr || to == nullptr ||
      std::strcmp(last == nullptr ? path : last + 1, name) != 0) {
    return;
  }
  swapped = true;
  const int saved = errno;
  std::string directory;
  if (last != nullptr) {
    directory.assign(path, last);
  } else {
    char working[4096];
    if (::getcwd(working, sizeof working) != nullptr) directory = working;
  }
  if (!directory.empty() && ::rename(directory.c_str(), (directory + "-moved").c_str()) == 0 &&
      ::mkdir(directory.c_str(), 0700) == 0) {
    ::symlink(to, (directory + "/" + name).c_str());
  }
  errno = saved;
}

void SwapTmpdir(const char* made) {
  const char* temporary = std::getenv("TMPDIR");
  const char* to = std::getenv("QUILLFEN_SWAP_TO");
  const char* last = std::strrchr(made, '/');
  last = last == nullptr ? made : last + 1;
  if (swapped || std::getenv("QUILLFEN_SWAP_TMPDIR") == nullptr || temporary == nullptr ||
      to == nullptr || std::strncmp(last, "quillfen-", 9) != 0) {
    return;
  }
  swapped = true;
  const int saved = errno;
  const std::string directory = temporary;
  if (::rename(directory.c_str(), (directory + "-moved").c_str()) == 0) {
    ::symlink(to, directory.c_str());
  }
  errno = saved;
}

}  // namespace

extern "C" char* mkdtemp(char* name) {
  using Mkdtemp = char* (*)(char*);
  static const auto real = reinterpret_cast<Mkdtemp>(::dlsym(RTLD_NEXT, "mkdtemp"));
  SwapTmpdir(name);
  return real(name);
}

extern "C" int mkdirat(int directory, const char* path, mode_t mode) {
  using Mkdirat = int (*)(int, const char*, mode_t);
  static const auto real = reinterpret_cast<Mkdirat>(::dlsym(RTLD_NEXT, "mkdirat"));
  SwapTmpdir(path);
  return real(directory, path, mode);
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
  Swap(path);
  return real(path, flags, mode);
}
