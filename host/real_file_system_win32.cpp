#include <windows.h>

#include <optional>
#include <string>

#include "host/platform.h"
#include "host/windows_error.h"
#include "host/windows_files.h"

namespace quillfen {
namespace {

std::wstring Wide(std::u16string_view text) { return WidePath(text); }

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

  void MakeDirectory(std::u16string_view path, CallForm form,
                     FileAccess access = FileAccess::kOwnerOnly) override {
    std::optional<OwnerOnly> security;
    if (access == FileAccess::kOwnerOnly) security.emplace(path, true);
    auto* attributes =
        static_cast<SECURITY_ATTRIBUTES*>(security ? security->Attributes() : nullptr);
    const BOOL made = form == CallForm::kWide
                          ? ::CreateDirectoryW(Wide(path).c_str(), attributes)
                          : ::CreateDirectoryA(NarrowOrThrow(path).c_str(), attributes);
    if (!made) throw LastWindowsError();
  }

  std::unique_ptr<FileBytes> ReadFile(std::u16string_view path) override {
    WindowsHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) throw LastWindowsError();
    return ReadOpenWindowsFile(file.get());
  }

  void WriteNewFile(std::u16string_view path, std::span<const uint8_t> bytes,
                    FileAccess access = FileAccess::kOwnerOnly) override {
    const auto file = CreateWindowsNewFile(path, access);
    file->Write(bytes);
    file->Finish();
  }

  // Windows offers no flush of a directory's entries that works everywhere;
  // NTFS keeps them in its journal.
  void SyncDirectory(std::u16string_view) override {}

  void Remove(std::u16string_view path) override {
    const std::wstring name = Wide(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    const bool directory =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!(directory ? ::RemoveDirectoryW(name.c_str()) : ::DeleteFileW(name.c_str()))) {
      throw LastWindowsError();
    }
  }

  std::unique_ptr<Directory> OpenDirectory(std::u16string_view path, LastLink last) override {
    return OpenWindowsDirectory(path, last);
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static WindowsFileSystem files;
  return files;
}

}  // namespace quillfen
