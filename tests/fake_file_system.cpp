#include "tests/fake_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cwctype>

#include "host/path_functions.h"
#include "host/run_time_error.h"

namespace quillfen {
namespace {

[[noreturn]] void Fail(int error) { throw RunTimeError::FromSystem(error); }

}  // namespace

FakeFileSystem::FakeFileSystem(PathStyle style, std::u16string working_directory)
    : style_(style), working_directory_(std::move(working_directory)) {
  AddDirectory(working_directory_);
}

void FakeFileSystem::AddDirectory(const std::u16string& path) {
  const std::u16string key = Key(path);
  if (IsRoot(key)) return;
  AddDirectory(ParentKey(key));
  if (nodes_.count(key) != 0 && nodes_[key].directory) return;
  Make(key, Node{true, {}, key});
}

void FakeFileSystem::AddFile(const std::u16string& path, std::string contents) {
  const std::u16string key = Key(path);
  AddDirectory(ParentKey(key));
  Make(key, Node{false, std::move(contents), key});
}

void FakeFileSystem::AddLink(const std::u16string& path, std::u16string target) {
  const std::u16string key = Key(path);
  AddDirectory(ParentKey(key));
  Make(key, Node{false, {}, key, true}).target = std::move(target);
}

FakeFileSystem::Node& FakeFileSystem::Make(const std::u16string& key, Node node) {
  node.owner = {acting_.uid, acting_.gid, node.directory ? 0700u : 0600u};
  node.serial = ++serial_;
  return nodes_[key] = std::move(node);
}

void FakeFileSystem::SetOwner(const std::u16string& path, uint32_t owner, uint32_t mode) {
  Owner& set = nodes_.at(Key(path)).owner;
  set = {owner, owner, mode};
}

std::optional<FakeFileSystem::Owner> FakeFileSystem::OwnerOf(const std::u16string& path) const {
  const auto found = nodes_.find(Key(path));
  if (found == nodes_.end()) return std::nullopt;
  return found->second.owner;
}

void FakeFileSystem::AfterCall(Op op, const std::u16string& path, std::function<void()> action) {
  after_[{op, Key(path)}] = std::move(action);
}

void FakeFileSystem::After(Op op, std::u16string_view path) {
  // What succeeded must not fail afterwards for want of memory here.
  if (after_.empty()) return;
  const auto found = after_.find({op, Key(path)});
  if (found == after_.end()) return;
  const auto action = std::move(found->second);
  after_.erase(found);
  action();
}

void FakeFileSystem::FailOn(Op op, const std::u16string& path, int error) {
  failing_errors_[{op, Key(path)}] = error;
}

void FakeFileSystem::FailCall(size_t n, int error) {
  fail_call_ = n;
  fail_call_error_ = error;
}

void FakeFileSystem::Enter(Op op, CallForm form, std::u16string_view path) {
  calls_.push_back(Call{op, form, std::u16string(path)});
  // What a real narrow call would make of it: another name, or none.
  if (!Representable(path, form)) Fail(EILSEQ);
  if (fail_call_ != 0 && calls_.size() == fail_call_) Fail(fail_call_error_);
  const auto failing = failing_errors_.find({op, Key(path)});
  if (failing != failing_errors_.end()) Fail(failing->second);
}

std::u16string FakeFileSystem::Key(std::u16string_view path) const {
  std::u16string key(path);
  if (style_ == PathStyle::kPosix) {
    // Relative names count from the working directory; with no links here,
    // "." and ".." resolve as the kernel would resolve them.
    key = NormalizePosixPath(working_directory_, key);
  } else {
    const auto prefix_is = [&](std::u16string_view prefix) {
      if (key.size() < prefix.size()) return false;
      for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::towupper(key[i]) != std::towupper(prefix[i])) return false;
      }
      return true;
    };
    if (prefix_is(u"\\\\?\\UNC\\")) {
      key = u"\\\\" + key.substr(8);
    } else if (prefix_is(u"\\\\?\\")) {
      key = key.substr(4);
    }
  }
  if (case_insensitive_) {
    for (auto& c : key) {
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
  }
  return key;
}

std::u16string FakeFileSystem::ParentKey(const std::u16string& key) const {
  const size_t end = style_ == PathStyle::kWindows ? key.find_last_of(u"\\/") : key.rfind(u'/');
  if (end == std::u16string::npos) return u"";
  if (end == 0) return u"/";
  return key.substr(0, end);
}

bool FakeFileSystem::IsRoot(const std::u16string& key) const {
  if (key.empty() || key == u"/") return true;
  if (style_ == PathStyle::kPosix) return false;
  if (key.size() == 2 && key[1] == u':') return true;
  if (!key.starts_with(u"\\\\")) return false;
  // \\server\share
  return std::count(key.begin() + 2, key.end(), u'\\') == 1 && key.back() != u'\\';
}

void FakeFileSystem::RequireParentDirectory(const std::u16string& key) const {
  const std::u16string parent = ParentKey(key);
  if (IsRoot(parent)) return;
  const auto found = nodes_.find(parent);
  if (found == nodes_.end()) Fail(ENOENT);
  if (!found->second.directory) Fail(ENOTDIR);
}

std::map<std::u16string, std::string> FakeFileSystem::Snapshot() const {
  std::map<std::u16string, std::string> snapshot;
  for (const auto& [key, node] : nodes_) {
    snapshot[node.directory ? node.name + u"/" : node.name] = node.contents;
  }
  return snapshot;
}

std::optional<std::string> FakeFileSystem::FileContents(const std::u16string& path) const {
  const auto found = nodes_.find(Key(path));
  if (found == nodes_.end() || found->second.directory) return std::nullopt;
  return found->second.contents;
}

bool FakeFileSystem::IsDirectory(const std::u16string& path) const {
  const std::u16string key = Key(path);
  if (IsRoot(key)) return true;
  const auto found = nodes_.find(key);
  return found != nodes_.end() && found->second.directory;
}

std::u16string FakeFileSystem::FullPath(std::u16string_view path) {
  Enter(Op::kFullPath, CallForm::kWide, path);
  if (path.empty()) return {};
  if (style_ == PathStyle::kPosix) {
    return path.front() == u'/' ? std::u16string(path)
                                : working_directory_ + u"/" + std::u16string(path);
  }
  if (path.starts_with(u"\\\\") || (path.size() >= 2 && path[1] == u':')) {
    return std::u16string(path);
  }
  return working_directory_ + u"\\" + std::u16string(path);
}

bool FakeFileSystem::Representable(std::u16string_view path, CallForm form) const {
  if (style_ == PathStyle::kPosix || form == CallForm::kWide) return true;
  return std::all_of(path.begin(), path.end(), [](char16_t c) { return c <= 0xFF; });
}

FileKind FakeFileSystem::Kind(std::u16string_view path, CallForm form) {
  Enter(Op::kKind, form, path);
  const std::u16string key = Key(path);
  if (IsRoot(key) && !key.empty()) return FileKind::kDirectory;
  const auto found = nodes_.find(key);
  if (found == nodes_.end()) return FileKind::kMissing;
  return found->second.directory ? FileKind::kDirectory : FileKind::kOther;
}

void FakeFileSystem::MakeDirectory(std::u16string_view path, CallForm form, FileAccess access) {
  MakeDirectoryNode(path, form, access);
}

uint64_t FakeFileSystem::MakeDirectoryNode(std::u16string_view path, CallForm form,
                                           FileAccess access) {
  Enter(Op::kMakeDirectory, form, path);
  const std::u16string key = Key(path);
  if (IsRoot(key) || nodes_.count(key) != 0) Fail(EEXIST);
  RequireParentDirectory(key);
  Node& made = Make(key, Node{true, {}, std::u16string(path)});
  made.access = access;
  if (access == FileAccess::kEveryoneReads) made.owner.mode = 0755;
  const uint64_t serial = made.serial;
  After(Op::kMakeDirectory, path);
  return serial;
}

std::unique_ptr<FileBytes> FakeFileSystem::ReadFile(std::u16string_view path) {
  Enter(Op::kReadFile, CallForm::kWide, path);
  const auto found = nodes_.find(Key(path));
  if (found == nodes_.end()) Fail(ENOENT);
  if (found->second.directory) Fail(EISDIR);
  return std::make_unique<OwnedFileBytes>(found->second.contents);
}

void FakeFileSystem::WriteNewFile(std::u16string_view path, std::span<const uint8_t> bytes,
                                  FileAccess access) {
  Enter(Op::kWriteNewFile, CallForm::kWide, path);
  const std::u16string key = Key(path);
  if (IsRoot(key) || nodes_.count(key) != 0) Fail(EEXIST);
  RequireParentDirectory(key);
  Node node{false, std::string(bytes.begin(), bytes.end()), std::u16string(path)};
  node.access = access;
  Make(key, std::move(node));
  After(Op::kWriteNewFile, path);
}

std::optional<FileAccess> FakeFileSystem::AccessOf(const std::u16string& path) const {
  const auto found = nodes_.find(Key(path));
  if (found == nodes_.end() || found->second.link) return std::nullopt;
  return found->second.access;
}

void FakeFileSystem::SyncDirectory(std::u16string_view path) {
  Enter(Op::kSyncDirectory, CallForm::kWide, path);
  if (!IsDirectory(std::u16string(path))) Fail(ENOENT);
  After(Op::kSyncDirectory, path);
}

std::vector<FileSystem::Entry> FakeFileSystem::ListDirectory(std::u16string_view path) {
  Enter(Op::kListDirectory, CallForm::kWide, path);
  const std::u16string key = Key(path);
  if (!IsDirectory(key)) Fail(ENOTDIR);
  std::vector<Entry> entries;
  for (const auto& [other, node] : nodes_) {
    if (other == key || ParentKey(other) != key) continue;
    const Entry::Kind kind = node.link        ? Entry::Kind::kLink
                             : node.directory ? Entry::Kind::kDirectory
                                              : Entry::Kind::kFile;
    const size_t separator =
        style_ == PathStyle::kWindows ? node.name.find_last_of(u"\\/") : node.name.rfind(u'/');
    entries.push_back({node.name.substr(separator + 1), kind});
  }
  After(Op::kListDirectory, path);
  return entries;
}

void FakeFileSystem::Remove(std::u16string_view path) {
  Enter(Op::kRemove, CallForm::kWide, path);
  const std::u16string key = Key(path);
  const auto found = nodes_.find(key);
  if (found == nodes_.end()) Fail(ENOENT);
  if (found->second.directory) {
    for (const auto& [other, node] : nodes_) {
      if (other != key && ParentKey(other) == key) Fail(ENOTEMPTY);
    }
  }
  nodes_.erase(found);
}

}  // namespace quillfen
