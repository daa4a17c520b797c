#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/container_key.h"
#include "conversion/contents/key_derivation.h"
#include "conversion/recovered_key.h"
#include "support/crypto.h"

namespace quillfen {

// Where the passwords of a run's containers come from: the run decides (a
// file, standard input, the terminal), the recovery only asks.
class ContainerPasswords {
 public:
  virtual ~ContainerPasswords() = default;

  // The password to try on the container called `container`. Throws
  // ConversionError when none can be had.
  virtual const Password& Get(std::u16string_view container) = 0;
};

// The key of the container called `container`, read from its values:
// header.key intact, the
// password (asked of `passwords` only when the container has one) right by
// the container's check value, in the UTF-16 form or else the Windows-1251
// one, and the key proved from the first copy that passes, primary.key with
// masks.key or else their backups. Throws ConversionError with the message
// that ends the run, about `sourceFile`.
RecoveredKey RecoverKey(std::span<const ContainerValue> values, ContainerPasswords& passwords,
                        std::u16string_view sourceFile, std::u16string_view container);

// Sizes the secure memory of a run that recovers `keys` keys and holds
// each, as its PEM, until the last is proved, and that holds `otherSecrets`
// bytes besides (a PFX's, decrypted).
void ReserveKeyMemory(size_t keys, size_t otherSecrets = 0);

}  // namespace quillfen
