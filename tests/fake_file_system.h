#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/file_system.h"

namespace quillfen {

class FakeDirectory;

// An in-memory disk that records every call and fails any operation on any
// path on request, so that each failure branch runs without root tricks.
class FakeFileSystem : public FileSystem {
 public:
  enum class Op {
    kFullPath,
    kKind,
    kMakeDirectory,
    kReadFile,
    kWriteNewFile,
    kSyncDirectory,
    kRemove,
    kListDirectory,
    // Through a directory held open (host/directory.h).
    kOpenDirectory,
    kWrite,
    kFinishFile,
    kStat,
    kGiveTo,
    kReadLink
  };
  struct Call {
    Op op;
    CallForm form;
    std::u16string path;
  };

  explicit FakeFileSystem(PathStyle style = PathStyle::kPosix,
                          std::u16string working_directory = u"/work");

  void SetWinNT(bool win_nt) { win_nt_ = win_nt; }
  // Names that differ in letter case only are one name, as on Windows.
  void SetCaseInsensitive(bool on) { case_insensitive_ = on; }

  void AddDirectory(const std::u16string& path);
  void AddFile(const std::u16string& path, std::string contents);
  // A symbolic link to `target`: listed as one, read by a directory held
  // open, and nothing else here follows it.
  void AddLink(const std::u16string& path, std::u16string target = {});

  // `op` on `path` (as the caller passes it) fails with the errno `error`.
  void FailOn(Op op, const std::u16string& path, int error = 13);
  // The n-th call of any operation (1-based) fails with `error`.
  void FailCall(size_t n, int error = 5);
  // Runs `action` right after `op` on `path` succeeded: another process
  // that changes the disk between two calls of the program.
  void AfterCall(Op op, const std::u16string& path, std::function<void()> action);

  // Owners and modes, as a POSIX disk keeps them. What is made belongs to
  // the acting user, 0700 or 0600.
  void SetOwner(const std::u16string& path, uint32_t owner, uint32_t mode);
  void ActAs(uint32_t uid, uint32_t gid) { acting_ = {uid, gid}; }
  struct Owner {
    uint32_t uid = 0;
    uint32_t gid = 0;
    uint32_t mode = 0;
    bool operator==(const Owner&) const = default;
  };
  std::optional<Owner> OwnerOf(const std::u16string& path) const;

  const std::vector<Call>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

  // Everything on the disk: files with their contents, directories as
  // names ending in a separator with no contents.
  std::map<std::u16string, std::string> Snapshot() const;
  std::optional<std::string> FileContents(const std::u16string& path) const;
  bool IsDirectory(const std::u16string& path) const;
  // Who may read a file or directory the program made; nothing for any other
  // path.
  std::optional<FileAccess> AccessOf(const std::u16string& path) const;

  PathStyle Style() const override { return style_; }
  bool IsHostWinNT() const override { return win_nt_; }
  std::u16string FullPath(std::u16string_view path) override;
  // Narrow Windows calls hold characters up to U+00FF, as a Latin code page.
  bool Representable(std::u16string_view path, CallForm form) const override;
  FileKind Kind(std::u16string_view path, CallForm form) override;
  void MakeDirectory(std::u16string_view path, CallForm form,
                     FileAccess access = FileAccess::kOwnerOnly) override;
  std::unique_ptr<FileBytes> ReadFile(std::u16string_view path) override;
  void WriteNewFile(std::u16string_view path, std::span<const uint8_t> bytes,
                    FileAccess access = FileAccess::kOwnerOnly) override;
  void SyncDirectory(std::u16string_view path) override;
  void Remove(std::u16string_view path) override;
  // A link here leads nowhere: followed, it is missing.
  std::unique_ptr<Directory> OpenDirectory(std::u16string_view path, LastLink last) override;

 private:
  friend class FakeDirectory;
  friend class FakeNewFile;

  struct Node {
    Node() = default;
    Node(bool is_directory, std::string bytes, std::u16string created_as, bool is_link = false)
        : directory(is_directory),
          contents(std::move(bytes)),
          name(std::move(created_as)),
          link(is_link) {}

    bool directory = false;
    std::string contents;
    std::u16string name;  // as created, for snapshots
    bool link = false;
    std::u16string target;  // of a link
    Owner owner;
    uint64_t serial = 0;  // tells a node from one put in its place
    FileAccess access = FileAccess::kOwnerOnly;
  };

  std::vector<Entry> ListDirectory(std::u16string_view path);
  void Enter(Op op, CallForm form, std::u16string_view path);
  void After(Op op, std::u16string_view path);
  Node& Make(const std::u16string& key, Node node);
  // Makes the directory and tells which node it made, before anything
  // AfterCall() does to it.
  uint64_t MakeDirectoryNode(std::u16string_view path, CallForm form,
                             FileAccess access = FileAccess::kOwnerOnly);
  std::unique_ptr<FakeDirectory> OpenAt(const std::u16string& path);
  std::u16string Key(std::u16string_view path) const;
  std::u16string ParentKey(const std::u16string& key) const;
  bool IsRoot(const std::u16string& key) const;
  void RequireParentDirectory(const std::u16string& key) const;

  PathStyle style_;
  std::u16string working_directory_;
  bool win_nt_ = false;
  bool case_insensitive_ = false;
  std::map<std::u16string, Node> nodes_;
  std::map<std::pair<Op, std::u16string>, int> failing_errors_;
  std::map<std::pair<Op, std::u16string>, std::function<void()>> after_;
  Owner acting_;
  Node root_{true, {}, u"/"};
  uint64_t serial_ = 0;
  size_t fail_call_ = 0;
  int fail_call_error_ = 0;
  std::vector<Call> calls_;
};

}  // namespace quillfen
