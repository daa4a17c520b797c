#include "app/run_request.h"

#include <cstdint>
#include <vector>

#include "app/format_version.h"
#include "app/mod_main.h"
#include "conversion/destinations/key_store.h"
#include "conversion/destinations/reg_writer.h"
#include "conversion/runs/certificate_files.h"
#include "conversion/runs/container_info.h"
#include "conversion/runs/container_list.h"
#include "conversion/runs/convert_containers.h"
#include "conversion/runs/convert_reg_file.h"
#include "conversion/runs/export_keys.h"
#include "host/message.h"
#include "host/path_functions.h"
#include "host/platform.h"
#include "host/run_time_error.h"
#include "host/visible_name.h"

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
void Converted(Host& host, std::u16string message, const std::u16string& note = {}) {
  if (!note.empty()) message += u"\r\n\r\n" + note;
  ShowMessage(host.messenger, message, MessageStyle::kInformation);
}

#ifdef _WIN32
// Every message is a box, which grows with its text and cannot scroll: it
// shows this many containers and how many more there are. A box neither
// aligns a tab nor always shows one, so --list writes lines for people.
constexpr bool kMessageBox = true;
constexpr size_t kMostShownLines = 40;
#else
// Standard output keeps every line, and scripts read --list's columns.
constexpr bool kMessageBox = false;
constexpr size_t kMostShownLines = SIZE_MAX;
#endif

int List(Host& host, const Request& request) {
  std::vector<ListedContainer> listed;
  std::u16string note;
  const auto announce = [&] {
    std::vector<std::u16string> lines;
    for (const auto& container : listed) {
      lines.push_back(kMessageBox ? ListLineForPeople(container) : ListLine(container));
    }
    Converted(host, ShownLines(lines, kMostShownLines), note);
  };
  return ListContainers(request.args.SourceFile, request.choice, host, &listed, &note, announce)
             ? kExitSuccess
             : kExitFailure;
}

int ConvertAll(Host& host, const Request& request) {
  std::vector<ConvertedContainer> converted;
  std::u16string note;
  const ConverterArgs& args = request.args;
  const auto announce = [&] {
    std::vector<std::u16string> lines;
    for (const auto& container : converted) {
      lines.push_back(QuotedName(container.name) + u" → " + VisibleName(container.directory));
    }
    Converted(
        host,
        PathMessage(args.TargetPath, ShownLines(lines, kMostShownLines) +
                                         u"\r\n\r\nКаталоги-контейнеры созданы успешно! ^_^v"),
        note);
  };
  return ConvertAllContainers(args, request.choice, host, &converted, &note, announce)
             ? kExitSuccess
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
    std::u16string lines, certificates;
    for (const auto& container : installation.containers) {
      lines += VisibleName(container.directory) + u" → \\\\.\\HDIMAGE\\" +
               VisibleName(container.name) + u"\r\n";
      if (container.has_certificate) {
        certificates += u"certmgr -inst -store uMy -cont '";
        certificates += VisibleName(ShellQuoted(u"\\\\.\\HDIMAGE\\" + container.name));
        certificates += u"'\r\n";
      }
    }
    if (!certificates.empty()) {
      lines +=
          u"\r\nСертификат — в личное хранилище пользователя, от его имени:\r\n" + certificates;
    }
    Converted(host,
              PathMessage(installation.user_directory,
                          lines + u"\r\nУстановлено в хранилище ключей успешно! ^_^v"),
              installation.note);
  };
  return InstallContainers(install, host, &installation, announce) ? kExitSuccess : kExitFailure;
}

int SaveCertificateFiles(Host& host, const Request& request) {
  SavedCertificates saved;
  const CertificateRequest certificates{request.args.SourceFile, request.choice,
                                        request.args.TargetPath};
  const auto announce = [&] {
    std::u16string lines;
    for (const auto& file : saved.files) {
      lines += QuotedName(file.name) + u" → " + VisibleName(file.directory) + u"\r\n";
    }
    for (const auto& line : saved.without) lines += line + u"\r\n";
    Converted(host, PathMessage(request.args.TargetPath,
                                lines + (saved.files.size() == 1
                                             ? u"\r\nСертификат сохранён успешно! ^_^v"
                                             : u"\r\nСертификаты сохранены успешно! ^_^v")));
  };
  return SaveCertificates(certificates, host, &saved, announce) ? kExitSuccess : kExitFailure;
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
  const ToRegRequest to_reg{request.args.SourceFile, request.args.TargetPath, *sid, request.wow64,
                            request.name.value_or(u"")};
  std::u16string target, note;
  const auto announce = [&] {
    Converted(host, PathMessage(target, u"Файл реестра создан успешно! ^_^v"), note);
  };
  return ConvertDirectoryToReg(to_reg, host, &target, &note, announce) ? kExitSuccess
                                                                       : kExitFailure;
}

int ExportKey(Host& host, const Request& request) {
  const ExportRequest export_request{request.args.SourceFile, request.choice,
                                     request.args.TargetPath, request.password_file};
  std::vector<ExportedKey> exported;
  std::u16string note;
  const auto announce = [&] {
    Converted(host, ExportedKeysText(exported, request.args.TargetPath, kMostShownLines), note);
  };
  return ExportKeys(export_request, host, &exported, &note, announce) ? kExitSuccess : kExitFailure;
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
  const ConverterArgs& args = request.args;
  using Action = Request::Action;
  using Choice = ContainerChoice::Kind;
  switch (request.action) {
    case Action::kList:
      return List(host, request);
    case Action::kConvert: {
      if (request.choice.kind == Choice::kAll) return ConvertAll(host, request);
      std::u16string note;
      const auto announce = [&] { Converted(host, PathMessage(args.TargetPath, kCreated), note); };
      // The first container without options is converted as it always was.
      return (request.choice.kind == Choice::kFirst && !request.choice.Narrowed()
                  ? ConvertRegFile(args, host, &note, announce)
                  : ConvertChosenContainer(args, request.choice, host, &note, announce))
                 ? kExitSuccess
                 : kExitFailure;
    }
    case Action::kInstall:
      return Install(host, request);
    case Action::kInfo: {
      std::u16string info, note;
      if (!ShowContainerInfo(args.SourceFile, request.choice, host, CurrentDateTime(), &info,
                             &note)) {
        return kExitFailure;
      }
      Converted(host, info, note);
      return kExitSuccess;
    }
    case Action::kCert:
      return SaveCertificateFiles(host, request);
    case Action::kExportKey:
      return ExportKey(host, request);
    case Action::kToReg:
      break;
  }
  return ToReg(host, request, executableName);
}

}  // namespace quillfen
