#include <windows.h>

#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "host/guarded_ranges.h"
#include "host/windows_error.h"
#include "host/windows_files.h"

namespace quillfen {
namespace {

// A mapped file whose pages the disk fails to deliver (a flash drive pulled
// out, a network share gone) raises EXCEPTION_IN_PAGE_ERROR where it is
// read. Instead of the program ending without a word, the handler puts zeros
// in the view's place and marks it; the reader runs on over the zeros and
// Verify() then turns the mark into a read failure before anything is
// decided on them, as on POSIX.
LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  if (record->ExceptionCode != EXCEPTION_IN_PAGE_ERROR || record->NumberParameters < 2) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  const uintptr_t address = record->ExceptionInformation[1];
  for (GuardedRange& slot : GuardedRanges::All()) {
    const uintptr_t begin = slot.begin, end = slot.end;
    if (address < begin || address >= end || slot.damaged) continue;
    // A view gives way as a whole: zeros at the same address, read-only.
    void* base = reinterpret_cast<void*>(begin);
    if (!::UnmapViewOfFile(base) ||
        ::VirtualAlloc(base, end - begin, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY) != base) {
      break;
    }
    // The NTSTATUS of the failed read.
    slot.status = record->NumberParameters >= 3 ? long(record->ExceptionInformation[2]) : 0;
    slot.damaged = true;
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// False when the handler could not be installed; views then go unguarded.
bool HandlerInstalled() {
  static const bool installed = ::AddVectoredExceptionHandler(1, OnException) != nullptr;
  return installed;
}

class MappedView : public FileBytes {
 public:
  MappedView(const void* address, size_t size)
      : FileBytes(std::string_view(static_cast<const char*>(address), size)) {
    guarded_ = HandlerInstalled() && GuardedRanges::Add(bytes_.data(), size, &slot_);
  }
  ~MappedView() override {
    void* base = const_cast<char*>(bytes_.data());
    if (guarded_ && GuardedRanges::At(slot_).damaged) {
      ::VirtualFree(base, 0, MEM_RELEASE);
    } else {
      ::UnmapViewOfFile(base);
    }
    if (guarded_) GuardedRanges::Remove(slot_);
  }

  void Verify() const override {
    if (!guarded_ || !GuardedRanges::At(slot_).damaged) return;
    const long status = GuardedRanges::At(slot_).status;
    const ULONG error = status != 0 ? ::RtlNtStatusToDosError(status) : ERROR_READ_FAULT;
    throw WindowsError(error != 0 ? error : ERROR_READ_FAULT);
  }

 private:
  bool guarded_ = false;
  size_t slot_ = 0;
};

}  // namespace

std::wstring WidePath(std::u16string_view path) { return std::wstring(path.begin(), path.end()); }

bool WindowsHandle::valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

void WindowsHandle::Close() {
  if (valid()) ::CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

std::unique_ptr<FileBytes> ReadOpenWindowsFile(void* handle) {
  // Pipes and devices would block or never end.
  if (::GetFileType(handle) != FILE_TYPE_DISK) throw WindowsError(ERROR_INVALID_FUNCTION);
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(handle, &size)) throw LastWindowsError();
  if (uint64_t(size.QuadPart) > SIZE_MAX) throw WindowsError(ERROR_NOT_ENOUGH_MEMORY);
  if (size.QuadPart == 0) return std::make_unique<FileBytes>();
  WindowsHandle mapping(::CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr));
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
    if (!::ReadFile(handle, buffer.data() + filled, want, &got, nullptr)) throw LastWindowsError();
    if (got == 0) break;
    filled += got;
  }
  buffer.resize(filled);
  return std::make_unique<OwnedFileBytes>(std::move(buffer));
}

}  // namespace quillfen
