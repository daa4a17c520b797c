#include <windows.h>

#include <optional>
#include <string>

#include "host/platform.h"
#include "host/windows_error.h"

namespace quillfen {
namespace {

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// The path in the ANSI code page, for the narrow calls; nothing when the code
// page cannot hold it. Without WC_NO_BEST_FIT_CHARS a missing character
// becomes a look-alike (U+0100 becomes "A"), and a directory would be made
// under a name that the rest of the program, using wide calls, never finds.
std::optional<std::string> Narrow(std::u16string_view text) {
  const std::wstring wide = Wide(text);
  if (wide.empty()) return std::string();
  // A UTF-8 code page holds everything and refuses the default-character
  // question.
  const bool utf8 = ::GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* ask = utf8 ? nullptr : &defaulted;
  const int size =
      ::WideCharToMultiByte(CP_ACP, flags, wide.data(), int(wide.size()), nullptr, 0, nullptr, ask);
  if (size <= 0 || defaulted) return std::nullopt;
  std::string narrow(size_t(size), '\0');
  ::WideCharToMultiByte(CP_ACP, flags, wide.data(), int(wide.size()), narrow.data(), size, nullptr,
                        nullptr);
  return narrow;
}

// The narrow name of `path`, or the failure a narrow call would report.
std::string NarrowOrThrow(std::u16string_view path) {
  std::optional<std::string> narrow = Narrow(path);
  if (!narrow) throw WindowsError(ERROR_NO_UNICODE_TRANSLATION);
  return std::move(*narrow);
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  void Close() {
    if (valid()) ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

 private:
  HANDLE handle_;
};

class MappedView : public FileBytes {
 public:
  MappedView(const void* address, size_t size)
      : FileBytes(std::string_view(static_cast<const char*>(address), size)) {}
  ~MappedView() override { ::UnmapViewOfFile(bytes_.data()); }
};

class WindowsFileSystem : public FileSystem {
 public:
  PathStyle Style() const override { return PathStyle::kWindows; }

  bool IsHostWinNT() const override { return (::GetVersion() & 0x80000000u) == 0; }

  std::u16string FullPath(std::u16string_view path) override {
    if (path.empty()) return {};
    const std::wstring wide = Wide(path);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length =
          ::GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr);
      if (length == 0) throw LastWindowsError();
      if (length < full.size()) {
        full.resize(length);
        return std::u16string(full.begin(), full.end());
      }
      full.resize(length);
    }
  }

  bool Representable(std::u16string_view path, CallForm form) const override {
    return form == CallForm::kWide || Narrow(path).has_value();
  }

  FileKind Kind(std::u16string_view path, CallForm form) override {
    const DWORD attributes = form == CallForm::kWide
                                 ? ::GetFileAttributesW(Wide(path).c_str())
                                 : ::GetFileAttributesA(NarrowOrThrow(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kDirectory : FileKind::kOther;
    }
    switch (const DWORD error = ::GetLastError()) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_INVALID_NAME:
      case ERROR_BAD_PATHNAME:
      case ERROR_FILENAME_EXCED_RANGE:
      case ERROR_DIRECTORY:
        return FileKind::kMissing;
      default:
        throw WindowsError(error);
    }
  }

  void MakeDirectory(std::u16string_view path, CallForm form) override {
    const BOOL made = form == CallForm::kWide
                          ? ::CreateDirectoryW(Wide(path).c_str(), nullptr)
                          : ::CreateDirectoryA(NarrowOrThrow(path).c_str(), nullptr);
    if (!made) throw LastWindowsError();
  }

  std::unique_ptr<FileBytes> ReadFile(std::u16string_view path) override {
    Handle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) throw LastWindowsError();
    // Pipes and devices would block or never end.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) throw WindowsError(ERROR_INVALID_FUNCTION);
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size)) throw LastWindowsError();
    if (uint64_t(size.QuadPart) > SIZE_MAX) throw WindowsError(ERROR_NOT_ENOUGH_MEMORY);
    if (size.QuadPart == 0) return std::make_unique<FileBytes>();
    Handle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping.valid()) {
      if (const void* view = ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0)) {
        return std::make_unique<MappedView>(view, size_t(size.QuadPart));
      }
    }
    // Where the address space has no room for a view, read into memory.
    std::string buffer(size_t(size.QuadPart), '\0');
    size_t filled = 0;
    while (filled < buffer.size()) {
      DWORD got = 0;
      const DWORD want = DWORD(std::min<size_t>(buffer.size() - filled, 1u << 30));
      if (!::ReadFile(file.get(), buffer.data() + filled, want, &got, nullptr)) {
        throw LastWindowsError();
      }
      if (got == 0) break;
      filled += got;
    }
    buffer.resize(filled);
    return std::make_unique<OwnedFileBytes>(std::move(buffer));
  }

  void WriteNewFile(std::u16string_view path, std::span<const uint8_t> bytes,
                    FileAccess = FileAccess::kOwnerOnly) override {
    const std::wstring name = Wide(path);
    Handle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) throw LastWindowsError();
    DWORD error = ERROR_SUCCESS;
    while (!bytes.empty() && error == ERROR_SUCCESS) {
      DWORD written = 0;
      const DWORD want = DWORD(std::min<size_t>(bytes.size(), 1u << 30));
      if (!::WriteFile(file.get(), bytes.data(), want, &written, nullptr)) {
        error = ::GetLastError();
      }
      bytes = bytes.subspan(written);
    }
    if (error == ERROR_SUCCESS && !::FlushFileBuffers(file.get())) error = ::GetLastError();
    if (error != ERROR_SUCCESS) {
      file.Close();
      ::DeleteFileW(name.c_str());
      throw WindowsError(error);
    }
  }

  // Windows offers no flush of a directory's entries that works everywhere;
  // NTFS keeps them in its journal.
  void SyncDirectory(std::u16string_view) override {}

  std::vector<Entry> ListDirectory(std::u16string_view path) override {
    std::wstring pattern = Wide(path);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) throw LastWindowsError();
    std::vector<Entry> entries;
    DWORD error = ERROR_SUCCESS;
    do {
      const std::wstring_view name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const DWORD attributes = found.dwFileAttributes;
      const Entry::Kind kind = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? Entry::Kind::kLink
                               : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                                   ? Entry::Kind::kDirectory
                                   : Entry::Kind::kFile;
      entries.push_back({std::u16string(name.begin(), name.end()), kind});
    } while (::FindNextFileW(search, &found));
    error = ::GetLastError();
    ::FindClose(search);
    if (error != ERROR_NO_MORE_FILES) throw WindowsError(error);
    return entries;
  }

  void Remove(std::u16string_view path) override {
    const std::wstring name = Wide(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    const bool directory =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!(directory ? ::RemoveDirectoryW(name.c_str()) : ::DeleteFileW(name.c_str()))) {
      throw LastWindowsError();
    }
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static WindowsFileSystem files;
  return files;
}

}  // namespace quillfen
