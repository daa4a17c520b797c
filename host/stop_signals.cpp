#include "host/stop_signals.h"

#include <csignal>

namespace quillfen {
namespace {

#ifndef _WIN32
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
#endif

// What the system holds back for the process.
class SystemStopSignals : public StopSignals {
 public:
  int Pending() override {
#ifndef _WIN32
    sigset_t pending;
    if (::sigpending(&pending) != 0) return 0;
    for (const int signal : kStopSignals) {
      if (::sigismember(&pending, signal) == 1) return signal;
    }
#endif
    return 0;
  }
};

SystemStopSignals system_signals;
StopSignals* current_signals = &system_signals;
int stopped_by = 0;

}  // namespace

void PrepareSignals() {
#ifndef _WIN32
  sigset_t held;
  sigemptyset(&held);
  for (const int signal : kStopSignals) sigaddset(&held, signal);
  ::sigprocmask(SIG_BLOCK, &held, nullptr);
  ::signal(SIGXFSZ, SIG_IGN);
#endif
}

void StopIfRequested() {
  if (const int signal = current_signals->Pending()) {
    stopped_by = signal;
    throw Stopped{signal};
  }
}

int StoppedBy() { return stopped_by; }

const char16_t* StopSignalName(int signal) {
#ifndef _WIN32
  switch (signal) {
    case SIGINT:
      return u"SIGINT";
    case SIGTERM:
      return u"SIGTERM";
    case SIGHUP:
      return u"SIGHUP";
  }
#endif
  (void)signal;
  return u"?";
}

ScopedStopSignals::ScopedStopSignals(StopSignals& signals) : previous_(current_signals) {
  current_signals = &signals;
  stopped_by = 0;
}

ScopedStopSignals::~ScopedStopSignals() {
  current_signals = previous_;
  stopped_by = 0;
}

}  // namespace quillfen
