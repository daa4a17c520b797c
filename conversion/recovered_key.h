#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/crypto.h"

namespace quillfen {

// The three kinds of GOST keys a container holds; each derives its keys
// with its own hash and encrypts with its own S-box.
enum class KeyFamily { k2001, k2012_256, k2012_512 };

// The family of a key algorithm's identifier, the signature one or the key
// agreement one; nothing for any other.
std::optional<KeyFamily> KeyFamilyOf(std::string_view algorithmOid);

// The length of a private key of the family: 32 bytes, or 64 for 2012-512.
size_t KeySizeOf(KeyFamily family);

// True when `curveOid` is a curve the program knows of the family's size:
// 256 bits for 2001 and 2012-256, 512 for 2012-512. A key of one family on a
// curve of the other size would be written as neither: OpenSSL refuses it.
bool CurveFitsFamily(std::string_view curveOid, KeyFamily family);

// A private key, recovered and proved: from a container, or from a PFX file.
struct RecoveredKey {
  KeyFamily family = KeyFamily::k2012_256;
  std::string curve;
  SecureBytes d;                                    // little-endian, as long as the curve's order
  std::optional<std::vector<uint8_t>> certificate;  // DER, when its source holds one
  bool from_backup = false;                         // primary.key and masks.key failed their checks
};

}  // namespace quillfen
