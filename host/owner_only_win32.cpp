#include <windows.h>

#include <sddl.h>

#include "host/platform.h"
#include "host/windows_error.h"
#include "host/windows_files.h"

namespace quillfen {
namespace {

// False for a volume that keeps no permissions, such as a FAT flash drive.
// A volume that cannot be asked is taken to keep them: the permissions
// are then given, and such a volume ignores them.
bool KeepsPermissions(std::u16string_view path) {
  const std::wstring wide = WidePath(path);
  wchar_t root[MAX_PATH + 1];
  DWORD flags = 0;
  if (!::GetVolumePathNameW(wide.c_str(), root, MAX_PATH) ||
      !::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) {
    return true;
  }
  return (flags & FILE_PERSISTENT_ACLS) != 0;
}

}  // namespace

struct OwnerOnly::Held {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  SECURITY_ATTRIBUTES attributes{};
  ~Held() { ::LocalFree(descriptor); }
};

OwnerOnly::OwnerOnly(std::u16string_view path, bool directory) {
  if (!KeepsPermissions(path)) return;
  const std::optional<std::u16string> user = CurrentUserSid();
  if (!user) throw WindowsError(ERROR_NO_SUCH_USER);
  // Full access for the user, SYSTEM and the Administrators; "P" protects
  // the list from what the folder would pass on, and a directory passes it
  // on to its files ("OICI").
  const std::wstring inherit = directory ? L"OICI" : L"";
  std::wstring sddl = L"D:P";
  for (const std::wstring& who : {WidePath(*user), std::wstring(L"SY"), std::wstring(L"BA")}) {
    sddl += L"(A;" + inherit + L";FA;;;" + who + L")";
  }
  auto held = std::make_unique<Held>();
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &held->descriptor, nullptr)) {
    throw LastWindowsError();
  }
  held->attributes.nLength = sizeof held->attributes;
  held->attributes.lpSecurityDescriptor = held->descriptor;
  held->attributes.bInheritHandle = FALSE;
  held_ = std::move(held);
}

OwnerOnly::~OwnerOnly() = default;

void* OwnerOnly::Attributes() const { return held_ ? &held_->attributes : nullptr; }

}  // namespace quillfen
