#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/crypto.h"

namespace quillfen {

// The three kinds of GOST keys a container holds; each derives its keys
// with its own hash and encrypts with its own S-box.
enum class KeyFamily { k2001, k2012_256, k2012_512 };

// A container's private key, recovered and proved.
struct RecoveredKey {
  KeyFamily family = KeyFamily::k2012_256;
  std::string curve;
  SecureBytes d;                                    // little-endian, as long as the curve's order
  std::optional<std::vector<uint8_t>> certificate;  // DER, when the container holds one
  bool from_backup = false;                         // primary.key and masks.key failed their checks
};

}  // namespace quillfen
