#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "conversion/contents/key_derivation.h"
#include "support/crypto.h"

namespace quillfen {

// The PKCS #8 PrivateKeyInfo of the private key `d` (little-endian, as long
// as the curve's order) exactly as OpenSSL's GOST engine writes a key of
// that family and curve: the family's signature algorithm, the curve with
// the digest the engine names beside it, and d itself as the privateKey.
SecureBytes PrivateKeyInfo(KeyFamily family, std::string_view curve, const SecureBytes& d);

// `der` in PEM: "-----BEGIN label-----", base64 in lines of 64, the end
// line, each ended by LF, as OpenSSL writes it; in secure memory, for a key.
SecureBytes Pem(std::string_view label, std::span<const uint8_t> der);
// The same in plain memory, for what is public: a certificate.
std::vector<uint8_t> PublicPem(std::string_view label, std::span<const uint8_t> der);

}  // namespace quillfen
