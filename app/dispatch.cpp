#include "app/dispatch.h"

#include "app/format_version.h"
#include "app/mod_main.h"
#include "app/option_runs.h"
#include "app/usage_text.h"
#include "host/message.h"
#include "host/path_functions.h"
#include "host/platform.h"
#include "host/run_time_error.h"

namespace quillfen {
namespace {

int ToReg(Host& host, const Request& request, std::u16string_view executableName) {
  // Windows knows who runs the program; elsewhere the user key must be named.
  const std::optional<std::u16string> sid = request.sid ? request.sid : CurrentUserSid();
  if (!sid) {
    ShowMessage(host.messenger,
                u"Для «--to-reg» нужен параметр «--user=SID».\r\n\r\n" + UsageText(executableName),
                MessageStyle::kCritical);
    return kExitUsage;
  }
  // A root has no name to take, and its file would land beside it, nowhere.
  bool root = false;
  try {
    root = (request.name.value_or(u"").empty() || request.args.TargetPath.empty()) &&
           IsRootDirectory(host.files, request.args.SourceFile);
  } catch (const RunTimeError&) {
    // The conversion itself tells what is wrong with the directory.
  }
  if (root) {
    ShowMessage(host.messenger,
                PathMessage(request.args.SourceFile,
                            u"У корневого каталога нет имени: для «--to-reg» нужны параметр "
                            u"«--name=NAME» и FileName.") +
                    u"\r\n\r\n" + UsageText(executableName),
                MessageStyle::kCritical);
    return kExitUsage;
  }
  return RunToReg(host, request, *sid);
}

}  // namespace

int RunWithOptions(Host& host, const CommandLine& line, std::u16string_view executableName) {
  using Kind = CommandLine::Kind;
  switch (line.kind) {
    case Kind::kHelp:
      ShowMessage(host.messenger, UsageText(executableName), MessageStyle::kInformation);
      return kExitSuccess;
    case Kind::kVersion:
      ShowMessage(host.messenger, GetAboutText(), MessageStyle::kInformation);
      return kExitSuccess;
    case Kind::kUsage:
      ShowMessage(host.messenger, UsageText(executableName), MessageStyle::kInformation);
      return kExitUsage;
    case Kind::kMistake:
      ShowMessage(host.messenger, line.mistake + u"\r\n\r\n" + UsageText(executableName),
                  MessageStyle::kCritical);
      return kExitUsage;
    case Kind::kRequest:
      break;
  }

  const Request& request = line.request;
  using Action = Request::Action;
  switch (request.action) {
    case Action::kConvert:
      return RunConvert(host, request);
    case Action::kList:
      return RunList(host, request);
    case Action::kInstall:
      return RunInstall(host, request);
    case Action::kInfo:
      return RunInfo(host, request);
    case Action::kCert:
      return RunCert(host, request);
    case Action::kExportKey:
      return RunExportKey(host, request);
    case Action::kExportPfx:
      return RunExportPfx(host, request);
    case Action::kToReg:
      break;
  }
  return ToReg(host, request, executableName);
}

}  // namespace quillfen
