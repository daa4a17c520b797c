// The in-memory disk's directories held open: each call is recorded and may
// fail as a call by path does, with the path of what it touches.
#include <cerrno>

#include "host/directory.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "tests/fake_file_system.h"

namespace quillfen {
namespace {

[[noreturn]] void Fail(int error) { throw RunTimeError::FromSystem(error); }

}  // namespace

// Writes into the node it made while that node is still in its place; a
// file not finished goes with it.
class FakeNewFile : public NewFile {
 public:
  FakeNewFile(FakeFileSystem& files, std::u16string path, uint64_t serial)
      : files_(files), path_(std::move(path)), serial_(serial) {}
  ~FakeNewFile() override {
    if (finished_) return;
    const auto found = files_.nodes_.find(files_.Key(path_));
    if (found != files_.nodes_.end() && found->second.serial == serial_) {
      files_.nodes_.erase(found);
    }
  }

  void Write(std::span<const uint8_t> bytes) override {
    files_.Enter(FakeFileSystem::Op::kWrite, CallForm::kWide, path_);
    // Straight from the bytes: appending a range of other characters builds
    // a copy first, a freed block that would hold whatever was written.
    Node().contents.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }

  void Finish() override {
    files_.Enter(FakeFileSystem::Op::kFinishFile, CallForm::kWide, path_);
    finished_ = true;
  }

 private:
  FakeFileSystem::Node& Node() {
    const auto found = files_.nodes_.find(files_.Key(path_));
    if (found == files_.nodes_.end() || found->second.serial != serial_) Fail(ENOENT);
    return found->second;
  }

  FakeFileSystem& files_;
  std::u16string path_;
  uint64_t serial_;
  bool finished_ = false;
};

class FakeDirectory : public Directory {
 public:
  FakeDirectory(FakeFileSystem& files, std::u16string path, uint64_t serial)
      : files_(files), path_(std::move(path)), serial_(serial) {}

  std::vector<FileSystem::Entry> List() override {
    Self();
    return files_.ListDirectory(path_);
  }

  std::unique_ptr<FileBytes> ReadFile(std::u16string_view name) override {
    const std::u16string path = Below(name);
    if (Found(path) != nullptr && Found(path)->link) {
      files_.Enter(FakeFileSystem::Op::kReadFile, CallForm::kWide, path);
      Fail(ELOOP);
    }
    return files_.ReadFile(path);
  }

  FileKind Kind(std::u16string_view name) override {
    const std::u16string path = Below(name);
    files_.Enter(FakeFileSystem::Op::kKind, CallForm::kWide, path);
    const auto* node = Found(path);
    if (node == nullptr) return FileKind::kMissing;
    return node->directory && !node->link ? FileKind::kDirectory : FileKind::kOther;
  }

  std::unique_ptr<Directory> MakeDirectory(std::u16string_view name,
                                           FileAccess access = FileAccess::kOwnerOnly) override {
    const std::u16string path = Below(name);
    const uint64_t made = files_.MakeDirectoryNode(path, CallForm::kWide, access);
    try {
      auto opened = Open(path);
      if (opened->serial_ != made) {
        throw RunTimeError(EEXIST, u"Another directory took the place of the one made");
      }
      return opened;
    } catch (const RunTimeError&) {
      const auto* node = Found(path);
      if (node != nullptr && node->directory && !node->link && Empty(path)) {
        files_.nodes_.erase(files_.Key(path));
      }
      throw;
    }
  }

  std::unique_ptr<Directory> OpenDirectory(std::u16string_view name) override {
    return Open(Below(name));
  }

  Link ReadLink(std::u16string_view name) override {
    const std::u16string path = Below(name);
    files_.Enter(FakeFileSystem::Op::kReadLink, CallForm::kWide, path);
    const auto* node = Found(path);
    if (node == nullptr) Fail(ENOENT);
    if (!node->link) Fail(EINVAL);
    return {node->target, node->owner.uid};
  }

  std::unique_ptr<NewFile> CreateNewFile(std::u16string_view name,
                                         FileAccess access = FileAccess::kOwnerOnly) override {
    const std::u16string path = Below(name);
    files_.Enter(FakeFileSystem::Op::kWriteNewFile, CallForm::kWide, path);
    if (Found(path) != nullptr) Fail(EEXIST);
    FakeFileSystem::Node node{false, {}, path};
    node.access = access;
    const uint64_t serial = files_.Make(files_.Key(path), std::move(node)).serial;
    auto file = std::make_unique<FakeNewFile>(files_, path, serial);
    files_.After(FakeFileSystem::Op::kWriteNewFile, path);
    return file;
  }

  void Sync() override {
    files_.Enter(FakeFileSystem::Op::kSyncDirectory, CallForm::kWide, path_);
    Self();
  }

  void Remove(std::u16string_view name, bool directory) override {
    const std::u16string path = Below(name);
    const auto* node = Found(path);
    if (node != nullptr && node->directory != directory && !node->link) {
      files_.Enter(FakeFileSystem::Op::kRemove, CallForm::kWide, path);
      Fail(directory ? ENOTDIR : EISDIR);
    }
    files_.Remove(path);
  }

  Status Stat() override {
    files_.Enter(FakeFileSystem::Op::kStat, CallForm::kWide, path_);
    const auto& owner = Self().owner;
    return {owner.uid, owner.mode};
  }

  void GiveTo(uint32_t uid, uint32_t gid) override {
    files_.Enter(FakeFileSystem::Op::kGiveTo, CallForm::kWide, path_);
    auto& owner = Self().owner;
    owner.uid = uid;
    owner.gid = gid;
  }

 private:
  std::u16string Below(std::u16string_view name) const {
    if (name.empty() || name.find(u'/') != std::u16string_view::npos) Fail(EINVAL);
    return BuildFileName2(path_, name, files_.Style());
  }

  const FakeFileSystem::Node* Found(const std::u16string& path) const {
    const auto found = files_.nodes_.find(files_.Key(path));
    return found == files_.nodes_.end() ? nullptr : &found->second;
  }

  bool Empty(const std::u16string& path) const {
    const std::u16string key = files_.Key(path);
    for (const auto& [other, node] : files_.nodes_) {
      if (other != key && files_.ParentKey(other) == key) return false;
    }
    return true;
  }

  // The directory this object holds, which must still be the one opened: a
  // real descriptor would go with it wherever it went.
  FakeFileSystem::Node& Self() {
    if (serial_ == 0) return files_.root_;
    const auto found = files_.nodes_.find(files_.Key(path_));
    if (found == files_.nodes_.end() || found->second.serial != serial_) Fail(ENOENT);
    return found->second;
  }

  std::unique_ptr<FakeDirectory> Open(const std::u16string& path) {
    files_.Enter(FakeFileSystem::Op::kOpenDirectory, CallForm::kWide, path);
    return files_.OpenAt(path);
  }

  FakeFileSystem& files_;
  std::u16string path_;
  uint64_t serial_;
};

std::unique_ptr<FakeDirectory> FakeFileSystem::OpenAt(const std::u16string& path) {
  if (IsRoot(Key(path))) return std::make_unique<FakeDirectory>(*this, path, 0);
  const auto found = nodes_.find(Key(path));
  if (found == nodes_.end()) Fail(ENOENT);
  if (found->second.link) Fail(ELOOP);
  if (!found->second.directory) Fail(ENOTDIR);
  return std::make_unique<FakeDirectory>(*this, path, found->second.serial);
}

std::unique_ptr<Directory> FakeFileSystem::OpenDirectory(std::u16string_view path, LastLink last) {
  Enter(Op::kOpenDirectory, CallForm::kWide, path);
  const auto found = nodes_.find(Key(path));
  if (last == LastLink::kFollow && found != nodes_.end() && found->second.link) Fail(ENOENT);
  return OpenAt(std::u16string(path));
}

}  // namespace quillfen
