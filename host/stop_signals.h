#pragma once

namespace quillfen {

// The signals that ask the program to stop: SIGINT (Ctrl-C), SIGTERM and
// SIGHUP (a closed terminal). They are held back from start-up, so that none
// ends the program between two steps of a run; a run looks for them where
// stopping leaves nothing half done (between directories, files, values and
// pieces of a copy) and then ends as a failure does: what it made is undone.
class StopSignals {
 public:
  virtual ~StopSignals() = default;
  // The number of a stop signal that has come, or 0.
  virtual int Pending() = 0;
};

// Thrown where a run looks for a stop signal and finds one.
struct Stopped {
  int signal;
};

// At start-up: holds the stop signals back for the rest of the process, and
// ignores SIGXFSZ, so that a write past the file size limit (ulimit -f) fails
// as any write does instead of ending the program. Nothing on Windows.
void PrepareSignals();

// Throws Stopped when a stop signal has come, and remembers it.
void StopIfRequested();

// The signal that stopped the run, or 0; 128 plus it is the exit status.
int StoppedBy();

// The name of a stop signal, as "SIGTERM".
const char16_t* StopSignalName(int signal);

// For tests: `signals` in place of the system's while the object lives.
class ScopedStopSignals {
 public:
  explicit ScopedStopSignals(StopSignals& signals);
  ScopedStopSignals(const ScopedStopSignals&) = delete;
  ScopedStopSignals& operator=(const ScopedStopSignals&) = delete;
  ~ScopedStopSignals();

 private:
  StopSignals* previous_;
};

}  // namespace quillfen
