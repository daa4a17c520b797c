// GoogleTest customization header used by tools/windows/build-gtest.sh.
// It replaces GoogleTest's empty gtest/internal/custom/gtest-port.h in the
// cross-built (mingw-w64) install, and is put first on the include path
// while GoogleTest itself is built.
//
// Why: with GCC's win32 thread model (GCC 12, Debian 12) libstdc++ has no
// std::mutex / std::condition_variable. GoogleTest uses them only for its
// internal Notification class (everything else on Windows uses Win32
// primitives). This header provides Notification without them.
#ifndef GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
#define GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_

#if defined(__MINGW32__)
#include <bits/c++config.h>
#if !defined(_GLIBCXX_HAS_GTHREADS)
#include <atomic>

// Same declaration as in <synchapi.h> (kept here so that <windows.h> and
// its macros are not pulled into every test).
#if defined(__i386__)
#define QUILLFEN_GTEST_WINAPI_ __attribute__((__stdcall__))
#else
#define QUILLFEN_GTEST_WINAPI_
#endif
extern "C" __attribute__((__dllimport__)) void QUILLFEN_GTEST_WINAPI_ Sleep(unsigned long);
#undef QUILLFEN_GTEST_WINAPI_

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

// Lets a controller thread hold back new threads until notified. Used only
// by GoogleTest's own thread tests, so a polling wait is good enough.
class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true, std::memory_order_release); }

  void WaitForNotification() {
    while (!notified_.load(std::memory_order_acquire)) ::Sleep(1);
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#endif  // !_GLIBCXX_HAS_GTHREADS
#endif  // __MINGW32__

#endif  // GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
