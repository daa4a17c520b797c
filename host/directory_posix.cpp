#include "host/directory_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <limits>

#include "host/file_descriptor.h"
#include "host/mapped_file_posix.h"
#include "host/run_time_error.h"
#include "host/unicode.h"

namespace quillfen {
namespace {

// One entry of the directory: a name that a slash would turn into a path
// elsewhere is none.
std::string EntryName(std::u16string_view name) {
  if (name.empty() || name.find(u'/') != std::u16string_view::npos) ThrowErrno(EINVAL);
  return ToUtf8(name);
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

// Owns the file and a descriptor of its directory, which removes it unless
// it was finished.
class PosixNewFile : public NewFile {
 public:
  PosixNewFile(int directory, std::string name, int fd)
      : directory_(directory), name_(std::move(name)), file_(fd) {}
  ~PosixNewFile() override {
    if (!finished_) ::unlinkat(directory_.get(), name_.c_str(), 0);
  }

  void Write(std::span<const uint8_t> bytes) override {
    WriteAll(file_.get(), bytes.data(), bytes.size());
  }

  void Finish() override {
    if (::fsync(file_.get()) != 0) ThrowErrno();
    file_.Close();
    finished_ = true;
  }

 private:
  FileDescriptor directory_;
  std::string name_;
  FileDescriptor file_;
  bool finished_ = false;
};

class PosixDirectory : public Directory {
 public:
  explicit PosixDirectory(int fd) : fd_(fd) {}

  std::vector<FileSystem::Entry> List() override {
    // Opened anew through the descriptor, which may be one that only finds
    // names: the stream then has a position of its own too.
    const int copy = ::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) ThrowErrno();
    DIR* stream = ::fdopendir(copy);
    if (stream == nullptr) {
      const int error = errno;
      ::close(copy);
      ThrowErrno(error);
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(stream, ::closedir);
    std::vector<FileSystem::Entry> entries;
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(stream);
      if (entry == nullptr) break;
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      struct stat info;
      if (::fstatat(fd_.get(), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno();
      using Kind = FileSystem::Entry::Kind;
      const Kind kind = S_ISREG(info.st_mode)   ? Kind::kFile
                        : S_ISDIR(info.st_mode) ? Kind::kDirectory
                        : S_ISLNK(info.st_mode) ? Kind::kLink
                                                : Kind::kOther;
      entries.push_back({FromUtf8(name), kind});
    }
    if (errno != 0) ThrowErrno();
    return entries;
  }

  std::unique_ptr<FileBytes> ReadFile(std::u16string_view name) override {
    // Non-blocking, so that opening a FIFO without a writer returns at once.
    const FileDescriptor file(::openat(fd_.get(), EntryName(name).c_str(),
                                       O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (file.get() < 0) ThrowErrno();
    return ReadOpenFile(file.get());
  }

  FileKind Kind(std::u16string_view name) override {
    struct stat info;
    if (::fstatat(fd_.get(), EntryName(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) return FileKind::kMissing;
      ThrowErrno();
    }
    return S_ISDIR(info.st_mode) ? FileKind::kDirectory : FileKind::kOther;
  }

  std::unique_ptr<Directory> MakeDirectory(std::u16string_view name,
                                           FileAccess access = FileAccess::kOwnerOnly) override {
    const std::string entry = EntryName(name);
    const mode_t mode = access == FileAccess::kOwnerOnly ? 0700 : 0755;
    if (::mkdirat(fd_.get(), entry.c_str(), mode) != 0) ThrowErrno();
    try {
      // Readable, so that its mode can be set on what was opened.
      auto made = Open(entry, O_RDONLY);
      // Only what this call made is ours: a directory someone else put in
      // its place between the two calls is not.
      struct stat info;
      if (::fstat(made->fd_.get(), &info) != 0) ThrowErrno();
      if (info.st_uid != ::geteuid()) {
        throw RunTimeError(EEXIST, u"Another directory took the place of the one made");
      }
      // The umask may only take bits away; it must not decide the mode.
      if (::fchmod(made->fd_.get(), mode) != 0) ThrowErrno();
      return made;
    } catch (const RunTimeError&) {
      // Removes an empty directory only, never a link or what it points to.
      ::unlinkat(fd_.get(), entry.c_str(), AT_REMOVEDIR);
      throw;
    }
  }

  std::unique_ptr<Directory> OpenDirectory(std::u16string_view name) override {
    // Only to find names in: that needs the right to search the directory,
    // not to read it, as when the kernel walks a path.
    const std::string entry = EntryName(name);
    try {
      return Open(entry, O_PATH);
    } catch (const RunTimeError& error) {
      // The kernel calls a link "no directory"; the user is told it is a link.
      struct stat info;
      if (error.Number() == ENOTDIR &&
          ::fstatat(fd_.get(), entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISLNK(info.st_mode)) {
        ThrowErrno(ELOOP);
      }
      throw;
    }
  }

  Link ReadLink(std::u16string_view name) override {
    const std::string entry = EntryName(name);
    // The owner is looked at first: where it matters, in a sticky
    // directory, nobody else may put another link in the place of one.
    struct stat info;
    if (::fstatat(fd_.get(), entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno();
    if (!S_ISLNK(info.st_mode)) ThrowErrno(EINVAL);
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(fd_.get(), entry.c_str(), target.data(), target.size());
    if (length < 0) ThrowErrno();
    if (size_t(length) == target.size()) ThrowErrno(ENAMETOOLONG);
    target.resize(size_t(length));
    return {FromUtf8(target), info.st_uid};
  }

  std::unique_ptr<NewFile> CreateNewFile(std::u16string_view name,
                                         FileAccess access = FileAccess::kOwnerOnly) override {
    std::string entry = EntryName(name);
    const mode_t mode = access == FileAccess::kEveryoneReads ? 0644 : 0600;
    // The file's removal is promised before the file exists.
    FileDescriptor directory(::dup(fd_.get()));
    if (directory.get() < 0) ThrowErrno();
    const int fd = ::openat(fd_.get(), entry.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) ThrowErrno();
    auto file = std::make_unique<PosixNewFile>(directory.Release(), std::move(entry), fd);
    // The umask may only take bits away; it must not decide the mode.
    if (::fchmod(fd, mode) != 0) ThrowErrno();
    return file;
  }

  void Sync() override {
    // A descriptor that only finds names cannot be flushed; the directory
    // opened anew through it can.
    FileDescriptor readable(::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (readable.get() < 0) ThrowErrno();
    if (::fsync(readable.get()) != 0) ThrowErrno();
    readable.Close();
  }

  void Remove(std::u16string_view name, bool directory) override {
    if (::unlinkat(fd_.get(), EntryName(name).c_str(), directory ? AT_REMOVEDIR : 0) != 0) {
      ThrowErrno();
    }
  }

  Status Stat() override {
    struct stat info;
    if (::fstat(fd_.get(), &info) != 0) ThrowErrno();
    return {info.st_uid, info.st_mode & 07777u};
  }

  void GiveTo(uint32_t uid, uint32_t gid) override {
    struct stat info;
    if (::fstat(fd_.get(), &info) != 0) ThrowErrno();
    // A user's own directory is the user's already; only root gives away.
    if (info.st_uid == uid && info.st_gid == gid) return;
    if (::fchownat(fd_.get(), "", uid, gid, AT_EMPTY_PATH) != 0) ThrowErrno();
  }

 private:
  std::unique_ptr<PosixDirectory> Open(const std::string& name, int how) {
    const int fd = ::openat(fd_.get(), name.c_str(), how | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) ThrowErrno();
    return std::make_unique<PosixDirectory>(fd);
  }

  FileDescriptor fd_;
};

}  // namespace

std::unique_ptr<Directory> OpenPosixDirectory(std::string path, LastLink last) {
  // A slash at the end would make the kernel follow a link after all.
  if (last == LastLink::kRefuse) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC |
                                          (last == LastLink::kRefuse ? O_NOFOLLOW : 0));
  if (fd < 0) ThrowErrno();
  return std::make_unique<PosixDirectory>(fd);
}

std::unique_ptr<Directory> OpenDirectoryToCreateIn(const std::string& path) {
  const int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) ThrowErrno();
  return std::make_unique<PosixDirectory>(fd);
}

std::unique_ptr<FileBytes> ReadOpenFile(int fd) {
  struct stat info;
  if (::fstat(fd, &info) != 0) ThrowErrno();
  if (S_ISDIR(info.st_mode)) ThrowErrno(EISDIR);
  if (!S_ISREG(info.st_mode)) throw RunTimeError(EINVAL, u"Not a regular file");
  if (uint64_t(info.st_size) > std::numeric_limits<size_t>::max()) ThrowErrno(EFBIG);
  const size_t size = static_cast<size_t>(info.st_size);
  if (size == 0) return std::make_unique<FileBytes>();
  if (auto mapped = MapFile(fd, size)) return mapped;
  return ReadWhole(fd, size);
}

}  // namespace quillfen
