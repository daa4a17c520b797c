#pragma once

#include <string>

#include "conversion/contents/container_contents.h"
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

// What --list shows of a container's certificate: its subject's common name
// and its last day, each "—" when there is none.
struct CertificateSummary {
  std::u16string name = u"—";
  std::u16string last_day = u"—";
  bool operator==(const CertificateSummary&) const = default;
};
CertificateSummary SummaryOfCertificate(const ContainerContents& contents);

}  // namespace quillfen
