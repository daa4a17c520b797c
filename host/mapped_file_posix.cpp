#include "host/mapped_file_posix.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "host/file_descriptor.h"
#include "host/guarded_ranges.h"
#include "host/run_time_error.h"

namespace quillfen {
namespace {

// A mapped file that another process shortens, or whose pages the disk fails
// to deliver, raises SIGBUS where it is read. Instead of the process dying
// without a word, the handler puts zeros where the missing pages were and
// marks the mapping; the reader runs on over the zeros and Verify() then
// turns the mark into a read failure before anything is decided on them.
//
// getpagesize, not sysconf: a call of sysconf makes Debian's package tools
// ask for glibc 2.34 (its new stack-size names), where the packages must
// install on 2.28.
void OnBusError(int, siginfo_t* info, void*) {
  static const uintptr_t page = uintptr_t(::getpagesize());
  const uintptr_t address = uintptr_t(info->si_addr);
  for (GuardedRange& slot : GuardedRanges::All()) {
    const uintptr_t begin = slot.begin, end = slot.end;
    if (address < begin || address >= end) continue;
    // Everything from the fault on is likely gone too: one call, not one
    // signal per page.
    const uintptr_t from = address / page * page;
    const uintptr_t to = (end + page - 1) / page * page;
    if (::mmap(reinterpret_cast<void*>(from), to - from, PROT_READ,
               MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) {
      break;
    }
    slot.damaged = true;
    return;
  }
  // Not ours: the default action ends the process when the access repeats.
  ::signal(SIGBUS, SIG_DFL);
}

// False when the handler could not be installed; mappings then go
// unguarded.
bool HandlerInstalled() {
  static const bool installed = [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, nullptr) == 0;
  }();
  return installed;
}

// A file mapped into memory. Its pages come from the page cache and go back
// to it: nothing is copied, and nothing needs clearing.
class MappedBytes : public FileBytes {
 public:
  MappedBytes(void* address, size_t size, int fd)
      : FileBytes(std::string_view(static_cast<const char*>(address), size)), file_(::dup(fd)) {
    ::madvise(address, size, MADV_SEQUENTIAL);
    guarded_ = HandlerInstalled() && GuardedRanges::Add(bytes_.data(), size, &slot_);
  }
  ~MappedBytes() override {
    ::munmap(const_cast<char*>(bytes_.data()), bytes_.size());
    if (guarded_) GuardedRanges::Remove(slot_);
  }

  // Only whole pages inside the range go.
  void Evict(size_t begin, size_t end) override {
    static const size_t page = static_cast<size_t>(::getpagesize());
    begin = (begin + page - 1) / page * page;
    end = std::min(end, bytes_.size()) / page * page;
    if (begin >= end) return;
    ::madvise(const_cast<char*>(bytes_.data()) + begin, end - begin, MADV_DONTNEED);
  }

  void Verify() const override {
    if (!guarded_ || !GuardedRanges::At(slot_).damaged) return;
    struct stat info;
    if (file_.get() >= 0 && ::fstat(file_.get(), &info) == 0 &&
        uint64_t(info.st_size) < bytes_.size()) {
      throw RunTimeError(EIO, u"The file was cut short while it was read");
    }
    throw RunTimeError::FromSystem(EIO);
  }

 private:
  FileDescriptor file_;  // kept to tell a shortened file from a failing disk
  bool guarded_ = false;
  size_t slot_ = 0;
};

}  // namespace

std::unique_ptr<FileBytes> MapFile(int fd, size_t size) {
  void* address = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (address == MAP_FAILED) return nullptr;
  return std::make_unique<MappedBytes>(address, size, fd);
}

}  // namespace quillfen
