#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <iostream>

#include "app_identity.h"
#include "host/path_functions.h"
#include "host/platform.h"
#include "host/text_decoder.h"
#include "host/windows1251.h"

namespace quillfen {
namespace {

std::u16string& ProgramPath() {
  static std::u16string path = u"quillfen";
  return path;
}

}  // namespace

void RegisterAppPath() {}

void OpenClosedStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest number free is this one: those below are open by now.
    const int opened = ::open("/dev/null", O_RDONLY);
    if (opened >= 0 && opened != fd) ::close(opened);
  }
}
void InitializeCommonControls() {}
void SetMainWindowIcon() {}

void SetProgramPath(std::u16string_view argv0) { ProgramPath() = argv0; }

const VersionInfo& AppVersionInfo() {
  static const VersionInfo info{kAppVersionMajor, kAppVersionMinor, kAppVersionRevision,
                                kAppCopyright};
  return info;
}

std::u16string ExecutableName() { return ExecutableNameFromPath(ProgramPath()); }

const std::array<char16_t, 128>& AnsiHighHalf() { return kWindows1251HighHalf; }

void AdviseHugePages(void* address, size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  const uintptr_t begin = (uintptr_t(address) + kHuge - 1) / kHuge * kHuge;
  const uintptr_t end = (uintptr_t(address) + size) / kHuge * kHuge;
  if (begin < end) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)address, (void)size;
#endif
}

std::optional<std::u16string> CurrentUserSid() { return std::nullopt; }

Messenger& DefaultMessenger() {
  static ConsoleMessenger messenger(std::cout, std::cerr);
  return messenger;
}

}  // namespace quillfen
