#pragma once

#include <string>

#include "conversion/contents/container_contents.h"
#include "conversion/pfx_contents.h"
#include "support/date_time.h"

namespace quillfen {

// Where a container was found: the key's name, its user key and view in a
// registry, or the directory it is.
struct ContainerPlace {
  std::u16string name;
  std::u16string user;
  bool wow64 = false;
  std::u16string directory;  // for a container directory; then no user
};

// The --info block of one container, lines separated by CR LF, dates in UTC
// and certificates judged valid or not at `now`.
std::u16string InfoBlock(const ContainerPlace& place, const ContainerContents& contents,
                         const DateTime& now);

// The --info block of a PFX file `path`: its kind, its MAC and the
// encryption of its certificates, with their iterations.
std::u16string PfxFileBlock(std::u16string_view path, const PfxContents& contents);

// The --info block of a key of a PFX file, as a container's: the container
// `name` it makes, its friendlyName, its encryption, its algorithm, curve
// and digest, and its certificate judged at `now`.
std::u16string PfxKeyBlock(std::u16string_view name, const PfxKey& key, const DateTime& now);

// What --list shows of a container's certificate: its subject's common name
// and its last day, each "—" when there is none.
struct CertificateSummary {
  std::u16string name = u"—";
  std::u16string last_day = u"—";
  bool operator==(const CertificateSummary&) const = default;
};
CertificateSummary SummaryOfCertificate(const ContainerContents& contents);

}  // namespace quillfen
