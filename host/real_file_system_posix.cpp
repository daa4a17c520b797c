#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "host/directory_posix.h"
#include "host/file_descriptor.h"
#include "host/path_functions.h"
#include "host/platform.h"
#include "host/run_time_error.h"
#include "host/unicode.h"

namespace quillfen {
namespace {

// The directory that holds `path`, as the kernel finds it, and the last
// element's name in it.
std::pair<std::unique_ptr<Directory>, std::u16string> OpenParent(std::u16string_view path) {
  return {OpenDirectoryToCreateIn(ToUtf8(ParentDirectory(path, PathStyle::kPosix))),
          LastPathElement(path, PathStyle::kPosix)};
}

class PosixFileSystem : public FileSystem {
 public:
  PathStyle Style() const override { return PathStyle::kPosix; }
  bool IsHostWinNT() const override { return false; }

  // The kernel's reading of the path, as every other call here uses it: a
  // ".." after a symbolic link goes where the link leads, so directories and
  // files end up in one place. Only a relative path needs the working
  // directory.
  std::u16string FullPath(std::u16string_view path) override {
    if (path.empty() || path.front() == u'/') return std::u16string(path);
    std::string directory(256, '\0');
    while (::getcwd(directory.data(), directory.size()) == nullptr) {
      if (errno != ERANGE) ThrowErrno();
      directory.resize(directory.size() * 2);
    }
    directory.resize(directory.find('\0'));
    return FromUtf8(directory) + (directory == "/" ? u"" : u"/") + std::u16string(path);
  }

  FileKind Kind(std::u16string_view path, CallForm) override {
    // "x/" names what "x" names: a file or a dangling link there still
    // occupies it, though the slash makes the kernel answer "not there".
    const size_t last = path.find_last_not_of(u'/');
    const std::string name =
        ToUtf8(last == std::u16string_view::npos ? path.substr(0, 1) : path.substr(0, last + 1));
    struct stat info;
    if (::stat(name.c_str(), &info) == 0) {
      return S_ISDIR(info.st_mode) ? FileKind::kDirectory : FileKind::kOther;
    }
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG) {
      // A link whose target is missing still takes the name.
      return ::lstat(name.c_str(), &info) == 0 ? FileKind::kOther : FileKind::kMissing;
    }
    if (error == ELOOP) return FileKind::kOther;
    ThrowErrno(error);
  }

  void MakeDirectory(std::u16string_view path, CallForm,
                     FileAccess access = FileAccess::kOwnerOnly) override {
    const auto [parent, name] = OpenParent(path);
    parent->MakeDirectory(name, access);
  }

  std::unique_ptr<FileBytes> ReadFile(std::u16string_view path) override {
    // Non-blocking, so that opening a FIFO without a writer returns at once.
    FileDescriptor file(::open(ToUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) ThrowErrno();
    return ReadOpenFile(file.get());
  }

  void WriteNewFile(std::u16string_view path, std::span<const uint8_t> bytes,
                    FileAccess access = FileAccess::kOwnerOnly) override {
    const auto [parent, name] = OpenParent(path);
    const auto file = parent->CreateNewFile(name, access);
    file->Write(bytes);
    file->Finish();
  }

  void SyncDirectory(std::u16string_view path) override {
    FileDescriptor directory(::open(ToUtf8(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() < 0) ThrowErrno();
    if (::fsync(directory.get()) != 0) ThrowErrno();
    directory.Close();
  }

  void Remove(std::u16string_view path) override {
    if (std::remove(ToUtf8(path).c_str()) != 0) ThrowErrno();
  }

  std::unique_ptr<Directory> OpenDirectory(std::u16string_view path, LastLink last) override {
    return OpenPosixDirectory(ToUtf8(path), last);
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem files;
  return files;
}

}  // namespace quillfen
