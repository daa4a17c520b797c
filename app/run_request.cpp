#include "app/run_request.h"

#include <vector>

#include "app/format_version.h"
#include "app/mod_main.h"
#include "conversion/certificate_files.h"
#include "conversion/container_info.h"
#include "conversion/convert_containers.h"
#include "conversion/convert_reg_file.h"
#include "conversion/key_store.h"
#include "conversion/reg_writer.h"
#include "host/message.h"
#include "host/platform.h"

namespace quillfen {
namespace {

constexpr char16_t kCreated[] = u"Каталог-контейнер создан успешно! ^_^v";

// `text` inside a shell's single quotes: a quote ends them, is escaped and
// begins them again.
std::u16string ShellQuoted(std::u16string_view text) {
  std::u16string quoted;
  for (const char16_t c : text)
    quoted += c == u'\'' ? std::u16string(u"'\\''") : std::u16string(1, c);
  return quoted;
}

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
  std::u16string lines, certificates;
  for (const auto& container : installation.containers) {
    lines += container.directory + u" → \\\\.\\HDIMAGE\\" + container.name + u"\r\n";
    if (container.has_certificate) {
      certificates += u"certmgr -inst -store uMy -cont '" +
                      ShellQuoted(u"\\\\.\\HDIMAGE\\" + container.name) + u"'\r\n";
    }
  }
  if (!certificates.empty()) {
    lines += u"\r\nСертификат — в личное хранилище пользователя, от его имени:\r\n" + certificates;
  }
  return Converted(host,
                   PathMessage(installation.user_directory,
                               lines + u"\r\nУстановлено в хранилище ключей успешно! ^_^v"),
                   installation.note);
}

int SaveCertificateFiles(Host& host, const Request& request) {
  SavedCertificates saved;
  const CertificateRequest certificates{request.args.SourceFile, request.choice,
                                        request.args.TargetPath};
  if (!SaveCertificates(certificates, host, &saved)) return kExitFailure;
  std::u16string lines;
  for (const auto& file : saved.files)
    lines += u"«" + file.name + u"» → " + file.directory + u"\r\n";
  for (const auto& line : saved.without) lines += line + u"\r\n";
  return Converted(host, PathMessage(request.args.TargetPath,
                                     lines + (saved.files.size() == 1
                                                  ? u"\r\nСертификат сохранён успешно! ^_^v"
                                                  : u"\r\nСертификаты сохранены успешно! ^_^v")));
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
    case Action::kInfo: {
      std::u16string info, note;
      if (!ShowContainerInfo(args.SourceFile, request.choice, host, CurrentDateTime(), &info,
                             &note)) {
        return kExitFailure;
      }
      return Converted(host, info, note);
    }
    case Action::kCert:
      return SaveCertificateFiles(host, request);
    case Action::kToReg:
      break;
  }
  return ToReg(host, request, executableName);
}

}  // namespace quillfen
