#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/pfx_contents.h"
#include "host/file_system.h"
#include "support/crypto.h"

namespace quillfen {

// A PFX (PKCS #12) file as a source of keys with their certificates.

// What a file may ask of the reader. Writers use 2000 or 2048 iterations,
// the most careful some hundreds of thousands: a count above a million is
// damage, or an attack. A file's derivations together may take a million
// rounds of their digests (see KeyDerivationRounds): some seconds of the
// slowest, Streebog. The fuzzer lowers both.
struct PfxLimits {
  unsigned long max_iterations = 1'000'000;
  uint64_t max_rounds = 1'000'000;
};

// The most bytes a PFX is read from, the most of its keys and of its
// encrypted parts (each costs a key derivation), and of its bags (a file of
// a few keys and their chains has dozens).
inline constexpr size_t kMaxPfxSize = 8 << 20;
inline constexpr size_t kMaxPfxEncryptedParts = 16;
inline constexpr size_t kMaxPfxBags = 1024;

// What reading a PFX holds in secure memory for its password, the longest a
// run takes (4096 bytes of Windows-1251 letters, three bytes each in UTF-8):
// the text it came from, its UTF-8, one other form at a time and what a
// derivation makes of it.
inline constexpr size_t kPfxPasswordMemory = 48 << 10;

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

// The same with the empty password, as the provider's own exports have one,
// and keys in the clear need none; nothing when the file needs another
// password: a MAC that does not match, or parts that it does not decrypt.
std::optional<PfxContents> ReadPfxWithoutPassword(std::span<const uint8_t> bytes,
                                                  std::u16string_view sourceFile,
                                                  const PfxLimits& limits = {});

// The names of the containers that the keys of a PFX make, in their order:
// with one key, the file's name without its extension ("ivanov.pfx" gives
// "ivanov"); with several, each key's friendlyName, or the file's name and
// the key's number from 1 ("ivanov 2") for a key without one or with the
// name of a key before it (then the next number free), so that every name
// chooses one key.
std::vector<std::u16string> PfxKeyNames(const PfxContents& contents, std::u16string_view sourceFile,
                                        PathStyle style);

}  // namespace quillfen
