#include "conversion/runs/certificate_files.h"

#include "conversion/contents/container_contents.h"
#include "conversion/conversion_error.h"
#include "conversion/destinations/container_names.h"
#include "conversion/destinations/output_files.h"
#include "conversion/runs/pfx_source.h"
#include "conversion/runs/run_frame.h"
#include "host/path_functions.h"
#include "host/visible_name.h"

namespace quillfen {
namespace {

constexpr char16_t kCertificateFailed[] = u"Не удалось записать файл сертификата.";

// What --cert finds before it writes anything: each certificate with its
// file, and a line for each chosen key without one.
class Found {
 public:
  Found(const CertificateRequest& request, Host& host) : request_(request), host_(host) {}

  void Save(std::u16string_view name, const std::u16string& fileName,
            const std::vector<uint8_t>& der) {
    const std::u16string path =
        BuildFileName2(request_.directory, fileName + u".cer", host_.files.Style());
    saved.files.push_back({std::u16string(name), path});
    certificates.emplace_back(fileName + u".cer", der);
  }

  void FromPfx(const FileBytes& bytes) {
    PasswordSource passwords(host_, request_.password_file, request_.source_file);
    const OpenedPfx pfx = ReadPfxSource(host_, bytes, request_.source_file, passwords);
    const ChosenPfxKeys chosen =
        ChoosePfxKeys(pfx, request_.choice, request_.source_file, request_.directory);
    for (size_t k = 0; k < chosen.keys.size(); ++k) {
      const size_t i = chosen.keys[k];
      if (pfx.contents.keys[i].certificate) {
        Save(pfx.names[i], chosen.file_names[k], *pfx.contents.keys[i].certificate);
      } else {
        saved.without.push_back(QuotedName(pfx.names[i]) + u": сертификата нет");
      }
    }
  }

  void FromContainers(ContainerSource& source) {
    for (const auto& chosen :
         ChooseNamedContainers(source, request_.choice, request_.source_file, request_.directory)) {
      const ContainerContents contents = ReadKeyContents(*chosen.key);
      const std::u16string name = QuotedName(chosen.key->Name());
      if (contents.HasCertificate()) {
        Save(chosen.key->Name(), chosen.name, contents.certificate->der);
      } else if (contents.certificate) {
        saved.without.push_back(name + u": сертификат не прочитан");
      } else if (contents.header_read) {
        saved.without.push_back(name + u": сертификата нет");
      } else {
        std::u16string why = u"header.key не прочитан";
        if (!contents.problems.empty()) why = contents.problems.front();
        saved.without.push_back(name + u": " + why);
      }
    }
  }

  SavedCertificates saved;
  std::vector<std::pair<std::u16string, std::vector<uint8_t>>> certificates;

 private:
  const CertificateRequest& request_;
  Host& host_;
};

}  // namespace

bool SaveCertificates(const CertificateRequest& request, Host& host, SavedCertificates* saved,
                      const Announce& announce) {
  return RunConversion(host, request.source_file, announce, [&](ContainerOutput& output) {
    SourceOrPfx opened = OpenSourceOrPfx(host.files, request.source_file);
    Found found(request, host);
    if (opened.pfx) {
      found.FromPfx(*opened.pfx);
    } else {
      found.FromContainers(*opened.containers);
    }
    if (found.certificates.empty()) {
      std::u16string lines;
      for (const auto& line : found.saved.without) lines += u"\r\n" + line;
      throw PathError(request.source_file, u"В выбранных контейнерах нет сертификата." + lines);
    }
    std::vector<OutputFile> files;
    for (const auto& [file_name, der] : found.certificates) files.push_back({file_name, der});
    // Readable by all, as the certificates in it are.
    WriteOutputFiles(host, output, request.directory, files, FileAccess::kEveryoneReads,
                     kCertificateFailed);
    *saved = std::move(found.saved);
  });
}

}  // namespace quillfen
