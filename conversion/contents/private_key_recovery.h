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
#include "conversion/runs/password_source.h"
#include "support/crypto.h"

namespace quillfen {

// The key of the container called `container`, read from its values:
// header.key intact, the
// password (asked of `passwords` only when the container has one) right by
// the container's check value, in the UTF-16 form or else the Windows-1251
// one, and the key proved from the first copy that passes, primary.key with
// masks.key or else their backups. Throws ConversionError with the message
// that ends the run, about `sourceFile`.
RecoveredKey RecoverKey(std::span<const ContainerValue> values, PasswordSource& passwords,
                        std::u16string_view sourceFile, std::u16string_view container);

}  // namespace quillfen
