#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/file_system.h"

namespace quillfen {

// A file being written that did not exist before: made new, never over
// anything and never through a link, readable by its owner alone unless
// asked otherwise. Until Finish() it is the writer's own: going without it
// removes the file.
class NewFile {
 public:
  virtual ~NewFile() = default;
  virtual void Write(std::span<const uint8_t> bytes) = 0;
  // Flushes the data to the disk; from then on the file stays.
  virtual void Finish() = 0;
};

// A directory held open. Every name is looked up in it, never as a path from
// the root, so nobody who may rename entries on the way there can send the
// program elsewhere between two steps: what is made is made here, what is
// changed is what was made. Failures are thrown as RunTimeError.
class Directory {
 public:
  // Who owns the directory and its permission bits (POSIX).
  struct Status {
    uint32_t owner = 0;
    uint32_t mode = 0;
  };

  virtual ~Directory() = default;

  virtual std::vector<FileSystem::Entry> List() = 0;
  // A regular file of this directory, never through a link.
  virtual std::unique_ptr<FileBytes> ReadFile(std::u16string_view name) = 0;
  // What occupies `name`; a link counts as kOther, whatever it points to.
  virtual FileKind Kind(std::u16string_view name) = 0;

  // Makes the directory `name`, readable by the owner only unless `access`
  // says otherwise, and opens it: anything else found under the name by then
  // is refused.
  virtual std::unique_ptr<Directory> MakeDirectory(std::u16string_view name,
                                                   FileAccess access = FileAccess::kOwnerOnly) = 0;
  // Opens the directory `name`, never through a link (POSIX says ELOOP for
  // one). On POSIX it needs the right to search this directory only, as a
  // path the kernel walks does, and ".." is this directory's parent.
  virtual std::unique_ptr<Directory> OpenDirectory(std::u16string_view name) = 0;
  // The symbolic link `name`: what it leads to, and who owns the link
  // itself (POSIX). A name that is no link is EINVAL.
  struct Link {
    std::u16string target;
    uint32_t owner = 0;
  };
  virtual Link ReadLink(std::u16string_view name) = 0;
  virtual std::unique_ptr<NewFile> CreateNewFile(std::u16string_view name,
                                                 FileAccess access = FileAccess::kOwnerOnly) = 0;

  // Flushes the entries of this directory to the disk.
  virtual void Sync() = 0;
  // Removes the file, or the empty directory, `name`.
  virtual void Remove(std::u16string_view name, bool directory) = 0;

  // The owner, and giving the directory to a user and group: the key
  // store's route, which only POSIX hosts have.
  virtual Status Stat() = 0;
  virtual void GiveTo(uint32_t uid, uint32_t gid) = 0;
};

}  // namespace quillfen
