#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>

#include "host/file_descriptor.h"
#include "host/mapped_file_posix.h"
#include "host/path_functions.h"
#include "host/platform.h"
#include "host/run_time_error.h"
#include "host/unicode.h"

namespace quillfen {
namespace {

[[noreturn]] void ThrowErrno(int number = errno) { throw RunTimeError::FromSystem(number); }

void WriteAll(int fd, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowErrno();
    }
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
}

// Where a file cannot be mapped, its bytes are read into memory.
std::unique_ptr<FileBytes> ReadWhole(int fd, size_t size) {
  std::string buffer(size, '\0');
  size_t filled = 0;
  while (filled < size) {
    const ssize_t got = ::read(fd, buffer.data() + filled, size - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowErrno();
    }
    if (got == 0) break;
    filled += static_cast<size_t>(got);
  }
  buffer.resize(filled);
  return std::make_unique<OwnedFileBytes>(std::move(buffer));
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

  void MakeDirectory(std::u16string_view path, CallForm) override {
    const std::string name = ToUtf8(path);
    if (::mkdir(name.c_str(), 0700) != 0) ThrowErrno();
    // The umask may only take bits away; it must not decide the mode.
    if (::chmod(name.c_str(), 0700) != 0) {
      const int error = errno;
      ::rmdir(name.c_str());
      ThrowErrno(error);
    }
  }

  std::unique_ptr<FileBytes> ReadFile(std::u16string_view path) override {
    // Non-blocking, so that opening a FIFO without a writer returns at once.
    FileDescriptor file(::open(ToUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) ThrowErrno();
    struct stat info;
    if (::fstat(file.get(), &info) != 0) ThrowErrno();
    if (S_ISDIR(info.st_mode)) ThrowErrno(EISDIR);
    if (!S_ISREG(info.st_mode)) throw RunTimeError(EINVAL, u"Not a regular file");
    if (uint64_t(info.st_size) > std::numeric_limits<size_t>::max()) ThrowErrno(EFBIG);
    const size_t size = static_cast<size_t>(info.st_size);
    if (size == 0) return std::make_unique<FileBytes>();
    if (auto mapped = MapFile(file.get(), size)) return mapped;
    return ReadWhole(file.get(), size);
  }

  void WriteNewFile(std::u16string_view path, std::span<const uint8_t> bytes,
                    FileAccess access = FileAccess::kOwnerOnly) override {
    const std::string name = ToUtf8(path);
    const mode_t mode = access == FileAccess::kEveryoneReads ? 0644 : 0600;
    FileDescriptor file(
        ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (file.get() < 0) ThrowErrno();
    try {
      if (::fchmod(file.get(), mode) != 0) ThrowErrno();
      WriteAll(file.get(), bytes);
      if (::fsync(file.get()) != 0) ThrowErrno();
      file.Close();
    } catch (const RunTimeError&) {
      ::unlink(name.c_str());
      throw;
    }
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

  std::vector<Entry> ListDirectory(std::u16string_view path) override {
    const std::string name = ToUtf8(path);
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(name.c_str()), ::closedir);
    if (!directory) ThrowErrno();
    std::vector<Entry> entries;
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(directory.get());
      if (entry == nullptr) break;
      const std::string_view entry_name = entry->d_name;
      if (entry_name == "." || entry_name == "..") continue;
      struct stat info;
      const std::string entry_path = name + "/" + std::string(entry_name);
      if (::lstat(entry_path.c_str(), &info) != 0) ThrowErrno();
      const Entry::Kind kind = S_ISREG(info.st_mode)   ? Entry::Kind::kFile
                               : S_ISDIR(info.st_mode) ? Entry::Kind::kDirectory
                               : S_ISLNK(info.st_mode) ? Entry::Kind::kLink
                                                       : Entry::Kind::kOther;
      entries.push_back({FromUtf8(entry_name), kind});
    }
    if (errno != 0) ThrowErrno();
    return entries;
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem files;
  return files;
}

}  // namespace quillfen
