#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "conversion/contents/key_derivation.h"
#include "support/crypto.h"

namespace quillfen {

// What header.key says about the primary key.
struct KeyFacts {
  KeyFamily family = KeyFamily::k2012_256;
  std::string curve_oid;                           // the curve's parameter set
  std::array<uint8_t, 4> check_value{};            // [2], zeros without a password
  std::vector<uint8_t> primary_fp;                 // [10]: X of d·G, little-endian, first 8 bytes
  std::optional<std::vector<uint8_t>> public_key;  // the certificate's X ‖ Y, little-endian
};

// One copy of the key: masks.key with primary.key, or the backup pair
// masks2.key with primary2.key. The mask and the encrypted key are wiped
// when the copy goes.
struct StoredKey {
  std::vector<uint8_t> mask;
  std::vector<uint8_t> salt;
  std::vector<uint8_t> mac;        // of the salt, keyed by the mask
  std::vector<uint8_t> encrypted;  // primary.key's first OCTET STRING

  ~StoredKey() {
    Wipe(mask);
    Wipe(encrypted);
  }
};

// header.key's content SEQUENCE (its DER, tag and length included) against
// the MAC beside it: under an all-zero key.
bool HeaderIntact(KeyFamily family, std::span<const uint8_t> content, std::span<const uint8_t> mac);

// masks.key's MAC of its salt, keyed by the mask's last 32 bytes.
bool MasksIntact(KeyFamily family, const StoredKey& stored);

// True when `pin` gives the container's password check value.
bool PasswordMatches(const KeyFacts& facts, std::span<const uint8_t> pin);

// The private key d of `stored` under the password's `pin`, little-endian
// and as long as the curve's order, once it is proved: its masks are
// intact, d·G's X starts with primaryFP and d·G is the certificate's public
// key when there is one. Nothing when any of it fails.
std::optional<SecureBytes> UnlockKey(const KeyFacts& facts, const StoredKey& stored,
                                     std::span<const uint8_t> pin);

}  // namespace quillfen
