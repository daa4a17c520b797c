#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "conversion/contents/key_checks.h"

namespace quillfen {

// masks.key and primary.key (or their backups masks2.key and primary2.key)
// as one stored copy of the key: the mask, the salt and its MAC, and
// primary.key's first OCTET STRING. Nothing when either is not that DER.
std::optional<StoredKey> ReadStoredKey(std::span<const uint8_t> masks,
                                       std::span<const uint8_t> primary);

// masks.key's MAC of its salt, checked; nothing when the file is not its DER.
std::optional<bool> MasksFileIntact(KeyFamily family, std::span<const uint8_t> masks);

}  // namespace quillfen
