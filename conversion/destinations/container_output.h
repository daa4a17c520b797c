#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/container_key.h"
#include "host/accounts.h"
#include "host/directory.h"
#include "host/host.h"

namespace quillfen {

// Writes container directories and remembers every file and directory it
// made, so that a failed run leaves the disk as it found it. Every failure
// is thrown as ConversionError; before each directory and file it looks for
// a stop signal (host/stop_signals.h) and throws Stopped.
class ContainerOutput {
 public:
  explicit ContainerOutput(Host& host) : host_(host) {}

  // Creates `directory` with its missing parents.
  void CreateDirectory(std::u16string_view directory);

  // The same for a directory of files that are no container's (keys,
  // certificates), readable as `access` says: a failure names the directory
  // and the system's reason.
  void CreateFilesDirectory(std::u16string_view directory, FileAccess access);

  // Writes `bytes` as the new file `fileName` in `directory`, creating the
  // directory first.
  void WriteContainerFile(std::u16string_view directory, std::u16string_view fileName,
                          std::span<const uint8_t> bytes);

  // Writes `bytes` as the new file `fileName` in `directory`, which exists;
  // a failure is `failure` with the system's error.
  void WriteFile(std::u16string_view directory, std::u16string_view fileName,
                 std::span<const uint8_t> bytes, FileAccess access, std::u16string_view failure);

  // Every value of `key` as a file of `directory`. A key without values
  // still becomes a directory, or success would name one that is not there.
  void WriteContainer(ContainerKey& key, std::u16string_view directory);

  // The same on descriptors, for a directory others may change, such as the
  // key store: each makes the new directory `name` in `parent`, whose path
  // `parentPath` the messages show, and refuses anything already there.
  std::shared_ptr<Directory> MakeDirectoryIn(const std::shared_ptr<Directory>& parent,
                                             std::u16string_view parentPath,
                                             std::u16string_view name);
  void WriteContainerIn(const std::shared_ptr<Directory>& parent, std::u16string_view parentPath,
                        std::u16string_view name, ContainerKey& key);

  // The steps of that route, for files that are no container's
  // (output_files.h). MakeLevelIn makes the directory `name` in `parent`,
  // readable as `access` says, and shown as `path`; it throws RunTimeError
  // for the caller to put words to. WriteFileIn writes `bytes` as the new
  // file `fileName` of `directory`, shown as `directoryPath`; a failure is
  // `failure` with the system's error. Both are undone by Rollback() and
  // flushed by Sync().
  std::shared_ptr<Directory> MakeLevelIn(const std::shared_ptr<Directory>& parent,
                                         std::u16string_view parentPath, std::u16string_view name,
                                         std::u16string_view path, FileAccess access);
  void WriteFileIn(const std::shared_ptr<Directory>& directory, std::u16string_view directoryPath,
                   std::u16string_view fileName, std::span<const uint8_t> bytes, FileAccess access,
                   std::u16string_view failure);

  // What that route made from now on was made with the rights of `user`:
  // Rollback() removes it with them too.
  void UndoAs(Accounts& accounts, const Account& user) { undo_as_ = {&accounts, user}; }

  // Flushes the entries of every directory written into and of every
  // directory that holds a created one to the disk.
  void Sync();

  // Removes what was written, newest first, so directories go deepest first.
  void Rollback();

 private:
  // An entry made on the descriptor route, and the path messages show.
  struct Made {
    std::shared_ptr<Directory> parent;
    std::u16string name;
    bool directory;
  };
  struct Held {
    std::shared_ptr<Directory> directory;
    std::u16string path;
  };
  struct Rights {
    Accounts* accounts;
    Account user;
  };

  // Flushes `directory` with the others, once.
  void Hold(const std::shared_ptr<Directory>& directory, std::u16string_view path);
  // Removes what the descriptor route made, newest first.
  void RemoveMade();

  Host& host_;
  std::vector<std::u16string> files_;
  std::vector<std::u16string> directories_;
  std::vector<std::u16string> containers_;
  std::vector<Made> made_;
  std::vector<Held> to_sync_;
  std::optional<Rights> undo_as_;
};

// Throws the existing-target message when anything occupies `target`, a
// dangling link included; what cannot be tested is not written over either.
void RefuseExistingTarget(FileSystem& files, std::u16string_view target);

// True for names that Windows takes for a device whatever follows the first
// dot (CON, PRN, AUX, NUL, COM0-9, LPT0-9).
bool IsWindowsDeviceName(std::u16string_view fileName);

}  // namespace quillfen
