#pragma once

#include <string_view>

#include "conversion/converter_args.h"
#include "host/argument_list.h"
#include "host/host.h"

namespace quillfen {

// The process's exit statuses.
enum ExitStatus {
  kExitSuccess = 0,  // converted, or the usage text was asked for
  kExitFailure = 1,  // a conversion failed; its message says why
  kExitUsage = 2,    // the arguments form no request
};

// Prepares the host and runs one request from the process's arguments.
int Main();

// Runs one request: the usage text, or a conversion and its success message.
int RunConverter(Host& host, const ArgumentList& arguments, std::u16string_view executableName);

// Fills `args` from the arguments; false when the usage text is to be shown
// instead (no arguments, three or more, or the single "/?" or "/HELP").
bool ParseCommandLine(ConverterArgs& args, const ArgumentList& arguments);

void ShowUsage(Messenger& messenger, std::u16string_view executableName);

}  // namespace quillfen
