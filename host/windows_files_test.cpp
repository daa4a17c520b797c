// Windows only: the guard of mapped views, the owner-only permissions of
// what the program creates, and files read without following reparse points.
#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/console.h"
#include "host/directory.h"
#include "host/platform.h"
#include "host/run_time_error.h"
#include "host/unicode.h"
#include "host/windows_files.h"

namespace quillfen {
namespace {

constexpr ULONG_PTR kDeviceNotConnected = 0xC000009Du;  // an NTSTATUS

// A fresh directory below the temporary one, removed with all it holds.
class WindowsTempDir {
 public:
  WindowsTempDir()
      : path_(std::filesystem::temp_directory_path() /
              ("quillfen-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
               std::to_string(::GetTickCount()))) {
    std::filesystem::create_directory(path_);
  }
  ~WindowsTempDir() { std::filesystem::remove_all(path_); }
  std::u16string operator/(const wchar_t* name) const { return U((path_ / name).wstring()); }
  std::u16string path() const { return U(path_.wstring()); }

 private:
  static std::u16string U(const std::wstring& text) { return {text.begin(), text.end()}; }
  std::filesystem::path path_;
};

std::wstring W(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// What no guard took: the tests' own last resort, so that a fault the guard
// lets pass is seen instead of ending the test program.
int passed_by = 0;
LONG CALLBACK LastResort(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode != EXCEPTION_IN_PAGE_ERROR) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  ++passed_by;
  return EXCEPTION_CONTINUE_EXECUTION;
}

void RaiseInPageError(const void* address) {
  const ULONG_PTR information[3] = {0, ULONG_PTR(address), kDeviceNotConnected};
  ::RaiseException(EXCEPTION_IN_PAGE_ERROR, 0, 3, information);
}

TEST(GuardedViewTest, AnInPageErrorInAViewIsAReadFailureNotACrash) {
  const void* last_resort = ::AddVectoredExceptionHandler(0, LastResort);
  ASSERT_NE(last_resort, nullptr);
  WindowsTempDir dir;
  const std::vector<uint8_t> bytes(3 * 65536, 'A');
  RealFileSystem().WriteNewFile(dir / L"export.reg", bytes);
  const struct {
    const char* name;
    bool inside;
  } cases[] = {{"inside the view", true}, {"elsewhere", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    passed_by = 0;
    const auto file = RealFileSystem().ReadFile(dir / L"export.reg");
    const std::string_view view = file->Bytes();
    ASSERT_EQ(view, std::string(bytes.size(), 'A'));
    const std::string elsewhere(16, 'B');
    RaiseInPageError(c.inside ? view.data() + 70000 : elsewhere.data());
    EXPECT_EQ(passed_by, c.inside ? 0 : 1);
    if (!c.inside) {
      EXPECT_NO_THROW(file->Verify());
      continue;
    }
    EXPECT_EQ(view, std::string(bytes.size(), '\0'));
    try {
      file->Verify();
      ADD_FAILURE() << "a view that failed passed";
    } catch (const RunTimeError& error) {
      EXPECT_EQ(error.Number(), ERROR_DEVICE_NOT_CONNECTED);
    }
  }
  ::RemoveVectoredExceptionHandler(const_cast<void*>(last_resort));
}

// The entries of a DACL: who, what access, how passed on.
struct Entry {
  std::wstring sid;
  DWORD mask;
  BYTE flags;
  bool operator==(const Entry&) const = default;
};

std::vector<Entry> Entries(PACL dacl) {
  std::vector<Entry> entries;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace)) continue;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    wchar_t* text = nullptr;
    if (::ConvertSidToStringSidW(PSID(&allowed->SidStart), &text)) {
      entries.push_back({text, allowed->Mask, allowed->Header.AceFlags});
      ::LocalFree(text);
    }
  }
  return entries;
}

// The entries of the DACL of `path`, and whether it keeps out what the
// folder passes on.
std::vector<Entry> Allowed(const std::u16string& path, bool* is_protected) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL dacl = nullptr;
  if (::GetNamedSecurityInfoW(W(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    ADD_FAILURE() << "no security information";
    return {};
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ::GetSecurityDescriptorControl(descriptor, &control, &revision);
  *is_protected = (control & SE_DACL_PROTECTED) != 0;
  std::vector<Entry> entries = Entries(dacl);
  ::LocalFree(descriptor);
  return entries;
}

std::vector<Entry> OwnerOnlyEntries(bool directory) {
  const std::wstring user = W(*CurrentUserSid());
  const BYTE flags = directory ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0;
  return {{user, FILE_ALL_ACCESS, flags},
          {L"S-1-5-18", FILE_ALL_ACCESS, flags},
          {L"S-1-5-32-544", FILE_ALL_ACCESS, flags}};
}

TEST(OwnerOnlyTest, TheOwnerSystemAndAdministratorsAloneNothingInherited) {
  WindowsTempDir dir;
  for (const bool directory : {false, true}) {
    SCOPED_TRACE(directory);
    const OwnerOnly security(dir.path(), directory);
    const auto* attributes = static_cast<SECURITY_ATTRIBUTES*>(security.Attributes());
    ASSERT_NE(attributes, nullptr);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(
        ::GetSecurityDescriptorControl(attributes->lpSecurityDescriptor, &control, &revision));
    EXPECT_NE(control & SE_DACL_PROTECTED, 0);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(
        ::GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(Entries(dacl), OwnerOnlyEntries(directory));
  }
}

// Read back from the disk; Wine keeps no security descriptor of a file, only
// POSIX modes made from it.
TEST(OwnerOnlyTest, WhatTheProgramMakesIsTheOwnersSystemsAndAdministratorsAlone) {
  if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
    GTEST_SKIP() << "Wine keeps no security descriptors of files";
  }
  WindowsTempDir dir;
  wchar_t root[MAX_PATH + 1];
  DWORD flags = 0;
  ASSERT_TRUE(::GetVolumePathNameW(W(dir.path()).c_str(), root, MAX_PATH));
  ASSERT_TRUE(::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0));
  if ((flags & FILE_PERSISTENT_ACLS) == 0) GTEST_SKIP() << "this volume keeps no permissions";
  FileSystem& files = RealFileSystem();
  const uint8_t bytes[] = {1};
  files.MakeDirectory(dir / L"c.000", CallForm::kWide);
  files.WriteNewFile(dir / L"c.000\\a.key", bytes);
  {
    const auto opened = files.OpenDirectory(dir.path(), LastLink::kFollow);
    const auto file = opened->CreateNewFile(u"c.reg");
    file->Write(bytes);
    file->Finish();
  }
  for (const wchar_t* made : {L"c.000", L"c.000\\a.key", L"c.reg"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(made)));
    bool is_protected = false;
    EXPECT_EQ(Allowed(dir / made, &is_protected), OwnerOnlyEntries(made == std::wstring(L"c.000")));
    EXPECT_TRUE(is_protected);
  }
}

TEST(WindowsDirectoryTest, AReparsePointInAFilesPlaceIsNotFollowed) {
  WindowsTempDir dir;
  const uint8_t bytes[] = {'s'};
  RealFileSystem().WriteNewFile(dir / L"secret", bytes);
  // Wine answers yes and makes nothing.
  const DWORD made =
      ::CreateSymbolicLinkW(W(dir / L"link.key").c_str(), W(dir / L"secret").c_str(), 0)
          ? ::GetFileAttributesW(W(dir / L"link.key").c_str())
          : INVALID_FILE_ATTRIBUTES;
  if (made == INVALID_FILE_ATTRIBUTES || (made & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    GTEST_SKIP() << "no symbolic links here";
  }
  const auto opened = RealFileSystem().OpenDirectory(dir.path(), LastLink::kFollow);
  try {
    opened->ReadFile(u"link.key");
    ADD_FAILURE() << "read through a link";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.Number(), ERROR_CANT_ACCESS_FILE);
  }
}

// A caller that gives the program no standard input at all: "-" has no
// line, as a closed input.
TEST(WindowsConsoleTest, AMissingStandardInputHasNoLine) {
  const HANDLE saved = ::GetStdHandle(STD_INPUT_HANDLE);
  ASSERT_TRUE(::SetStdHandle(STD_INPUT_HANDLE, nullptr));
  uint8_t line[16];
  InputLine read{99, false};
  try {
    read = RealConsole().ReadInputLine(line);
  } catch (const RunTimeError& error) {
    ADD_FAILURE() << ToUtf8(error.Description());
  }
  ::SetStdHandle(STD_INPUT_HANDLE, saved);
  EXPECT_EQ(read.length, 0u);
  EXPECT_TRUE(read.none);
}

}  // namespace
}  // namespace quillfen
#endif
