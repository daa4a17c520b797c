#include "conversion/destinations/output_directory.h"

#include <cerrno>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "conversion/conversion_error.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/stop_signals.h"

namespace quillfen {
namespace {

constexpr char16_t kChangeable[] =
    u"Этот каталог не принадлежит root или открыт на запись другим: писать в него от имени root "
    u"небезопасно.";

// As many links as the kernel follows in one path before it gives up.
constexpr int kMostLinks = 40;

// True when a user other than root could rename or remove what is in the
// directory: it is not root's, or others may write to it. A sticky
// directory of root's (/tmp) lets each remove only their own.
bool OthersMayChange(const Directory::Status& status) {
  return status.owner != 0 || ((status.mode & 022) != 0 && (status.mode & 01000) == 0);
}

// Others may make entries in it, links included, and own them.
bool OthersMayAdd(const Directory::Status& status) { return (status.mode & 022) != 0; }

// A level still to walk. One a link led to must be there: the kernel makes
// nothing through a link.
struct Level {
  std::u16string name;
  bool linked = false;
};

// The directory of a run's files, reached one level at a time from the
// root, and the levels made below what was there.
class Reach {
 public:
  Reach(Host& host, ContainerOutput& output, std::u16string_view directory, bool refuseChangeable)
      : host_(host), output_(output), directory_(directory), refuse_(refuseChangeable) {}

  ReachedDirectory Open(FileAccess access) {
    StopIfRequested();
    try {
      const std::u16string full = host_.files.FullPath(directory_);
      if (full.empty()) throw PathError(directory_, kFilesDirectoryFailed);
      Push(full, false);
    } catch (const RunTimeError& error) {
      Fail(error);
    }
    FromRoot();
    while (!pending_.empty() && Enter()) {
    }
    const bool existed = pending_.empty();
    if (existed) RefuseChangeable();
    while (!pending_.empty()) Make(access);
    return {at_, existed};
  }

 private:
  [[noreturn]] void Fail(const RunTimeError& error) const {
    throw SystemError(directory_, kFilesDirectoryFailed, error);
  }

  // The levels of `path` go first, in their order; "." names the level it
  // is in.
  void Push(std::u16string_view path, bool linked) {
    std::vector<Level> levels;
    for (size_t start = 0; start <= path.size();) {
      size_t end = path.find(u'/', start);
      if (end == std::u16string_view::npos) end = path.size();
      const std::u16string_view level = path.substr(start, end - start);
      if (!level.empty() && level != u".") levels.push_back({std::u16string(level), linked});
      start = end + 1;
    }
    pending_.insert(pending_.end(), levels.rbegin(), levels.rend());
  }

  void FromRoot() {
    try {
      at_ = host_.files.OpenDirectory(u"/", LastLink::kRefuse);
    } catch (const RunTimeError& error) {
      Fail(error);
    }
    shown_.assign(1, u'/');  // GCC 12 takes a literal assigned here for an overlapping copy
  }

  // Opens the next level in the directory held; false when it is missing.
  bool Enter() {
    const std::optional<Directory::Status> holder = RefuseChangeable();
    const Level level = pending_.back();
    try {
      at_ = at_->OpenDirectory(level.name);
    } catch (const RunTimeError& error) {
      if (error.Number() == ELOOP) return Follow(level.name, holder);
      if (error.Number() == ENOENT && level.name != u".." && !level.linked) return false;
      // A file in a level's place is what making the level would find.
      const bool found_file = error.Number() == ENOTDIR && !level.linked;
      Fail(found_file ? RunTimeError::FromSystem(EEXIST) : error);
    }
    pending_.pop_back();
    shown_ = Below(level.name);
    return true;
  }

  // Walks what the link `name` of the directory held leads to in its
  // place: from the root for an absolute target, else from here.
  bool Follow(const std::u16string& name, const std::optional<Directory::Status>& holder) {
    if (++links_ > kMostLinks) Fail(RunTimeError::FromSystem(ELOOP));
    Directory::Link link;
    try {
      link = at_->ReadLink(name);
    } catch (const RunTimeError& error) {
      Fail(error);
    }
    // Root follows no link another user may have made: where others may add
    // entries (a sticky /tmp), only root's own. The kernel's
    // protected_symlinks draws the same line.
    if (holder && OthersMayAdd(*holder) && link.owner != 0) throw PathError(shown_, kChangeable);
    if (link.target.empty()) Fail(RunTimeError::FromSystem(ENOENT));
    pending_.pop_back();
    Push(link.target, true);
    if (link.target.front() == u'/') FromRoot();
    return true;
  }

  // The last level is shown as the user named it, as its files are.
  void Make(FileAccess access) {
    StopIfRequested();
    const std::u16string name = pending_.back().name;
    pending_.pop_back();
    const std::u16string path = pending_.empty() ? std::u16string(directory_) : Below(name);
    try {
      at_ = name == u".." ? std::shared_ptr<Directory>(at_->OpenDirectory(name))
                          : output_.MakeLevelIn(at_, shown_, name, path, access);
    } catch (const RunTimeError& error) {
      Fail(error);
    } catch (const std::bad_alloc&) {
      Fail(OutOfMemory());
    }
    shown_ = path;
  }

  // Root writes nowhere another user could change a level under it; the
  // status of the directory held, when it was looked at.
  std::optional<Directory::Status> RefuseChangeable() {
    if (!refuse_) return std::nullopt;
    Directory::Status status;
    try {
      status = at_->Stat();
    } catch (const RunTimeError& error) {
      throw SystemError(shown_, kFilesDirectoryFailed, error);
    }
    if (OthersMayChange(status)) throw PathError(shown_, kChangeable);
    return status;
  }

  // The path of `name` below the level held. The levels shown are those
  // reached, links read, so ".." is the level above, as the kernel takes it.
  std::u16string Below(const std::u16string& name) const {
    if (name == u"..") return ParentDirectory(shown_, PathStyle::kPosix);
    return BuildFileName2(shown_, name, PathStyle::kPosix);
  }

  Host& host_;
  ContainerOutput& output_;
  std::u16string_view directory_;
  bool refuse_;
  std::vector<Level> pending_;  // the next level last
  int links_ = 0;
  std::shared_ptr<Directory> at_;
  std::u16string shown_ = u"/";
};

}  // namespace

ReachedDirectory ReachOutputDirectory(Host& host, ContainerOutput& output,
                                      std::u16string_view directory, FileAccess access,
                                      bool refuseChangeable) {
  return Reach(host, output, directory, refuseChangeable).Open(access);
}

}  // namespace quillfen
