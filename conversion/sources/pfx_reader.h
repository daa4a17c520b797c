#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/pfx_contents.h"
#include "support/crypto.h"

namespace quillfen {

// A PFX (PKCS #12) file as a source of keys with their certificates.

// What a file may ask of the reader. The fuzzer lowers the iterations.
struct PfxLimits {
  unsigned long max_iterations = 10'000'000;
};

// The most bytes a PFX is read from, and the most of its keys and of its
// encrypted parts: each costs a key derivation.
inline constexpr size_t kMaxPfxSize = 8 << 20;
inline constexpr size_t kMaxPfxEncryptedParts = 16;

// True when `bytes` start as a PFX does: a SEQUENCE whose first element is
// INTEGER 3 and whose second a ContentInfo of type data. The rest may be
// missing; ReadPfx says so.
bool IsPfx(std::span<const uint8_t> bytes);

// The keys of the PFX `bytes` under `password` (UTF-8). The MAC is checked
// first; every key is proved against its certificate; certificates without
// a key are passed over. Throws ConversionError with the message that ends
// the run, about `sourceFile`: a wrong password is "Неверный пароль файла
// PFX «NAME».", NAME the file's name.
PfxContents ReadPfx(std::span<const uint8_t> bytes, const SecureBytes& password,
                    std::u16string_view sourceFile, const PfxLimits& limits = {});

}  // namespace quillfen
