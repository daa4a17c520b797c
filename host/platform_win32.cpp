#include <windows.h>

#include <commctrl.h>
#include <sddl.h>

#include <string>

#include "app_identity.h"
#include "host/path_functions.h"
#include "host/platform.h"
#include "host/text_decoder.h"
#include "host/windows_error.h"

namespace quillfen {
namespace {

const wchar_t* Wide(std::u16string_view text) {
  return reinterpret_cast<const wchar_t*>(text.data());
}

HICON MainIcon(int size) {
  return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), L"A_MAIN", IMAGE_ICON, size,
                                         size, LR_DEFAULTCOLOR));
}

// A message box has no window of ours to take an icon from, so the program's
// icon is given to each box as it is activated.
LRESULT CALLBACK GiveBoxTheIcon(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE) {
    const HWND box = reinterpret_cast<HWND>(wparam);
    ::SendMessageW(box, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(MainIcon(32)));
    ::SendMessageW(box, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(MainIcon(16)));
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

class MessageBoxMessenger : public Messenger {
 public:
  void Show(std::u16string_view caption, std::u16string_view text, MessageStyle style) override {
    const std::u16string caption_text(caption);
    const std::u16string prompt(text);
    const HHOOK hook = ::SetWindowsHookExW(WH_CBT, GiveBoxTheIcon, nullptr, ::GetCurrentThreadId());
    ::MessageBoxW(nullptr, Wide(prompt), Wide(caption_text),
                  MB_OK | static_cast<UINT>(style) | MB_SETFOREGROUND);
    if (hook != nullptr) ::UnhookWindowsHookEx(hook);
  }
};

}  // namespace

RunTimeError WindowsError(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string description;
  if (length != 0 && buffer != nullptr) {
    description.assign(reinterpret_cast<const char16_t*>(buffer), length);
    ::LocalFree(buffer);
  }
  while (!description.empty() && (description.back() == u'\r' || description.back() == u'\n' ||
                                  description.back() == u' ' || description.back() == u'.')) {
    description.pop_back();
  }
  if (description.empty()) description = u"Unknown error";
  return RunTimeError(static_cast<int>(code), description);
}

RunTimeError LastWindowsError() { return WindowsError(::GetLastError()); }

void RegisterAppPath() {}

// Standard handles are no numbers a file could take; a missing one reads as
// empty where it is read.
void OpenClosedStandardDescriptors() {}

void InitializeCommonControls() { ::InitCommonControls(); }

// There is no main window; message boxes get the icon as they open.
void SetMainWindowIcon() {}

// Read back from the program's version resource, which the build writes from
// the same definition as the constants that stand in when it cannot be read.
const VersionInfo& AppVersionInfo() {
  static const VersionInfo info = [] {
    VersionInfo read{kAppVersionMajor, kAppVersionMinor, kAppVersionRevision, kAppCopyright};
    wchar_t path[MAX_PATH];
    if (::GetModuleFileNameW(nullptr, path, MAX_PATH) == 0) return read;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    std::string block(size, '\0');
    if (size == 0 || !::GetFileVersionInfoW(path, 0, size, block.data())) return read;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
        fixed != nullptr) {
      read.major = HIWORD(fixed->dwFileVersionMS);
      read.minor = LOWORD(fixed->dwFileVersionMS);
      read.revision = HIWORD(fixed->dwFileVersionLS);
    }
    wchar_t* copyright = nullptr;
    if (::VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\LegalCopyright",
                         reinterpret_cast<void**>(&copyright), &length) &&
        copyright != nullptr && length > 1) {
      read.copyright.assign(copyright, copyright + length - 1);
    }
    return read;
  }();
  return info;
}

std::u16string ExecutableName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0) throw LastWindowsError();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return ExecutableNameFromPath(std::u16string(path.begin(), path.end()));
}

const std::array<char16_t, 128>& AnsiHighHalf() {
  static const std::array<char16_t, 128> table = [] {
    std::array<char16_t, 128> high{};
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
      const char narrow = static_cast<char>(byte);
      wchar_t wide = 0;
      if (::MultiByteToWideChar(CP_ACP, 0, &narrow, 1, &wide, 1) != 1) wide = 0xFFFD;
      high[byte - 0x80] = static_cast<char16_t>(wide);
    }
    return high;
  }();
  return table;
}

// Large pages need a privilege that programs rarely hold; the hint is moot.
void AdviseHugePages(void*, size_t) {}

// The registry is Windows' key store: there is none to install into.
Accounts* RealAccounts() { return nullptr; }

std::optional<std::u16string> CurrentUserSid() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  std::optional<std::u16string> sid;
  if (size != 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    wchar_t* text = nullptr;
    if (::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
      sid = std::u16string(text, text + wcslen(text));
      ::LocalFree(text);
    }
  }
  ::CloseHandle(token);
  return sid;
}

Messenger& DefaultMessenger() {
  static MessageBoxMessenger messenger;
  return messenger;
}

}  // namespace quillfen
