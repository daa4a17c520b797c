#pragma once

// Windows only: what the file system's calls share. Handles are HANDLEs,
// kept as void* so that no header needs <windows.h>.
#include <memory>
#include <string>
#include <string_view>

#include "host/directory.h"

namespace quillfen {

std::wstring WidePath(std::u16string_view path);

// An open HANDLE that closes when it goes.
class WindowsHandle {
 public:
  explicit WindowsHandle(void* handle) : handle_(handle) {}
  WindowsHandle(const WindowsHandle&) = delete;
  WindowsHandle& operator=(const WindowsHandle&) = delete;
  ~WindowsHandle() { Close(); }
  void* get() const { return handle_; }
  bool valid() const;
  void Close();

 private:
  void* handle_;
};

// The whole of the open regular file `handle`: mapped, guarded against pages
// the disk fails to deliver (see Verify()), or read where it cannot be.
std::unique_ptr<FileBytes> ReadOpenWindowsFile(void* handle);

// The permissions of what the program creates, as 0600 and 0700 are on
// POSIX: the owner, SYSTEM and the Administrators alone, nothing inherited
// from the folder; a directory passes them on to what is made inside. On a
// volume that keeps no permissions (FAT) Attributes() is null. Throws
// RunTimeError when the system cannot build them.
class OwnerOnly {
 public:
  OwnerOnly(std::u16string_view path, bool directory);
  OwnerOnly(const OwnerOnly&) = delete;
  OwnerOnly& operator=(const OwnerOnly&) = delete;
  ~OwnerOnly();
  // A SECURITY_ATTRIBUTES*, or null.
  void* Attributes() const;

 private:
  struct Held;
  std::unique_ptr<Held> held_;
};

// The directory `path` held open: it cannot be renamed or removed meanwhile.
std::unique_ptr<Directory> OpenWindowsDirectory(std::u16string_view path, LastLink last);

// Creates the file `path`, which must not exist yet, with OwnerOnly's
// permissions unless everyone may read it; it is removed unless finished.
std::unique_ptr<NewFile> CreateWindowsNewFile(std::u16string_view path, FileAccess access);

}  // namespace quillfen
