#include "app/run_request.h"

#include <vector>

#include "app/format_version.h"
#include "app/mod_main.h"
#include "conversion/convert_containers.h"
#include "conversion/convert_reg_file.h"
#include "conversion/key_store.h"
#include "conversion/reg_writer.h"
#include "host/message.h"
#include "host/platform.h"

namespace quillfen {
namespace {

constexpr char16_t kCreated[] = u"Каталог-контейнер создан успешно! ^_^v";

// The success message, with what the source adds after an empty line.
void Converted(Host& host, std::u16string message, const std::u16string& note = {}) {
  if (!note.empty()) message += u"\r\n\r\n" + note;
  ShowMessage(host.messenger, message, MessageStyle::kInformation);
}

int ConvertAll(Host& host, const ConverterArgs& args) {
  std::vector<ConvertedContainer> converted;
  std::u16string note;
  const auto announce = [&] {
    std::u16string lines;
    for (const auto& container : converted) {
      lines += u"«" + container.name + u"» → " + container.directory + u"\r\n";
    }
    Converted(
        host,
        PathMessage(args.TargetPath, lines + u"\r\nКаталоги-контейнеры созданы успешно! ^_^v"),
        note);
  };
  return ConvertAllContainers(args, host, &converted, &note, announce) ? kExitSuccess
                                                                       : kExitFailure;
}

int Install(Host& host, const Request& request) {
  if (host.accounts == nullptr) {
    ShowMessage(host.messenger,
                u"Установка в хранилище ключей есть только в Linux: в Windows хранилище ключей — "
                u"это реестр.",
                MessageStyle::kCritical);
    return kExitFailure;
  }
  Installation installation;
  const InstallRequest install{request.args.SourceFile, request.choice, request.install_user,
                               request.keys_dir};
  const auto announce = [&] {
    std::u16string lines;
    for (const auto& container : installation.containers) {
      lines += container.directory + u" → \\\\.\\HDIMAGE\\" + container.name + u"\r\n";
    }
    Converted(host,
              PathMessage(installation.user_directory,
                          lines + u"\r\nУстановлено в хранилище ключей успешно! ^_^v"),
              installation.note);
  };
  return InstallContainers(install, host, &installation, announce) ? kExitSuccess : kExitFailure;
}

int ToReg(Host& host, const Request& request, std::u16string_view executableName) {
  // Windows knows who runs the program; elsewhere the user key must be named.
  const std::optional<std::u16string> sid = request.sid ? request.sid : CurrentUserSid();
  if (!sid) {
    ShowMessage(host.messenger,
                u"Для «--to-reg» нужен параметр «--user=SID».\r\n\r\n" + UsageText(executableName),
                MessageStyle::kCritical);
    return kExitUsage;
  }
  const ToRegRequest to_reg{request.args.SourceFile, request.args.TargetPath, *sid, request.wow64,
                            request.name.value_or(u"")};
  std::u16string target, note;
  const auto announce = [&] {
    Converted(host, PathMessage(target, u"Файл реестра создан успешно! ^_^v"), note);
  };
  return ConvertDirectoryToReg(to_reg, host, &target, &note, announce) ? kExitSuccess
                                                                       : kExitFailure;
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
      u"FileName: файл реестра (.reg) или файл куста реестра (SOFTWARE).\r\n"
      u"  --container=NAME  контейнер NAME, а не первый в файле\r\n"
      u"  --all             все контейнеры, каждый в свой каталог внутри Directory\r\n"
      u"  --list            список контейнеров файла\r\n"
#ifndef _WIN32
      u"  --install[=USER]  в хранилище ключей пользователя USER\r\n"
      u"  --keys-dir=DIR    хранилище ключей (по умолчанию /var/opt/cprocsp/keys)\r\n"
#endif
      u"  --to-reg          каталог-контейнер обратно в файл реестра\r\n"
      u"  --user=SID        пользователь, в разделе которого контейнер\r\n"
      u"  --wow64           раздел Wow6432Node (32-битное хранилище)\r\n"
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
  const ConverterArgs& args = request.args;
  using Action = Request::Action;
  using Choice = ContainerChoice::Kind;
  switch (request.action) {
    case Action::kList: {
      std::u16string list, note;
      const auto announce = [&] { Converted(host, list, note); };
      return ListContainers(args.SourceFile, host, &list, &note, announce) ? kExitSuccess
                                                                           : kExitFailure;
    }
    case Action::kConvert: {
      if (request.choice.kind == Choice::kAll) return ConvertAll(host, args);
      std::u16string note;
      const auto announce = [&] { Converted(host, PathMessage(args.TargetPath, kCreated), note); };
      return (request.choice.kind == Choice::kNamed
                  ? ConvertNamedContainer(args, request.choice.name, host, &note, announce)
                  : ConvertRegFile(args, host, &note, announce))
                 ? kExitSuccess
                 : kExitFailure;
    }
    case Action::kInstall:
      return Install(host, request);
    case Action::kToReg:
      break;
  }
  return ToReg(host, request, executableName);
}

}  // namespace quillfen
