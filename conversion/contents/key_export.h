#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/container_key.h"
#include "conversion/contents/key_derivation.h"
#include "conversion/runs/password_source.h"
#include "support/crypto.h"

namespace quillfen {

// A container's private key, recovered and proved.
struct RecoveredKey {
  KeyFamily family = KeyFamily::k2012_256;
  std::string curve;
  SecureBytes d;                                    // little-endian, as long as the curve's order
  std::optional<std::vector<uint8_t>> certificate;  // DER, when the container holds one
  bool from_backup = false;                         // primary.key and masks.key failed their checks
};

// The key of the container called `container`, read from its values:
// header.key intact, the
// password (asked of `passwords` only when the container has one) right by
// the container's check value, in the UTF-16 form or else the Windows-1251
// one, and the key proved from the first copy that passes, primary.key with
// masks.key or else their backups. Throws ConversionError with the message
// that ends the run, about `sourceFile`.
RecoveredKey RecoverKey(std::span<const ContainerValue> values, PasswordSource& passwords,
                        std::u16string_view sourceFile, std::u16string_view container);

// Sizes the secure memory of a run that recovers `keys` keys and holds
// each, as its PEM, until the last is proved.
void ReserveKeyMemory(size_t keys);

}  // namespace quillfen
