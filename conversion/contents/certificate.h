#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "support/date_time.h"

namespace quillfen {

// What a certificate says about whose key it is, as people read it.
struct CertificateContents {
  // The names as Windows writes them: "CN=…, O=…, ИНН=…", most specific
  // first.
  std::u16string subject;
  std::u16string issuer;
  // The subject's common name; empty when it has none.
  std::u16string common_name;
  // The serial number in hex digits, as the certificate tools print it.
  std::u16string serial;
  DateTime not_before;
  DateTime not_after;
  // SHA-1 of the certificate: 40 hex digits, as the certificate tools print it.
  std::u16string thumbprint;
  // A GOST public key's X ‖ Y, little-endian; empty for a key of another kind.
  std::vector<uint8_t> public_key;
};

// Throws DerError when `der` is no X.509 certificate, or is one of more
// than 1 MB.
CertificateContents ReadCertificate(std::span<const uint8_t> der);

enum class Validity { kValid, kExpired, kNotYetValid };
Validity ValidityAt(const CertificateContents& certificate, const DateTime& now);

// Lower-case hex digits of `bytes`.
std::u16string HexDigits(std::span<const uint8_t> bytes);

}  // namespace quillfen
