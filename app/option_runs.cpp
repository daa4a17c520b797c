#include "app/option_runs.h"

#include <cstdint>
#include <vector>

#include "app/mod_main.h"
#include "conversion/runs/certificate_files.h"
#include "conversion/runs/container_info.h"
#include "conversion/runs/container_list.h"
#include "conversion/runs/convert_containers.h"
#include "conversion/runs/convert_reg_file.h"
#include "conversion/runs/directory_to_reg.h"
#include "conversion/runs/export_keys.h"
#include "conversion/runs/export_pfx.h"
#include "conversion/runs/install_containers.h"
#include "host/message.h"
#include "host/visible_name.h"

namespace quillfen {
namespace {

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

int Status(bool succeeded) { return succeeded ? kExitSuccess : kExitFailure; }

int RunConvertAll(Host& host, const Request& request) {
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
  return Status(ConvertAllContainers(args, request.choice, host, &converted, &note, announce));
}

}  // namespace

int RunConvertFirst(Host& host, const ConverterArgs& args) {
  std::u16string note;
  const auto announce = [&] { Converted(host, PathMessage(args.TargetPath, kCreated), note); };
  return Status(ConvertRegFile(args, host, &note, announce));
}

int RunConvert(Host& host, const Request& request) {
  using Choice = ContainerChoice::Kind;
  if (request.choice.kind == Choice::kAll) return RunConvertAll(host, request);
  // The first container without options is converted as it always was.
  if (request.choice.kind == Choice::kFirst && !request.choice.Narrowed()) {
    return RunConvertFirst(host, request.args);
  }
  const ConverterArgs& args = request.args;
  std::u16string note;
  const auto announce = [&] { Converted(host, PathMessage(args.TargetPath, kCreated), note); };
  return Status(ConvertChosenContainer(args, request.choice, host, &note, announce));
}

int RunList(Host& host, const Request& request) {
  std::vector<ListedContainer> listed;
  std::u16string note;
  const auto announce = [&] {
    std::vector<std::u16string> lines;
    for (const auto& container : listed) {
      lines.push_back(kMessageBox ? ListLineForPeople(container) : ListLine(container));
    }
    Converted(host, ShownLines(lines, kMostShownLines), note);
  };
  return Status(
      ListContainers(request.args.SourceFile, request.choice, host, &listed, &note, announce));
}

int RunInfo(Host& host, const Request& request) {
  std::u16string info, note;
  if (!ShowContainerInfo(request.args.SourceFile, request.choice, host, CurrentDateTime(), &info,
                         &note, request.password_file)) {
    return kExitFailure;
  }
  Converted(host, info, note);
  return kExitSuccess;
}

int RunCert(Host& host, const Request& request) {
  SavedCertificates saved;
  const CertificateRequest certificates{request.args.SourceFile, request.choice,
                                        request.args.TargetPath, request.password_file};
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
  return Status(SaveCertificates(certificates, host, &saved, announce));
}

int RunInstall(Host& host, const Request& request) {
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
      lines +=
          VisibleName(container.directory) + u" → \\\\.\\HDIMAGE\\" + VisibleName(container.name);
      if (container.name_key_unread) lines += u" (name.key не прочитан: имя из источника)";
      lines += u"\r\n";
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
  return Status(InstallContainers(install, host, &installation, announce));
}

int RunExportKey(Host& host, const Request& request) {
  const ExportRequest export_request{request.args.SourceFile, request.choice,
                                     request.args.TargetPath, request.password_file};
  std::vector<ExportedKey> exported;
  std::u16string note;
  const auto announce = [&] {
    Converted(host, ExportedKeysText(exported, request.args.TargetPath, kMostShownLines), note);
  };
  return Status(ExportKeys(export_request, host, &exported, &note, announce));
}

int RunExportPfx(Host& host, const Request& request) {
  const PfxExportRequest export_request{request.args.SourceFile, request.choice,
                                        request.args.TargetPath, request.password_file,
                                        request.pfx_password_file};
  ExportedPfx exported;
  std::u16string note;
  const auto announce = [&] {
    Converted(host, ExportedPfxText(exported, request.args.TargetPath, kMostShownLines), note);
  };
  return Status(ExportPfx(export_request, host, &exported, &note, announce));
}

int RunToReg(Host& host, const Request& request, const std::u16string& sid) {
  const ToRegRequest to_reg{request.args.SourceFile, request.args.TargetPath, sid, request.wow64,
                            request.name.value_or(u"")};
  std::u16string target, note;
  const auto announce = [&] {
    Converted(host, PathMessage(target, u"Файл реестра создан успешно! ^_^v"), note);
  };
  return Status(ConvertDirectoryToReg(to_reg, host, &target, &note, announce));
}

}  // namespace quillfen
