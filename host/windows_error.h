#pragma once

#include "host/run_time_error.h"

namespace quillfen {

// The error of a Windows error code, described by the system.
RunTimeError WindowsError(unsigned long code);
// The error of GetLastError().
RunTimeError LastWindowsError();

}  // namespace quillfen
