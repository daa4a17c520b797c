#include "app/mod_main.h"

#include <algorithm>
#include <string>

#include "app/command_line.h"
#include "app/dispatch.h"
#include "app/option_runs.h"
#include "app/usage_text.h"
#include "host/ascii.h"
#include "host/error_reporter.h"
#include "host/path_functions.h"
#include "host/platform.h"
#include "host/run_time_error.h"
#include "host/stop_signals.h"

namespace quillfen {
namespace {

int RunArguments(Host& host, const ArgumentList& arguments, std::u16string_view executableName) {
  if (StartsWithOption(arguments)) {
    return RunWithOptions(host, ParseOptions(arguments), executableName);
  }
  ConverterArgs args;
  if (!ParseCommandLine(args, arguments)) {
    ShowUsage(host.messenger, executableName);
    // A help switch leaves the export's name set: the usage text was asked for.
    return args.SourceFile.empty() ? kExitUsage : kExitSuccess;
  }
  return RunConvertFirst(host, args);
}

}  // namespace

int Main() {
  OpenClosedStandardDescriptors();
  PrepareSignals();
  RegisterAppPath();
  InitializeCommonControls();
  if (!IsInIDE()) SetMainWindowIcon();
  Host host{RealFileSystem(), DefaultMessenger(), RealAccounts(), &RealConsole()};
  return RunConverter(host, ArgumentList::Global(), ExecutableName());
}

int RunConverter(Host& host, const ArgumentList& arguments, std::u16string_view executableName) {
  int status;
  try {
    status = RunArguments(host, arguments, executableName);
  } catch (const RunTimeError& error) {
    // A message that could not be written (a full disk behind standard
    // output, a closed one); standard error may still take this one.
    status = kExitFailure;
    try {
      ShowMessage(host.messenger, ErrorText(error, u"Не удалось вывести сообщение."),
                  MessageStyle::kCritical);
    } catch (const RunTimeError&) {
    }
  }
  // A run stopped by a signal ends as the shell expects of one.
  return StoppedBy() != 0 ? 128 + StoppedBy() : status;
}

bool ParseCommandLine(ConverterArgs& args, const ArgumentList& arguments) {
  const int count = arguments.Count();
  if (count == 1) {
    args.SourceFile = arguments.Item(0);
    std::u16string switch_text = TrimEx(args.SourceFile);
    std::transform(switch_text.begin(), switch_text.end(), switch_text.begin(), AsciiUpper);
    if (switch_text == u"/?" || switch_text == u"/HELP") return false;
    args.TargetPath = ReplaceFileExtension(args.SourceFile, u"000");
    return true;
  }
  if (count == 2) {
    args.SourceFile = arguments.Item(0);
    args.TargetPath = arguments.Item(1);
    return true;
  }
  return false;
}

void ShowUsage(Messenger& messenger, std::u16string_view executableName) {
  ShowMessage(messenger, UsageText(executableName), MessageStyle::kInformation);
}

}  // namespace quillfen
