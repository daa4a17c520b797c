#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillfen {

// A proved key and its certificate as a PFX (PKCS #12) file in the standard
// profile of R 50.1.112-2016 and RFC 9548, which Windows, the CryptoPro
// provider and OpenSSL's GOST engine import.

struct PfxInput {
  // The key's PrivateKeyInfo, as --export-key writes it.
  std::span<const uint8_t> private_key_info;
  // The certificate's DER, when the container holds one.
  std::optional<std::span<const uint8_t>> certificate;
  // The bags' friendlyName; left out when empty.
  std::u16string friendly_name;
  // The file's password as UTF-8; may be empty.
  std::span<const uint8_t> password;
};

// Fills its bytes with random ones: the strong generator of the crypto
// facade, or a test's fixed bytes.
using RandomBytes = std::function<void(std::span<uint8_t>)>;

// The PFX bytes of `input`: version 3; the key as a pkcs8ShroudedKeyBag in a
// data content, then the certificate in an encryptedData content, each
// under PBES2 (PBKDF2 with HMAC-Stribog-512, a 32-byte salt, 2000
// iterations; GOST 28147-89 CFB with CryptoPro key meshing, an 8-byte IV,
// the TC26-Z S-box); both bags with localKeyID (the certificate's SHA-1
// thumbprint, else 01 00 00 00) and friendlyName; a MAC with Stribog-512
// keyed by the last 32 of 96 bytes of PBKDF2 (a 32-byte salt, 2000
// iterations). Salts and IVs come from `random`; what is derived from the
// password, and every encoding on the way that holds the key's ciphertext,
// is wiped. So is the file by the caller: under an empty password it is as
// good as the key.
std::vector<uint8_t> WritePfx(const PfxInput& input, const RandomBytes& random);

// The same with the strong random generator.
std::vector<uint8_t> WritePfx(const PfxInput& input);

// For tests: `random` in place of the strong generator while the object
// lives, so that the files a run writes are known before it runs.
class ScopedPfxRandom {
 public:
  explicit ScopedPfxRandom(RandomBytes random);
  ScopedPfxRandom(const ScopedPfxRandom&) = delete;
  ScopedPfxRandom& operator=(const ScopedPfxRandom&) = delete;
  ~ScopedPfxRandom();

 private:
  RandomBytes previous_;
};

}  // namespace quillfen
