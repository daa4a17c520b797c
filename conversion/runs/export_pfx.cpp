#include "conversion/runs/export_pfx.h"

#include "conversion/contents/private_key_pem.h"
#include "conversion/destinations/pfx_writer.h"
#include "conversion/runs/convert_containers.h"
#include "conversion/runs/password_source.h"
#include "host/path_functions.h"

namespace quillfen {

bool ExportPfx(const PfxExportRequest& request, Host& host, ExportedPfx* exported,
               std::u16string* note, const Announce& announce) {
  return RunConversion(host, request.source_file, announce, [&](ContainerOutput& output) {
    PasswordSource passwords(host, request.password_file, request.source_file);
    std::u16string source_note;
    const std::vector<ChosenKey> keys = ChooseKeys(host, request.source_file, request.choice,
                                                   request.directory, passwords, &source_note);
    // A name taken ends the run before the new password is typed twice.
    for (const auto& chosen : keys) {
      RefuseExistingTarget(host.files, BuildFileName2(request.directory, chosen.file_name + u".pfx",
                                                      host.files.Style()));
    }
    const SecureBytes password =
        NewPfxPassword(host, request.pfx_password_file, passwords, request.source_file);
    ExportedPfx done;
    done.unprotected = password.empty();
    // Under an empty password a PFX is as good as its key: wiped however
    // the run ends.
    struct WipedFiles {
      std::vector<KeyFile> files;
      ~WipedFiles() {
        for (auto& file : files) Wipe(file.open);
      }
    } wiped;
    std::vector<KeyFile>& files = wiped.files;
    for (const auto& chosen : keys) {
      const RecoveredKey& key = chosen.key;
      const SecureBytes info = PrivateKeyInfo(key.family, key.curve, key.d);
      PfxInput input{info.Span(), std::nullopt, chosen.name, password.Span()};
      if (key.certificate) input.certificate = *key.certificate;
      files.push_back({chosen.file_name + u".pfx", {}, WritePfx(input)});
      done.keys.push_back(
          {chosen.name, {files.back().name}, key.from_backup, !key.certificate.has_value()});
    }
    WriteKeyFiles(host, output, request.directory, files);
    *exported = std::move(done);
    if (note != nullptr) *note = std::move(source_note);
  });
}

std::u16string ExportedPfxText(const ExportedPfx& exported, std::u16string_view directory,
                               size_t mostLines) {
  std::u16string done = exported.keys.size() == 1 ? u"Файл PFX создан успешно! ^_^v"
                                                  : u"Файлы PFX созданы успешно! ^_^v";
  if (exported.unprotected) {
    done += u"\r\nПароль файлов .pfx пуст: храните их так же бережно, как сам контейнер.";
  }
  return ExportedText(exported.keys, directory, mostLines, done);
}

}  // namespace quillfen
