#include "app/run_request.h"

#include <vector>

#include "app/format_version.h"
#include "app/mod_main.h"
#include "conversion/convert_containers.h"
#include "conversion/convert_reg_file.h"
#ifndef _WIN32
#include "conversion/export_keys.h"
#endif
#include "conversion/key_store.h"
#include "conversion/reg_writer.h"
#include "host/message.h"
#include "host/platform.h"

namespace quillfen {
namespace {

constexpr char16_t kCreated[] = u"Каталог-контейнер создан успешно! ^_^v";

// The success message, with what the source adds after an empty line.
int Converted(Host& host, std::u16string message, const std::u16string& note = {}) {
  if (!note.empty()) message += u"\r\n\r\n" + note;
  ShowMessage(host.messenger, message, MessageStyle::kInformation);
  return kExitSuccess;
}

int ConvertAll(Host& host, const ConverterArgs& args) {
  std::vector<ConvertedContainer> converted;
  std::u16string note;
  if (!ConvertAllContainers(args, host, &converted, &note)) return kExitFailure;
  std::u16string lines;
  for (const auto& container : converted) {
    lines += u"«" + container.name + u"» → " + container.directory + u"\r\n";
  }
  return Converted(
      host, PathMessage(args.TargetPath, lines + u"\r\nКаталоги-контейнеры созданы успешно! ^_^v"),
      note);
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
  if (!InstallContainers(install, host, &installation)) return kExitFailure;
  std::u16string lines;
  for (const auto& container : installation.containers) {
    lines += container.directory + u" → \\\\.\\HDIMAGE\\" + container.name + u"\r\n";
  }
  return Converted(host,
                   PathMessage(installation.user_directory,
                               lines + u"\r\nУстановлено в хранилище ключей успешно! ^_^v"),
                   installation.note);
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
  std::u16string target;
  if (!ConvertDirectoryToReg(to_reg, host, &target)) return kExitFailure;
  return Converted(host, PathMessage(target, u"Файл реестра создан успешно! ^_^v"));
}

int ExportKey(Host& host, const Request& request) {
#ifdef _WIN32
  (void)request;
  ShowMessage(host.messenger, u"Ключи из контейнеров эта программа выгружает только в Linux.",
              MessageStyle::kCritical);
  return kExitFailure;
#else
  const ExportRequest export_request{request.args.SourceFile, request.choice,
                                     request.args.TargetPath, request.password_file};
  std::vector<ExportedKey> exported;
  std::u16string note;
  if (!ExportKeys(export_request, host, &exported, &note)) return kExitFailure;
  std::u16string lines, backups;
  for (const auto& key : exported) {
    lines += u"«" + key.name + u"» →";
    for (size_t i = 0; i < key.files.size(); ++i) lines += (i == 0 ? u" " : u", ") + key.files[i];
    lines += u"\r\n";
    if (key.from_backup) {
      backups += u"\r\nКлюч контейнера «" + key.name +
                 u"» взят из резервной копии (masks2.key, primary2.key): основная повреждена.";
    }
  }
  return Converted(host,
                   PathMessage(request.args.TargetPath,
                               lines +
                                   u"\r\nКлючи выгружены успешно! ^_^v\r\nФайлы .key.pem не "
                                   u"зашифрованы: храните их так же бережно, как сам контейнер." +
                                   backups),
                   note);
#endif
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
#ifndef _WIN32
           u"--export-key [--container=NAME | --all] [--password-file=FILE] FileName [Directory]",
#endif
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
#ifndef _WIN32
      u"  --export-key      закрытый ключ и сертификат в файлы PEM для OpenSSL\r\n"
      u"  --password-file   пароль из первой строки файла («-» — стандартный ввод)\r\n"
#endif
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
      if (!ListContainers(args.SourceFile, host, &list, &note)) return kExitFailure;
      return Converted(host, list, note);
    }
    case Action::kConvert: {
      if (request.choice.kind == Choice::kAll) return ConvertAll(host, args);
      std::u16string note;
      if (!(request.choice.kind == Choice::kNamed
                ? ConvertNamedContainer(args, request.choice.name, host, &note)
                : ConvertRegFile(args, host, &note))) {
        return kExitFailure;
      }
      return Converted(host, PathMessage(args.TargetPath, kCreated), note);
    }
    case Action::kInstall:
      return Install(host, request);
    case Action::kExportKey:
      return ExportKey(host, request);
    case Action::kToReg:
      break;
  }
  return ToReg(host, request, executableName);
}

}  // namespace quillfen
