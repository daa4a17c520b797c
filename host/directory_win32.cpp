#include <windows.h>

#include <algorithm>
#include <optional>

#include "host/windows_error.h"
#include "host/windows_files.h"

namespace quillfen {
namespace {

// What a reparse point (a symbolic link, a junction) leads to is never what
// the directory holds.
constexpr DWORD kNoReparse = FILE_FLAG_OPEN_REPARSE_POINT;

DWORD AttributesOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(handle, &information)) throw LastWindowsError();
  return information.dwFileAttributes;
}

class WindowsNewFile : public NewFile {
 public:
  WindowsNewFile(HANDLE handle, std::wstring path) : file_(handle), path_(std::move(path)) {}
  ~WindowsNewFile() override {
    if (finished_) return;
    file_.Close();
    ::DeleteFileW(path_.c_str());
  }

  void Write(std::span<const uint8_t> bytes) override {
    while (!bytes.empty()) {
      DWORD written = 0;
      const DWORD want = DWORD(std::min<size_t>(bytes.size(), 1u << 30));
      if (!::WriteFile(file_.get(), bytes.data(), want, &written, nullptr)) {
        throw LastWindowsError();
      }
      bytes = bytes.subspan(written);
    }
  }

  void Finish() override {
    if (!::FlushFileBuffers(file_.get())) throw LastWindowsError();
    file_.Close();
    finished_ = true;
  }

 private:
  WindowsHandle file_;
  std::wstring path_;
  bool finished_ = false;
};

// Windows has no calls relative to a directory handle; the handle, opened
// without FILE_SHARE_DELETE, keeps the directory from being renamed or
// removed while its path is used.
class WindowsDirectory : public Directory {
 public:
  WindowsDirectory(HANDLE pin, std::wstring path) : pin_(pin), path_(std::move(path)) {}

  std::vector<FileSystem::Entry> List() override {
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) throw LastWindowsError();
    std::vector<FileSystem::Entry> entries;
    using Kind = FileSystem::Entry::Kind;
    do {
      const std::wstring_view name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const DWORD attributes = found.dwFileAttributes;
      const Kind kind = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? Kind::kLink
                        : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? Kind::kDirectory
                                                                         : Kind::kFile;
      entries.push_back({std::u16string(name.begin(), name.end()), kind});
    } while (::FindNextFileW(search, &found));
    const DWORD error = ::GetLastError();
    ::FindClose(search);
    if (error != ERROR_NO_MORE_FILES) throw WindowsError(error);
    return entries;
  }

  std::unique_ptr<FileBytes> ReadFile(std::u16string_view name) override {
    WindowsHandle file(::CreateFileW(Below(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | kNoReparse,
                                     nullptr));
    if (!file.valid()) throw LastWindowsError();
    if ((AttributesOf(file.get()) & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) !=
        0) {
      throw WindowsError(ERROR_CANT_ACCESS_FILE);
    }
    return ReadOpenWindowsFile(file.get());
  }

  FileKind Kind(std::u16string_view name) override {
    const DWORD attributes = ::GetFileAttributesW(Below(name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return FileKind::kMissing;
      throw WindowsError(error);
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return FileKind::kOther;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kDirectory : FileKind::kOther;
  }

  std::unique_ptr<Directory> MakeDirectory(std::u16string_view name,
                                           FileAccess access = FileAccess::kOwnerOnly) override {
    const std::wstring path = Below(name);
    std::optional<OwnerOnly> security;
    if (access == FileAccess::kOwnerOnly)
      security.emplace(std::u16string(path.begin(), path.end()), true);
    if (!::CreateDirectoryW(path.c_str(), static_cast<SECURITY_ATTRIBUTES*>(
                                              security ? security->Attributes() : nullptr))) {
      throw LastWindowsError();
    }
    return OpenDirectory(name);
  }

  std::unique_ptr<Directory> OpenDirectory(std::u16string_view name) override {
    const std::wstring path = Below(name);
    return OpenWindowsDirectory(std::u16string(path.begin(), path.end()), LastLink::kRefuse);
  }

  // Windows walks no path link by link: the files go by path there.
  Link ReadLink(std::u16string_view) override { throw WindowsError(ERROR_NOT_SUPPORTED); }

  std::unique_ptr<NewFile> CreateNewFile(std::u16string_view name,
                                         FileAccess access = FileAccess::kOwnerOnly) override {
    const std::wstring path = Below(name);
    return CreateWindowsNewFile(std::u16string(path.begin(), path.end()), access);
  }

  // Windows offers no flush of a directory's entries that works everywhere;
  // NTFS keeps them in its journal.
  void Sync() override {}

  void Remove(std::u16string_view name, bool directory) override {
    const std::wstring path = Below(name);
    if (!(directory ? ::RemoveDirectoryW(path.c_str()) : ::DeleteFileW(path.c_str()))) {
      throw LastWindowsError();
    }
  }

  // Owners as numbers are POSIX's; the key store that needs them is too.
  Status Stat() override { throw WindowsError(ERROR_NOT_SUPPORTED); }
  void GiveTo(uint32_t, uint32_t) override { throw WindowsError(ERROR_NOT_SUPPORTED); }

 private:
  std::wstring Below(std::u16string_view name) const {
    if (name.empty() || name.find_first_of(u"\\/") != std::u16string_view::npos) {
      throw WindowsError(ERROR_INVALID_NAME);
    }
    const bool separated = path_.ends_with(L'\\') || path_.ends_with(L'/');
    return path_ + (separated ? L"" : L"\\") + WidePath(name);
  }

  WindowsHandle pin_;
  std::wstring path_;
};

}  // namespace

std::unique_ptr<Directory> OpenWindowsDirectory(std::u16string_view path, LastLink last) {
  std::wstring wide = WidePath(path);
  // "C:\" keeps its separator; "C:" alone would be the drive's working
  // directory.
  while (wide.size() > 1 && (wide.back() == L'\\' || wide.back() == L'/') &&
         wide[wide.size() - 2] != L':') {
    wide.pop_back();
  }
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (last == LastLink::kRefuse ? kNoReparse : 0);
  const HANDLE pin =
      ::CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, flags, nullptr);
  if (pin == INVALID_HANDLE_VALUE) throw LastWindowsError();
  auto directory = std::make_unique<WindowsDirectory>(pin, wide);
  const DWORD attributes = AttributesOf(pin);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) throw WindowsError(ERROR_DIRECTORY);
  if (last == LastLink::kRefuse && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    throw WindowsError(ERROR_CANT_ACCESS_FILE);
  }
  return directory;
}

std::unique_ptr<NewFile> CreateWindowsNewFile(std::u16string_view path, FileAccess access) {
  std::wstring wide = WidePath(path);
  // What everyone may read takes the folder's permissions.
  std::optional<OwnerOnly> security;
  if (access == FileAccess::kOwnerOnly) security.emplace(path, false);
  const HANDLE file =
      ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0,
                    static_cast<SECURITY_ATTRIBUTES*>(security ? security->Attributes() : nullptr),
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw LastWindowsError();
  return std::make_unique<WindowsNewFile>(file, std::move(wide));
}

}  // namespace quillfen
