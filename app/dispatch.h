#pragma once

#include <string>
#include <string_view>

#include "app/command_line.h"
#include "host/host.h"

namespace quillfen {

// The usage text: the about text, the usage line as it always was, then the
// calls with options and what each option does.
std::u16string UsageText(std::u16string_view executableName);

// Runs a command line that starts with an option; the process's exit status.
int RunWithOptions(Host& host, const CommandLine& line, std::u16string_view executableName);

}  // namespace quillfen
