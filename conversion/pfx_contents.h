#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "conversion/recovered_key.h"

namespace quillfen {

// What a PFX (PKCS #12) file holds and how it is protected: what its reader
// gives, what --info shows and the runs write again.

// Whose layout the file follows.
enum class PfxKind {
  kStandard,        // keys in PBES2 bags: R 50.1.112-2016, RFC 9548, OpenSSL's GOST engine
  kProviderExport,  // a key in the CryptoPro provider's own bag (PBE 1.2.840.113549.1.12.1.80)
};

// How a part of the file is encrypted: the identifier of the scheme, for
// PBES2 the cipher's and PBKDF2's PRF's too, and the iterations of its key
// derivation.
struct PfxEncryption {
  std::string scheme;  // "1.2.840.113549.1.5.13" (PBES2), "1.2.840.113549.1.12.1.3" …
  std::string cipher;  // PBES2's: "1.2.643.2.2.21"; empty otherwise
  std::string prf;     // PBKDF2's: "1.2.643.7.1.1.4.2"; empty otherwise
  unsigned long iterations = 0;
};

// The MAC over the file: its digest's identifier and the iterations of its
// key's derivation.
struct PfxMac {
  std::string digest;  // "1.2.643.7.1.1.2.3", "1.3.14.3.2.26" …
  unsigned long iterations = 0;
};

// One key of the file, proved: d is a key of its curve and d·G the public key
// of its certificate, when it has one.
struct PfxKey : RecoveredKey {
  std::string algorithm;                        // as the file names it: "1.2.643.7.1.1.1.1"
  std::string digest;                           // empty when the file names none
  std::optional<std::u16string> friendly_name;  // the key bag's, else its certificate's
  std::vector<uint8_t> local_key_id;            // empty when the bag has none
  PfxEncryption encryption;                     // of the key's bag
};

// What a PFX holds, and how it is protected.
struct PfxContents {
  PfxKind kind = PfxKind::kStandard;
  std::optional<PfxMac> mac;  // nothing: the file has no MacData
  // The encryption of the first encrypted part that holds certificates;
  // nothing when they are in the clear or there are none.
  std::optional<PfxEncryption> certificate_encryption;
  std::vector<PfxKey> keys;  // in the file's order
};

}  // namespace quillfen
