#include "conversion/runs/export_keys.h"

#include "conversion/contents/container_values.h"
#include "conversion/contents/private_key_pem.h"
#include "conversion/contents/private_key_recovery.h"
#include "conversion/runs/container_list.h"
#include "conversion/runs/convert_containers.h"
#include "conversion/runs/password_source.h"
#include "conversion/runs/run_frame.h"
#include "host/message.h"
#include "host/path_functions.h"
#include "host/visible_name.h"
#include "support/joined.h"

namespace quillfen {
namespace {

constexpr char16_t kKeyWriteFailed[] = u"Не удалось записать файл ключа.";

// A key proved and ready to be written: what the message tells of it, and
// the contents of its files: the key's in secure memory, the certificate's,
// which is public, empty without one.
struct ReadyKey {
  ExportedKey exported;
  SecureBytes key;
  std::vector<uint8_t> certificate;
};

// Every value of `key`; a value its source cannot give ends the run.
std::vector<ContainerValue> ValuesOf(ContainerKey& key) {
  std::vector<ContainerValue> values;
  ForContainer(key, [&] { values = ReadAllValues(key); });
  return values;
}

}  // namespace

bool ExportKeys(const ExportRequest& request, Host& host, std::vector<ExportedKey>* exported,
                std::u16string* note, const Announce& announce) {
  return RunConversion(host, request.source_file, announce, [&](ContainerOutput& output) {
    const auto source = OpenSourceOrDirectory(host.files, request.source_file);
    PasswordSource passwords(host, request.password_file, request.source_file);
    std::vector<ReadyKey> ready;
    const auto chosen_containers =
        ChooseNamedContainers(*source, request.choice, request.source_file);
    ReserveKeyMemory(chosen_containers.size());
    for (const auto& chosen : chosen_containers) {
      std::vector<ContainerValue> values = ValuesOf(*chosen.key);
      const RecoveredKey key =
          RecoverKey(values, passwords, request.source_file, chosen.key->Name());
      WipeValues(values);
      ReadyKey next{{chosen.key->Name(), {chosen.name + u".key.pem"}, key.from_backup},
                    Pem("PRIVATE KEY", PrivateKeyInfo(key.family, key.curve, key.d).Span()),
                    {}};
      if (key.certificate) {
        next.exported.files.push_back(chosen.name + u".cert.pem");
        next.certificate = PublicPem("CERTIFICATE", *key.certificate);
      }
      ready.push_back(std::move(next));
    }

    // Every key is proved and every name free before anything is written.
    for (const auto& key : ready) {
      for (const auto& name : key.exported.files) {
        RefuseExistingTarget(host.files,
                             BuildFileName2(request.directory, name, host.files.Style()));
      }
    }
    output.CreateDirectory(request.directory);
    for (const auto& key : ready) {
      output.WriteFile(request.directory, key.exported.files[0], key.key.Span(),
                       FileAccess::kOwnerOnly, kKeyWriteFailed);
      if (!key.certificate.empty()) {
        output.WriteFile(request.directory, key.exported.files[1], key.certificate,
                         FileAccess::kOwnerOnly, kKeyWriteFailed);
      }
    }
    output.Sync();
    exported->clear();
    for (auto& key : ready) exported->push_back(std::move(key.exported));
    if (note != nullptr) *note = source->Note();
  });
}

std::u16string ExportedKeysText(const std::vector<ExportedKey>& exported,
                                std::u16string_view directory, size_t mostLines) {
  std::vector<std::u16string> lines;
  std::u16string backups;
  for (const auto& key : exported) {
    lines.push_back(QuotedName(key.name) + u" → " + Joined(key.files, u", "));
    if (key.from_backup) {
      backups += u"\r\nКлюч контейнера " + QuotedName(key.name) +
                 u" взят из резервной копии (masks2.key, primary2.key): основная повреждена.";
    }
  }
  return PathMessage(directory, ShownLines(lines, mostLines) +
                                    u"\r\n\r\nКлючи выгружены успешно! ^_^v\r\nФайлы .key.pem "
                                    u"не зашифрованы: храните их так же бережно, как сам "
                                    u"контейнер." +
                                    backups);
}

}  // namespace quillfen
