#pragma once

#include <optional>
#include <string>

#include "host/accounts.h"
#include "host/file_system.h"
#include "host/message.h"

namespace quillfen {

// The host's side of start-up. On POSIX there is no shell registration, no
// common controls and no window, so the first three do nothing there.
void RegisterAppPath();
void InitializeCommonControls();
void SetMainWindowIcon();

// Standard input, output and error that the caller closed are taken by the
// null device, so that no file of the run gets their numbers: a password
// read from "-" then reads nothing, and a message written there still
// fails, since the device is open for reading only. Windows has no
// numbers to give away; a handle that is not there reads as empty.
void OpenClosedStandardDescriptors();

// True when running inside a development environment: never, for us.
inline bool IsInIDE() { return false; }

// The version numbers and the copyright line of the program's version
// information.
struct VersionInfo {
  int major;
  int minor;
  int revision;
  std::u16string copyright;
};
const VersionInfo& AppVersionInfo();

// The running program's file name, without directory and extension.
std::u16string ExecutableName();
#ifndef _WIN32
// Where POSIX learns the program's path: argv[0], as the user called it.
void SetProgramPath(std::u16string_view argv0);
#endif

// Asks the system to back the whole 2 MiB pages inside [address, address +
// size) with huge pages, where it has them; a hint, never a failure.
void AdviseHugePages(void* address, size_t size);

FileSystem& RealFileSystem();
// The system's users; none on Windows.
Accounts* RealAccounts();
// The SID of the user running the program, as text (S-1-5-21-...); nothing
// where users have none, as on POSIX.
std::optional<std::u16string> CurrentUserSid();
Messenger& DefaultMessenger();

}  // namespace quillfen
