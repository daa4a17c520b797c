#include "conversion/runs/certificate_files.h"

#include "conversion/contents/container_contents.h"
#include "conversion/conversion_error.h"
#include "conversion/destinations/container_names.h"
#include "conversion/runs/pfx_source.h"
#include "conversion/runs/run_frame.h"
#include "host/path_functions.h"
#include "host/visible_name.h"

namespace quillfen {
namespace {

constexpr char16_t kCertificateFailed[] = u"Не удалось записать файл сертификата.";

}  // namespace

bool SaveCertificates(const CertificateRequest& request, Host& host, SavedCertificates* saved,
                      const Announce& announce) {
  return RunConversion(host, request.source_file, announce, [&](ContainerOutput& output) {
    SourceOrPfx opened = OpenSourceOrPfx(host.files, request.source_file);
    SavedCertificates done;
    std::vector<std::pair<std::u16string, std::vector<uint8_t>>> certificates;
    const auto save = [&](std::u16string_view name, const std::u16string& file_name,
                          const std::vector<uint8_t>& der) {
      const std::u16string path =
          BuildFileName2(request.directory, file_name + u".cer", host.files.Style());
      done.files.push_back({std::u16string(name), path});
      certificates.emplace_back(file_name + u".cer", der);
    };
    std::vector<NamedContainer> containers;
    if (opened.pfx) {
      PasswordSource passwords(host, request.password_file, request.source_file);
      const OpenedPfx pfx = ReadPfxSource(host, *opened.pfx, request.source_file, passwords);
      const auto places = PlacesOf(pfx);
      const auto chosen = ChooseAmong(places, request.choice, request.source_file, kNoPfxKeyNamed);
      const auto file_names = FileNamesOf(places, chosen, request.directory);
      for (size_t k = 0; k < chosen.size(); ++k) {
        const PfxKey& key = pfx.contents.keys[chosen[k]];
        if (key.certificate) {
          save(pfx.names[chosen[k]], file_names[k], *key.certificate);
        } else {
          done.without.push_back(QuotedName(pfx.names[chosen[k]]) + u": сертификата нет");
        }
      }
    } else {
      containers = ChooseNamedContainers(*opened.containers, request.choice, request.source_file,
                                         request.directory);
    }
    for (const auto& chosen : containers) {
      const ContainerContents contents = ReadKeyContents(*chosen.key);
      const std::u16string name = QuotedName(chosen.key->Name());
      if (contents.HasCertificate()) {
        save(chosen.key->Name(), chosen.name, contents.certificate->der);
      } else if (contents.certificate) {
        done.without.push_back(name + u": сертификат не прочитан");
      } else if (contents.header_read) {
        done.without.push_back(name + u": сертификата нет");
      } else {
        std::u16string why = u"header.key не прочитан";
        if (!contents.problems.empty()) why = contents.problems.front();
        done.without.push_back(name + u": " + why);
      }
    }
    if (certificates.empty()) {
      std::u16string lines;
      for (const auto& line : done.without) lines += u"\r\n" + line;
      throw PathError(request.source_file, u"В выбранных контейнерах нет сертификата." + lines);
    }
    // Every name is free before anything is written.
    for (const auto& file : done.files) RefuseExistingTarget(host.files, file.directory);
    // Readable by all, as the certificates in it are.
    output.CreateFilesDirectory(request.directory, FileAccess::kEveryoneReads);
    for (const auto& [file_name, der] : certificates) {
      output.WriteFile(request.directory, file_name, der, FileAccess::kEveryoneReads,
                       kCertificateFailed);
    }
    output.Sync();
    *saved = std::move(done);
  });
}

}  // namespace quillfen
