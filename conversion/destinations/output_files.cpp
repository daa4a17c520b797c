#include "conversion/destinations/output_files.h"

#include <cerrno>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "conversion/conversion_error.h"
#include "conversion/destinations/key_store_access.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/stop_signals.h"

namespace quillfen {
namespace {

constexpr char16_t kChangeable[] =
    u"Этот каталог не принадлежит root или открыт на запись другим: писать в него от имени root "
    u"небезопасно.";

// Whose rights write the files, and how far root trusts the directories.
struct Writer {
  std::optional<Account> user;  // the user behind sudo, who is not root
  bool refuse_changeable = false;
};

Writer WriterOf(Host& host) {
  if (host.accounts == nullptr || !host.accounts->IsRoot()) return {};
  const Parties parties = PartiesOf(*host.accounts, std::nullopt);
  if (parties.sudo_caller) return {parties.sudo_caller, false};
  return {std::nullopt, true};
}

// True when a user other than root could rename or remove what is in the
// directory: it is not root's, or others may write to it. A sticky
// directory of root's (/tmp) lets each remove only their own.
bool OthersMayChange(const Directory::Status& status) {
  return status.owner != 0 || ((status.mode & 022) != 0 && (status.mode & 01000) == 0);
}

// The levels of the absolute path `full`; "." names the level it is in.
std::vector<std::u16string> Levels(std::u16string_view full) {
  std::vector<std::u16string> levels;
  for (size_t start = 0; start <= full.size();) {
    size_t end = full.find(u'/', start);
    if (end == std::u16string_view::npos) end = full.size();
    const std::u16string_view level = full.substr(start, end - start);
    if (!level.empty() && level != u".") levels.emplace_back(level);
    start = end + 1;
  }
  return levels;
}

// The directory of a run's files, reached one level at a time from the
// root, and the levels made below what was there.
class Reach {
 public:
  Reach(Host& host, ContainerOutput& output, std::u16string_view directory, bool refuseChangeable)
      : host_(host), output_(output), directory_(directory), refuse_(refuseChangeable) {}

  std::shared_ptr<Directory> Open(std::span<const OutputFile> files, FileAccess access) {
    StopIfRequested();
    std::vector<std::u16string> levels;
    try {
      const std::u16string full = host_.files.FullPath(directory_);
      if (full.empty()) throw PathError(directory_, kFilesDirectoryFailed);
      levels = Levels(full);
      at_ = host_.files.OpenDirectory(u"/", LastLink::kRefuse);
    } catch (const RunTimeError& error) {
      throw SystemError(directory_, kFilesDirectoryFailed, error);
    }
    size_t level = 0;
    for (; level < levels.size() && Enter(levels[level]); ++level) {
    }
    if (level == levels.size()) RefuseTaken(files);
    for (; level < levels.size(); ++level) Make(levels[level], access, level + 1 == levels.size());
    return at_;
  }

 private:
  // Opens `name` in the directory held; false when it is missing.
  bool Enter(const std::u16string& name) {
    RefuseChangeable();
    try {
      at_ = at_->OpenDirectory(name);
    } catch (const RunTimeError& error) {
      if (error.Number() == ENOENT && name != u"..") return false;
      // A file in a level's place is what making the level would find.
      throw SystemError(directory_, kFilesDirectoryFailed,
                        error.Number() == ENOTDIR ? RunTimeError::FromSystem(EEXIST) : error);
    }
    shown_ = Below(name);
    return true;
  }

  // The last level is shown as the user named it, as its files are.
  void Make(const std::u16string& name, FileAccess access, bool last) {
    StopIfRequested();
    const std::u16string path = last ? std::u16string(directory_) : Below(name);
    try {
      at_ = name == u".." ? std::shared_ptr<Directory>(at_->OpenDirectory(name))
                          : output_.MakeLevelIn(at_, shown_, name, path, access);
    } catch (const RunTimeError& error) {
      throw SystemError(directory_, kFilesDirectoryFailed, error);
    } catch (const std::bad_alloc&) {
      throw SystemError(directory_, kFilesDirectoryFailed, OutOfMemory());
    }
    shown_ = path;
  }

  // Root writes nowhere another user could change a level under it.
  void RefuseChangeable() {
    if (!refuse_) return;
    Directory::Status status;
    try {
      status = at_->Stat();
    } catch (const RunTimeError& error) {
      throw SystemError(shown_, kFilesDirectoryFailed, error);
    }
    if (OthersMayChange(status)) throw PathError(shown_, kChangeable);
  }

  // Every name is free before anything is written; what cannot be told
  // counts as taken.
  void RefuseTaken(std::span<const OutputFile> files) {
    RefuseChangeable();
    for (const auto& file : files) {
      FileKind kind = FileKind::kOther;
      try {
        kind = at_->Kind(file.name);
      } catch (const RunTimeError&) {
      }
      if (kind != FileKind::kMissing) {
        throw PathError(BuildFileName2(directory_, file.name, PathStyle::kPosix), kTargetExists);
      }
    }
  }

  // The path of `name` below the level held; with no link on the way, ".."
  // is the level above.
  std::u16string Below(const std::u16string& name) const {
    if (name == u"..") return ParentDirectory(shown_, PathStyle::kPosix);
    return BuildFileName2(shown_, name, PathStyle::kPosix);
  }

  Host& host_;
  ContainerOutput& output_;
  std::u16string_view directory_;
  bool refuse_;
  std::shared_ptr<Directory> at_;
  std::u16string shown_ = u"/";
};

// Windows: by path, each file and level made new.
void WriteByPath(Host& host, ContainerOutput& output, std::u16string_view directory,
                 std::span<const OutputFile> files, FileAccess access,
                 std::u16string_view failure) {
  for (const auto& file : files) {
    RefuseExistingTarget(host.files, BuildFileName2(directory, file.name, host.files.Style()));
  }
  output.CreateFilesDirectory(directory, access);
  for (const auto& file : files) {
    output.WriteFile(directory, file.name, file.bytes, access, failure);
  }
  output.Sync();
}

}  // namespace

void WriteOutputFiles(Host& host, ContainerOutput& output, std::u16string_view directory,
                      std::span<const OutputFile> files, FileAccess access,
                      std::u16string_view failure) {
  if (host.files.Style() != PathStyle::kPosix) {
    WriteByPath(host, output, directory, files, access, failure);
    return;
  }
  const Writer writer = WriterOf(host);
  if (writer.user) {
    try {
      host.accounts->ActAs(*writer.user);
    } catch (const RunTimeError& error) {
      throw SystemError(directory, kFilesDirectoryFailed, error);
    }
    output.UndoAs(*host.accounts, *writer.user);
  }
  try {
    const auto held = Reach(host, output, directory, writer.refuse_changeable).Open(files, access);
    for (const auto& file : files) {
      output.WriteFileIn(held, directory, file.name, file.bytes, access, failure);
    }
    output.Sync();
  } catch (...) {
    if (writer.user) {
      try {
        host.accounts->ActAsSelf();
      } catch (const RunTimeError&) {
        // The failure on its way says what went wrong first.
      }
    }
    throw;
  }
  if (!writer.user) return;
  try {
    host.accounts->ActAsSelf();
  } catch (const RunTimeError& error) {
    throw SystemError(directory, kWriteFailed, error);
  }
}

}  // namespace quillfen
