#pragma once

#include <csignal>
#include <cstddef>

#include "host/stop_signals.h"

namespace quillfen {

// Stop signals as the system would hold them: SIGTERM comes just before the
// program looks for the `when`-th time, or once `come` is set.
class StopWhen : public StopSignals {
 public:
  explicit StopWhen(size_t when) : when_(when) {}
  int Pending() override { return ++looked >= when_ || come ? SIGTERM : 0; }
  size_t looked = 0;
  bool come = false;

 private:
  size_t when_;
};

}  // namespace quillfen
