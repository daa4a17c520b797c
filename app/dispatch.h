#pragma once

#include <string_view>

#include "app/command_line.h"
#include "host/host.h"

namespace quillfen {

// Runs a command line that starts with an option; the process's exit status.
int RunWithOptions(Host& host, const CommandLine& line, std::u16string_view executableName);

}  // namespace quillfen
