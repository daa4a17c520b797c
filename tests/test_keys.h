#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/contents/key_checks.h"
#include "conversion/contents/key_derivation.h"

namespace quillfen {

// Secure bytes as a text, for comparing a PEM.
inline std::string Text(const SecureBytes& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A password as the program holds it.
Password TestPassword(std::u16string_view text);

// A key stored the way a container stores it, by the reader's steps in
// reverse: the private key `d` (little-endian) masked with `mask`,
// encrypted under the key derived from `pin` and `salt`, the masks' MAC
// beside it.
StoredKey StoreKey(KeyFamily family, const std::string& curve, std::span<const uint8_t> d,
                   std::span<const uint8_t> pin, std::vector<uint8_t> mask,
                   std::vector<uint8_t> salt);

// What header.key says of `d`: primaryFP and the check value of `pin`
// (zeros for an empty one), the public key as a certificate holds it.
KeyFacts FactsOf(KeyFamily family, const std::string& curve, std::span<const uint8_t> d,
                 std::span<const uint8_t> pin);

}  // namespace quillfen
