#include "conversion/runs/export_keys.h"

#include "conversion/contents/private_key_pem.h"
#include "conversion/runs/password_source.h"
#include "conversion/runs/run_frame.h"

namespace quillfen {

bool ExportKeys(const ExportRequest& request, Host& host, std::vector<ExportedKey>* exported,
                std::u16string* note, const Announce& announce) {
  return RunConversion(host, request.source_file, announce, [&](ContainerOutput& output) {
    PasswordSource passwords(host, request.password_file, request.source_file);
    std::u16string source_note;
    std::vector<ExportedKey> done;
    std::vector<KeyFile> files;
    for (const auto& chosen : ChooseKeys(host, request.source_file, request.choice,
                                         request.directory, passwords, &source_note)) {
      const RecoveredKey& key = chosen.key;
      ExportedKey& written = done.emplace_back();
      written.name = chosen.name;
      written.from_backup = key.from_backup;
      written.files.push_back(chosen.file_name + u".key.pem");
      files.push_back({written.files.back(),
                       Pem("PRIVATE KEY", PrivateKeyInfo(key.family, key.curve, key.d).Span()),
                       {}});
      if (key.certificate) {
        written.files.push_back(chosen.file_name + u".cert.pem");
        files.push_back({written.files.back(), {}, PublicPem("CERTIFICATE", *key.certificate)});
      }
    }
    WriteKeyFiles(host, output, request.directory, files);
    *exported = std::move(done);
    if (note != nullptr) *note = std::move(source_note);
  });
}

std::u16string ExportedKeysText(const std::vector<ExportedKey>& exported,
                                std::u16string_view directory, size_t mostLines) {
  return ExportedText(exported, directory, mostLines,
                      u"Ключи выгружены успешно! ^_^v\r\nФайлы .key.pem не зашифрованы: храните "
                      u"их так же бережно, как сам контейнер.");
}

}  // namespace quillfen
