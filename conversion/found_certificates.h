#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillfen {

// Certificates found outside the containers (--certs-from, and on Windows
// the system's certificate stores): what the certificate sources read and
// what the contents match to containers by their public keys. Nothing here
// is trusted: a store's link to a container and its friendly name are only
// shown, never used to choose.

// One certificate, as read.
struct FoundCertificate {
  std::vector<uint8_t> der;
  // The file it was read from, as named on the command line; inside a
  // directory given, the directory's path with the file's name.
  std::u16string source;
  // The container the store links it to (CERT_KEY_PROV_INFO_PROP_ID), and
  // its friendly name (CERT_FRIENDLY_NAME_PROP_ID); nothing when the store
  // says nothing.
  std::optional<std::u16string> linked_container;
  std::optional<std::u16string> friendly_name;
  // Which of the paths given it came from: an index into
  // FoundCertificates::given.
  size_t given = 0;
};

// One path given (a --certs-from PATH), and what reading it passed over: a
// damaged element of a store or bundle, a file of a directory that is none
// of the kinds read.
struct CertificatePath {
  std::u16string path;
  size_t passed_over = 0;
  // What was passed over, each "NAME (reason)", the first few only.
  std::vector<std::u16string> passed_over_names;
};

struct FoundCertificates {
  std::vector<CertificatePath> given;          // in the order given
  std::vector<FoundCertificate> certificates;  // in the order read
};

// The most certificates a run reads from all its paths together, and the
// largest one it reads.
inline constexpr size_t kMaxFoundCertificates = 100'000;
inline constexpr size_t kMaxCertificateSize = 1 << 20;

}  // namespace quillfen
