#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "conversion/recovered_key.h"
#include "support/crypto.h"

namespace quillfen {

GostSbox SboxOf(KeyFamily family);

// A password as UTF-16 code units, two bytes each, low byte first; kept in
// secure memory like everything derived from it.
using Password = SecureBytes;

// The password as the derivation reads it: each UTF-16 unit as four bytes,
// low, high, 0, 0.
SecureBytes PinOf(const Password& password);

// The same with each character's Windows-1251 byte in place of its unit, as
// some writers encode passwords beyond ASCII. Nothing when the password is
// all ASCII (the forms would be the same) or holds a character the code page
// lacks.
std::optional<SecureBytes> Windows1251PinOf(const Password& password);

// The 32-byte key derived from the password's `pin` with `salt`: 2000 rounds
// of the family's hash (2 for an empty password).
SecureBytes DeriveKey(KeyFamily family, std::span<const uint8_t> salt,
                      std::span<const uint8_t> pin);

// What header.key keeps to check a password by: the MAC of 16 zero bytes
// under the key derived with primaryFP as the salt.
std::array<uint8_t, 4> PasswordCheckValue(KeyFamily family, std::span<const uint8_t> primaryFp,
                                          std::span<const uint8_t> pin);

// A container without a password keeps a check value of zeros.
bool HasPassword(std::span<const uint8_t> checkValue);

}  // namespace quillfen
