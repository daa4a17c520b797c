#include "app/mod_main.h"

#include <algorithm>
#include <string>

#include "app/command_line.h"
#include "app/format_version.h"
#include "app/run_request.h"
#include "conversion/convert_reg_file.h"
#include "host/path_functions.h"
#include "host/platform.h"
#include "support/ascii.h"

namespace quillfen {
int Main() {
  RegisterAppPath();
  InitializeCommonControls();
  if (!IsInIDE()) SetMainWindowIcon();
  Host host{RealFileSystem(), DefaultMessenger(), RealAccounts(), &RealConsole()};
  return RunConverter(host, ArgumentList::Global(), ExecutableName());
}

int RunConverter(Host& host, const ArgumentList& arguments, std::u16string_view executableName) {
  if (StartsWithOption(arguments)) {
    return RunWithOptions(host, ParseOptions(arguments), executableName);
  }
  ConverterArgs args;
  if (!ParseCommandLine(args, arguments)) {
    ShowUsage(host.messenger, executableName);
    // A help switch leaves the export's name set: the usage text was asked for.
    return args.SourceFile.empty() ? kExitUsage : kExitSuccess;
  }
  std::u16string note;
  if (!ConvertRegFile(args, host, &note)) return kExitFailure;
  std::u16string message = PathMessage(args.TargetPath, u"Каталог-контейнер создан успешно! ^_^v");
  if (!note.empty()) message += u"\r\n\r\n" + note;
  ShowMessage(host.messenger, message, MessageStyle::kInformation);
  return kExitSuccess;
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
