#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/runs/convert_containers.h"
#include "conversion/sources/container_source.h"
#include "host/host.h"

namespace quillfen {

// Which containers' certificates --cert saves, and where.
struct CertificateRequest {
  std::u16string source_file;
  ContainerChoice choice;
  std::u16string directory;
  // A PFX file's password: from this file ("-": standard input), else asked.
  std::optional<std::u16string> password_file = std::nullopt;
};

// What --cert did: the files it wrote, each with its container, and a line
// for each chosen container it wrote none for.
struct SavedCertificates {
  std::vector<ConvertedContainer> files;
  std::vector<std::u16string> without;
};

// Writes the certificate of each chosen container as the DER file
// NAME.cer in `request.directory` (made when missing), NAME being the
// directory name --all gives the container; the same for the chosen keys of
// a PFX file. The files are readable by all and never written over; all or
// nothing. Fails, after the one message, when no chosen container has a
// certificate that can be read.
bool SaveCertificates(const CertificateRequest& request, Host& host, SavedCertificates* saved,
                      const Announce& announce = {});

}  // namespace quillfen
