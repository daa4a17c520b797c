#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillfen {

// How the host writes paths: "/" from a single root, or Windows drive and
// server forms with "\".
enum class PathStyle { kPosix, kWindows };

// Windows offers every file call twice: the ANSI ("narrow") form and the
// UTF-16 ("wide") form. A POSIX host has one form and ignores the choice.
enum class CallForm { kNarrow, kWide };

// What occupies a name. A symbolic link counts as what it points to, and a
// dangling one as kOther: it still takes the name.
enum class FileKind { kMissing, kDirectory, kOther };

// Receives a file's bytes in order, in pieces of any size.
class ReadSink {
 public:
  virtual ~ReadSink() = default;
  // Called once, before the first piece, with the size the file has now.
  virtual void Begin(uint64_t size) = 0;
  virtual void Append(std::string_view bytes) = 0;
};

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

  // Throws only when the host cannot tell; a name that cannot exist (missing,
  // below a file, too long) is kMissing.
  virtual FileKind Kind(std::u16string_view path, CallForm form) = 0;

  // Creates one directory, never a missing parent, readable by the owner only.
  virtual void MakeDirectory(std::u16string_view path, CallForm form) = 0;

  // Reads a regular file whole; anything else (a directory, a pipe, a
  // device) fails at once, without waiting for data.
  virtual void ReadFile(std::u16string_view path, ReadSink& sink) = 0;

  // Creates a file that must not exist yet (nor be a link), readable by the
  // owner only, writes `bytes` and flushes them to the disk. On failure
  // nothing of the file is left.
  virtual void WriteNewFile(std::u16string_view path, std::span<const uint8_t> bytes) = 0;

  // Flushes the entries of a directory to the disk.
  virtual void SyncDirectory(std::u16string_view path) = 0;

  // Removes a file or an empty directory.
  virtual void Remove(std::u16string_view path) = 0;
};

}  // namespace quillfen
