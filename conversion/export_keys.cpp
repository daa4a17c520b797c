#include "conversion/export_keys.h"

#include "conversion/container_names.h"
#include "conversion/contents/key_export.h"
#include "conversion/contents/private_key_pem.h"
#include "conversion/convert_containers.h"
#include "conversion/convert_reg_file.h"
#include "host/path_functions.h"
#include "support/ascii.h"

namespace quillfen {
namespace {

constexpr char16_t kKeyWriteFailed[] = u"Не удалось записать файл ключа.";

KeyFiles ReadKeyFiles(ContainerKey& key) {
  KeyFiles files;
  const std::pair<const char16_t*, std::optional<std::vector<uint8_t>>*> wanted[] = {
      {u"header.key", &files.header},
      {u"masks.key", &files.masks},
      {u"primary.key", &files.primary},
      {u"masks2.key", &files.masks2},
      {u"primary2.key", &files.primary2}};
  while (auto value = key.NextValue()) {
    for (const auto& [name, slot] : wanted) {
      if (EqualIgnoringAsciiCase(value->name, name)) *slot = std::move(value->bytes);
    }
  }
  return files;
}

// A key ready to be written, with the name of its files.
struct ReadyKey {
  std::u16string container;
  std::u16string base;
  SecureBytes key_pem;
  std::optional<SecureBytes> certificate_pem;
  bool from_backup;
};

}  // namespace

bool ExportKeys(const ExportRequest& request, Host& host, std::vector<ExportedKey>* exported,
                std::u16string* note) {
  return RunConversion(host, request.source, [&](ContainerOutput& output) {
    const auto source = OpenContainerSource(host.files, request.source);
    const auto keys = ChooseContainers(*source, request.choice, request.source);
    PasswordSource passwords(host, request.password_file, request.source);
    DirectoryNamer namer(nullptr, {});
    std::vector<ReadyKey> ready;
    for (const auto& key : keys) {
      KeyFiles files;
      ForContainer(*key, [&] { files = ReadKeyFiles(*key); });
      const RecoveredKey recovered = RecoverKey(files, passwords, request.source, key->Name());
      ReadyKey next{
          key->Name(), namer.Next(key->Name()).value_or(u"key"),
          Pem("PRIVATE KEY", PrivateKeyInfo(recovered.family, recovered.curve, recovered.d).Span()),
          std::nullopt, recovered.from_backup};
      if (recovered.certificate) next.certificate_pem = Pem("CERTIFICATE", *recovered.certificate);
      ready.push_back(std::move(next));
    }

    std::vector<ExportedKey> written;
    for (const auto& key : ready) {
      ExportedKey done{key.container, {key.base + u".key.pem"}, key.from_backup};
      if (key.certificate_pem) done.files.push_back(key.base + u".cert.pem");
      for (const auto& name : done.files) {
        RefuseExistingTarget(host.files,
                             BuildFileName2(request.directory, name, host.files.Style()));
      }
      written.push_back(std::move(done));
    }
    for (size_t i = 0; i < ready.size(); ++i) {
      const ReadyKey& key = ready[i];
      const ExportedKey& done = written[i];
      output.WriteContainerFile(request.directory, done.files[0], key.key_pem.Span(),
                                kKeyWriteFailed);
      if (key.certificate_pem) {
        output.WriteContainerFile(request.directory, done.files[1], key.certificate_pem->Span(),
                                  kKeyWriteFailed);
      }
    }
    output.Sync();
    *exported = std::move(written);
    if (note != nullptr) *note = source->Note();
  });
}

}  // namespace quillfen
