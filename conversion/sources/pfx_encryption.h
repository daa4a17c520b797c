#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "conversion/pkcs_identifiers.h"
#include "conversion/sources/pfx_derivations.h"
#include "conversion/sources/pfx_reader.h"
#include "support/crypto.h"

namespace quillfen {

// How the parts of a PFX are protected by its password, for the PFX reader:
// the MAC, PBES2 (PBKDF2 and GOST 28147-89), the PKCS #12 encryptions with
// 3DES and RC2, and the CryptoPro provider's own key bag.

// What is wrong with a PFX, before the file's name is put to it. A part that
// does not decode throws DerError instead: damage, which the reader tells.
struct PfxFault {
  enum class Kind {
    kDamaged,              // detail: the reason
    kUndecipherable,       // what a password gave is no plaintext; detail: the reason
    kWrongPassword,        //
    kUnknownEncryption,    // detail: the identifier
    kUnknownParameters,    // of the encryption; detail: the identifier
    kUnknownMac,           // detail: the identifier
    kUnknownKey,           // detail: the identifier
    kUnknownCurve,         // detail: the identifier
    kUnknownContent,       // detail: the identifier
    kTooManyIterations,    // detail: the reason
    kKeyMacMismatch,       // inside the provider's key blob
    kCertificateMismatch,  //
    kNoKey                 //
  };
  Kind kind;
  std::u16string detail;
};

// The iteration count of a DER INTEGER's bytes. Throws PfxFault when it is
// not positive (kDamaged) or above `limits` (kTooManyIterations).
unsigned long Iterations(std::span<const uint8_t> integer, const PfxLimits& limits);

// The derivations that the AlgorithmIdentifier `algorithm` (its DER) of an
// encrypted part or key asks of the password, and those of MacData's DER
// `macData` (with an `emptyPassword`, both forms of its BMPString); for the
// reader to know what a file costs before it derives anything. Throw as
// Decrypt, DecryptProviderKey and CheckMac would.
std::vector<PfxDerivation> DerivationsOf(std::span<const uint8_t> algorithm,
                                         const PfxLimits& limits);
std::vector<PfxDerivation> MacDerivations(std::span<const uint8_t> macData, bool emptyPassword,
                                          const PfxLimits& limits);

// The provider's key bag's derivation from its parameters (DER).
PfxDerivation ProviderDerivation(std::span<const uint8_t> parameters, const PfxLimits& limits);

// Checks the MAC of MacData's DER over `content` (the authenticated safe's
// bytes) and says how it is made. An empty password's BMPString is two zero
// bytes or nothing, as writers differ: the one that the MAC takes is kept by
// `password` for the parts. Throws PfxFault: kWrongPassword when the MAC does not match.
PfxMac CheckMac(std::span<const uint8_t> macData, std::span<const uint8_t> content,
                PfxPassword& password, const PfxLimits& limits);

// The plaintext of `encrypted` under the password-based encryption that the
// AlgorithmIdentifier `algorithm` (its DER) names, described into
// `described`. The padding of the block ciphers is removed; a wrong one is
// kUndecipherable.
SecureBytes Decrypt(std::span<const uint8_t> algorithm, std::span<const uint8_t> encrypted,
                    PfxPassword& password, const PfxLimits& limits, PfxEncryption& described);

// The key in the provider's key bag, its parameters `parameters` (DER) and
// its encrypted data `encrypted`; the file's MAC, when there is one, has
// proved the password (`proved`), so that a bag that does not decode is
// damaged, not opened with a wrong password.
struct ProviderKey {
  std::string algorithm;
  std::string curve;
  std::string digest;
  SecureBytes d;  // little-endian
};
ProviderKey DecryptProviderKey(std::span<const uint8_t> parameters,
                               std::span<const uint8_t> encrypted, PfxPassword& password,
                               const PfxLimits& limits, bool proved, PfxEncryption& described);

}  // namespace quillfen
