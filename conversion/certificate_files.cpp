#include "conversion/certificate_files.h"

#include "conversion/container_info.h"
#include "conversion/container_names.h"
#include "conversion/conversion_error.h"
#include "conversion/convert_reg_file.h"
#include "host/path_functions.h"
#include "support/simple_regexp.h"

namespace quillfen {
namespace {

constexpr char16_t kCertificateFailed[] = u"Не удалось записать файл сертификата.";

struct Chosen {
  std::unique_ptr<ContainerKey> key;
  std::u16string file_name;
};

// The chosen containers with the names --all gives them among all of the
// source's, whichever are chosen.
std::vector<Chosen> ChooseWithNames(ContainerSource& source, const ContainerChoice& choice,
                                    std::u16string_view sourceFile) {
  auto keys = source.All();
  if (keys.empty()) throw PathError(sourceFile, kNoContainer);
  DirectoryNamer namer(nullptr, {});
  std::vector<Chosen> chosen;
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::u16string name = namer.Next(keys[i]->Name()).value_or(u"key");
    const bool wanted = choice.kind == ContainerChoice::Kind::kAll ||
                        (choice.kind == ContainerChoice::Kind::kFirst && i == 0) ||
                        (choice.kind == ContainerChoice::Kind::kNamed && chosen.empty() &&
                         SameTextIgnoringCase(keys[i]->Name(), choice.name));
    if (wanted) chosen.push_back({std::move(keys[i]), name + u".cer"});
  }
  if (chosen.empty()) {
    throw PathError(sourceFile,
                    u"В файле реестра не найден раздел с контейнером «" + choice.name + u"».");
  }
  return chosen;
}

}  // namespace

bool SaveCertificates(const CertificateRequest& request, Host& host, SavedCertificates* saved) {
  return RunConversion(host, request.source_file, [&](ContainerOutput& output) {
    const auto source = OpenSourceOrDirectory(host.files, request.source_file);
    SavedCertificates done;
    std::vector<std::pair<std::u16string, std::vector<uint8_t>>> certificates;
    for (const auto& chosen : ChooseWithNames(*source, request.choice, request.source_file)) {
      const ContainerContents contents = ReadKeyContents(*chosen.key);
      const std::u16string name = u"«" + chosen.key->Name() + u"»";
      if (contents.HasCertificate()) {
        const std::u16string path =
            BuildFileName2(request.directory, chosen.file_name, host.files.Style());
        done.files.push_back({chosen.key->Name(), path});
        certificates.emplace_back(chosen.file_name, contents.certificate->der);
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
    output.CreateDirectory(request.directory);
    for (const auto& [file_name, der] : certificates) {
      output.WriteFile(request.directory, file_name, der, FileAccess::kEveryoneReads,
                       kCertificateFailed);
    }
    output.Sync();
    *saved = std::move(done);
  });
}

}  // namespace quillfen
