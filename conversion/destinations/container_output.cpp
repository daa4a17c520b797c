#include "conversion/destinations/container_output.h"

#include <algorithm>
#include <new>
#include <optional>

#include "conversion/conversion_error.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/stop_signals.h"
#include "host/text_file.h"
#include "support/create_complex_directory.h"

namespace quillfen {
namespace {

// Windows' ERROR_INVALID_NAME.
constexpr int kInvalidNameError = 123;

// Lists what `make` makes in `record` before it exists, so that no file or
// directory is left that nobody knows to remove, and takes it off the list
// when `make` fails, which leaves nothing of it behind.
template <typename Entry, typename Make>
auto Recorded(std::vector<Entry>& record, Entry entry, Make make) {
  record.push_back(std::move(entry));
  try {
    return make();
  } catch (...) {
    record.pop_back();
    throw;
  }
}

}  // namespace

bool IsWindowsDeviceName(std::u16string_view fileName) {
  std::u16string base(fileName.substr(0, fileName.find(u'.')));
  for (auto& c : base) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return true;
  return base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT")) &&
         base[3] >= u'0' && base[3] <= u'9';
}

void RefuseExistingTarget(FileSystem& files, std::u16string_view target) {
  bool exists;
  try {
    exists = IsFileOrDirectoryExist(files, target);
  } catch (const RunTimeError&) {
    exists = true;
  }
  if (exists) throw PathError(target, kTargetExists);
}

void ContainerOutput::CreateDirectory(std::u16string_view directory) {
  StopIfRequested();
  bool created = false;
  try {
    created = CreateComplexDirectory(host_.files, directory, false, &directories_);
  } catch (const RunTimeError&) {
    created = false;
  }
  if (!created) throw PathError(directory, kDirectoryFailed);
}

void ContainerOutput::CreateFilesDirectory(std::u16string_view directory, FileAccess access) {
  StopIfRequested();
  std::optional<RunTimeError> failure;
  bool created = false;
  try {
    created =
        CreateComplexDirectory(host_.files, directory, false, &directories_, access, &failure);
  } catch (const RunTimeError& error) {
    failure = error;
  }
  if (created) return;
  if (failure) throw SystemError(directory, kFilesDirectoryFailed, *failure);
  throw PathError(directory, kFilesDirectoryFailed);
}

void ContainerOutput::WriteContainerFile(std::u16string_view directory,
                                         std::u16string_view fileName,
                                         std::span<const uint8_t> bytes) {
  CreateDirectory(directory);
  WriteFile(directory, fileName, bytes, FileAccess::kOwnerOnly, kWriteFailed);
}

void ContainerOutput::WriteFile(std::u16string_view directory, std::u16string_view fileName,
                                std::span<const uint8_t> bytes, FileAccess access,
                                std::u16string_view failure) {
  StopIfRequested();
  const std::u16string path = BuildFileName2(directory, fileName, host_.files.Style());
  // Its entry is flushed with the others.
  if (containers_.empty() || containers_.back() != directory) containers_.emplace_back(directory);
  try {
    // The bytes of a device name would go to the device, not into a file.
    if (host_.files.Style() == PathStyle::kWindows && IsWindowsDeviceName(fileName)) {
      throw RunTimeError(kInvalidNameError, u"The name is reserved for a Windows device");
    }
    Recorded(files_, path, [&] { TextFile(host_.files).WriteBytes(path, bytes, access); });
  } catch (const RunTimeError& error) {
    throw SystemError(path, failure, error);
  } catch (const std::bad_alloc&) {
    throw SystemError(path, failure, OutOfMemory());
  }
}

void ContainerOutput::WriteContainer(ContainerKey& key, std::u16string_view directory) {
  containers_.emplace_back(directory);
  bool wrote_any = false;
  while (const auto value = key.NextValue()) {
    WriteContainerFile(directory, value->name, value->bytes);
    wrote_any = true;
  }
  if (!wrote_any) CreateDirectory(directory);
}

std::shared_ptr<Directory> ContainerOutput::MakeDirectoryIn(
    const std::shared_ptr<Directory>& parent, std::u16string_view parentPath,
    std::u16string_view name) {
  StopIfRequested();
  const std::u16string path = BuildFileName2(parentPath, name, host_.files.Style());
  try {
    return MakeLevelIn(parent, parentPath, name, path, FileAccess::kOwnerOnly);
  } catch (const RunTimeError& error) {
    throw SystemError(path, kDirectoryFailed, error);
  } catch (const std::bad_alloc&) {
    throw SystemError(path, kDirectoryFailed, OutOfMemory());
  }
}

std::shared_ptr<Directory> ContainerOutput::MakeLevelIn(const std::shared_ptr<Directory>& parent,
                                                        std::u16string_view parentPath,
                                                        std::u16string_view name,
                                                        std::u16string_view path,
                                                        FileAccess access) {
  const std::shared_ptr<Directory> made =
      Recorded(made_, Made{parent, std::u16string(name), true},
               [&] { return parent->MakeDirectory(name, access); });
  Hold(parent, parentPath);
  Hold(made, path);
  return made;
}

void ContainerOutput::WriteContainerIn(const std::shared_ptr<Directory>& parent,
                                       std::u16string_view parentPath, std::u16string_view name,
                                       ContainerKey& key) {
  const std::shared_ptr<Directory> directory = MakeDirectoryIn(parent, parentPath, name);
  const std::u16string directory_path = BuildFileName2(parentPath, name, host_.files.Style());
  while (const auto value = key.NextValue()) {
    WriteFileIn(directory, directory_path, value->name, value->bytes, FileAccess::kOwnerOnly,
                kWriteFailed);
  }
}

void ContainerOutput::WriteFileIn(const std::shared_ptr<Directory>& directory,
                                  std::u16string_view directoryPath, std::u16string_view fileName,
                                  std::span<const uint8_t> bytes, FileAccess access,
                                  std::u16string_view failure) {
  StopIfRequested();
  const std::u16string path = BuildFileName2(directoryPath, fileName, host_.files.Style());
  try {
    Hold(directory, directoryPath);
    Recorded(made_, Made{directory, std::u16string(fileName), false}, [&] {
      const auto file = directory->CreateNewFile(fileName, access);
      file->Write(bytes);
      file->Finish();
    });
  } catch (const RunTimeError& error) {
    throw SystemError(path, failure, error);
  } catch (const std::bad_alloc&) {
    throw SystemError(path, failure, OutOfMemory());
  }
}

void ContainerOutput::Hold(const std::shared_ptr<Directory>& directory, std::u16string_view path) {
  const auto held = [&](const Held& other) { return other.directory == directory; };
  if (std::none_of(to_sync_.begin(), to_sync_.end(), held)) {
    to_sync_.push_back({directory, std::u16string(path)});
  }
}

void ContainerOutput::Sync() {
  for (const auto& held : to_sync_) {
    try {
      held.directory->Sync();
    } catch (const RunTimeError& error) {
      throw SystemError(held.path, kWriteFailed, error);
    }
  }
  std::vector<std::u16string> to_sync = containers_;
  for (const auto& created : directories_) {
    to_sync.push_back(ParentDirectory(created, host_.files.Style()));
  }
  std::vector<std::u16string> synced;
  for (const auto& path : to_sync) {
    if (std::find(synced.begin(), synced.end(), path) != synced.end()) continue;
    try {
      host_.files.SyncDirectory(path);
    } catch (const RunTimeError& error) {
      throw SystemError(path, kWriteFailed, error);
    }
    synced.push_back(path);
  }
}

void ContainerOutput::RemoveMade() {
  // Best effort: the failure has been reported, and a removal that fails
  // cannot be helped by stopping the others.
  for (auto made = made_.rbegin(); made != made_.rend(); ++made) {
    try {
      made->parent->Remove(made->name, made->directory);
    } catch (const RunTimeError&) {
    }
  }
}

void ContainerOutput::Rollback() {
  if (!undo_as_) {
    RemoveMade();
  } else {
    // What the user's rights made goes with the user's rights, or stays:
    // the program's own could remove what the user put in its place.
    bool as_the_user = true;
    try {
      undo_as_->accounts->ActAs(undo_as_->user);
    } catch (const RunTimeError&) {
      as_the_user = false;
    }
    if (as_the_user) RemoveMade();
    try {
      undo_as_->accounts->ActAsSelf();
    } catch (const RunTimeError&) {
    }
  }
  made_.clear();
  to_sync_.clear();
  for (auto* paths : {&files_, &directories_}) {
    for (auto path = paths->rbegin(); path != paths->rend(); ++path) {
      try {
        host_.files.Remove(*path);
      } catch (const RunTimeError&) {
      }
    }
    paths->clear();
  }
  containers_.clear();
}

}  // namespace quillfen
