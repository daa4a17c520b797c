#include "app/dispatch.h"

#include "app/format_version.h"
#include "app/mod_main.h"
#include "app/option_runs.h"
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

std::u16string UsageText(std::u16string_view executableName) {
  const std::u16string program = std::u16string(executableName) + u"[.EXE] ";
  const std::u16string indent(15, u' ');  // under the program's name in the first line
  std::u16string text = GetAboutText() + u"\r\n\r\nИспользование: " + program + u"FileName [Path]";
  for (const char16_t* call : {
           u"--container=NAME FileName [Path]",
           u"--all FileName [Directory]",
           u"--list FileName",
           u"--info [--container=NAME] FileName",
           u"--cert [--container=NAME | --all] FileName [Directory]",
           u"--export-key [--container=NAME | --all] [--password-file=FILE] FileName [Directory]",
#ifndef _WIN32
           u"--install[=USER] [--keys-dir=DIR] [--container=NAME | --all] FileName",
#endif
           u"--to-reg --user=SID [--wow64] [--name=NAME] Directory [FileName]",
           u"--help | --version",
       }) {
    text += u"\r\n" + indent + program + call;
  }
  text +=
      u"\r\n\r\n"
      u"FileName: файл реестра (.reg) или файл куста реестра (SOFTWARE); с параметрами —\r\n"
      u"          и каталог-контейнер.\r\n"
      u"  --container=NAME  контейнер NAME, а не первый в файле\r\n"
      u"  --all             все контейнеры, каждый в свой каталог внутри Directory\r\n"
      u"  --list            список контейнеров файла\r\n"
      u"  --info            что в контейнерах: ключ, сертификат, файлы\r\n"
      u"  --cert            сертификаты контейнеров в файлы NAME.cer в Directory\r\n"
      u"  --export-key      закрытый ключ и сертификат в файлы PEM для OpenSSL\r\n"
      u"  --password-file   пароль из первой строки файла («-» — стандартный ввод)\r\n"
#ifndef _WIN32
      u"  --install[=USER]  в хранилище ключей пользователя USER\r\n"
      u"  --keys-dir=DIR    хранилище ключей (по умолчанию /var/opt/cprocsp/keys)\r\n"
#endif
      u"  --to-reg          каталог-контейнер обратно в файл реестра\r\n"
      u"  --user=SID        пользователь, в разделе которого контейнер\r\n"
      u"  --wow64           раздел Wow6432Node (32-битное хранилище)\r\n"
      u"  --native          64-битное хранилище, не Wow6432Node\r\n"
      u"  --name=NAME       имя контейнера в реестре\r\n"
      u"  -h, --help        эта справка\r\n"
      u"  --version         версия программы";
  return text;
}

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
    case Action::kToReg:
      break;
  }
  return ToReg(host, request, executableName);
}

}  // namespace quillfen
