#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillfen {

// PFX files that ask a reader for costly key derivations. Their MAC, their
// ciphertexts and their keys are bytes of no meaning: a reader runs the
// first derivation it needs in full, then finds that it opens nothing.

struct CostlyDerivation {
  enum class Kind {
    kStreebog512Mac,    // PBKDF2 with HMAC-Streebog-512, 96 bytes: 2 rounds an iteration
    kStreebog256Mac,    // the same with HMAC-Streebog-256: 3
    kSha1Mac,           // the PKCS #12 derivation with SHA-1: 1, for either BMPString
    kPbes2Streebog256,  // an encrypted part, PBES2 with HMAC-Streebog-256: 1
    kPbes2Streebog512,  // the same with HMAC-Streebog-512: 1
    kTripleDes,         // an encrypted part, pbeWithSHAAnd3-KeyTripleDES-CBC: 2 + 1 for the IV
    kProviderBag,       // the provider's key bag in a part in the clear: 1
  };
  Kind kind;
  unsigned long iterations;
  uint8_t salt = 1;  // its every byte
  size_t salt_size = 16;
};

// A PFX that asks for `derivations` in their order; a MAC is the first or
// none.
std::vector<uint8_t> CostlyPfx(const std::vector<CostlyDerivation>& derivations);

// An encrypted part (EncryptedData) that holds `bags`, a SafeContents' DER,
// under `password`: PBES2 with HMAC-Streebog-512 and `iterations`.
std::vector<uint8_t> EncryptedPart(std::span<const uint8_t> bags, std::span<const uint8_t> password,
                                   unsigned long iterations);

}  // namespace quillfen
