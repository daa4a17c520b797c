#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen {

// How the host writes paths: "/" from a single root, or Windows drive and
// server forms with "\".
enum class PathStyle { kPosix, kWindows };

// Windows offers every file call twice: the ANSI ("narrow") form and the
// UTF-16 ("wide") form. A POSIX host has one form and ignores the choice.
enum class CallForm { kNarrow, kWide };

// What a call does with a link that is the last element of its path.
enum class LastLink { kFollow, kRefuse };

// What occupies a name. A symbolic link counts as what it points to, and a
// dangling one as kOther: it still takes the name.
enum class FileKind { kMissing, kDirectory, kOther };

// A whole file's bytes in memory, read-only, valid while the object lives.
// A real file is mapped rather than copied: a gigabyte export then costs no
// second gigabyte, and the system need not clear fresh memory for it.
class FileBytes {
 public:
  explicit FileBytes(std::string_view bytes = {}) : bytes_(bytes) {}
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  virtual ~FileBytes() = default;

  std::string_view Bytes() const { return bytes_; }
  std::span<const uint8_t> Octets() const {
    return {reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()};
  }

  // Lets the system take back the memory of the bytes in [begin, end), which
  // the caller has used; looking at them again brings them back.
  virtual void Evict(size_t begin, size_t end) { (void)begin, (void)end; }

  // Throws RunTimeError when some of the bytes seen so far were not the
  // file's: a mapped file that shrank or could not be read from the disk
  // shows zeros instead. Whoever decides something on the bytes asks this
  // before acting on it.
  virtual void Verify() const {}

 protected:
  std::string_view bytes_;
};

class Directory;

// Bytes held in a buffer of their own.
class OwnedFileBytes : public FileBytes {
 public:
  explicit OwnedFileBytes(std::string buffer) : buffer_(std::move(buffer)) { bytes_ = buffer_; }

 private:
  std::string buffer_;
};

// Who may read a file or directory the program creates: its owner alone
// (keys, and everything unless asked otherwise), or everyone (a certificate,
// which is public, and the directory it goes into). Windows gives what is
// readable by everyone the rights of its directory.
enum class FileAccess { kOwnerOnly, kEveryoneReads };

// Every touch of the disk goes through this interface, so that tests can put
// an in-memory file system with injected failures in its place. Failures are
// thrown as RunTimeError.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual PathStyle Style() const = 0;
  virtual bool IsHostWinNT() const = 0;

  // The absolute form of `path`, or "" for a path that has none (the empty
  // path, which must never stand for the working directory).
  virtual std::u16string FullPath(std::u16string_view path) = 0;

  // False when `path` cannot be passed in `form` exactly: a narrow Windows
  // call takes only what the ANSI code page holds, and a look-alike would
  // create a name other than the one asked for. Asks nothing of the disk.
  virtual bool Representable(std::u16string_view path, CallForm form) const {
    (void)path, (void)form;
    return true;
  }

  // Throws only when the host cannot tell; a name that cannot exist (missing,
  // below a file, too long) is kMissing.
  virtual FileKind Kind(std::u16string_view path, CallForm form) = 0;

  // Creates one directory, never a missing parent, readable by the owner only
  // unless `access` says otherwise.
  virtual void MakeDirectory(std::u16string_view path, CallForm form,
                             FileAccess access = FileAccess::kOwnerOnly) = 0;

  // Reads a regular file whole; anything else (a directory, a pipe, a
  // device) fails at once, without waiting for data.
  virtual std::unique_ptr<FileBytes> ReadFile(std::u16string_view path) = 0;

  // Creates a file that must not exist yet (nor be a link), readable by the
  // owner only unless `access` says otherwise, writes `bytes` and flushes
  // them to the disk. On failure nothing of the file is left.
  virtual void WriteNewFile(std::u16string_view path, std::span<const uint8_t> bytes,
                            FileAccess access = FileAccess::kOwnerOnly) = 0;

  // Flushes the entries of a directory to the disk.
  virtual void SyncDirectory(std::u16string_view path) = 0;

  // Removes a file or an empty directory.
  virtual void Remove(std::u16string_view path) = 0;

  // A name in a directory ("." and ".." are left out of listings) with what
  // it is itself: a link counts as a link, never as what it points to.
  struct Entry {
    std::u16string name;
    enum class Kind { kFile, kDirectory, kLink, kOther } kind;
  };

  // Opens the directory `path` for work inside it that nobody can redirect
  // (host/directory.h). A link as its last element is followed, as for any
  // path the user names, or refused where another user could have put it.
  virtual std::unique_ptr<Directory> OpenDirectory(std::u16string_view path, LastLink last) = 0;
};

}  // namespace quillfen
