#include "conversion/contents/key_derivation.h"

#include <algorithm>
#include <cstring>

#include "host/windows1251.h"

namespace quillfen {
namespace {

constexpr char kSeed[] = "DENEFH028.760246785.IUEFHWUIO.EF";
constexpr size_t kKeySize = 32;

// 34.11-94 digests 32-byte blocks, 34.11-2012 64-byte ones; 2012 keys of
// either length derive with the 256-bit hash.
GostHash HashOf(KeyFamily family) {
  return family == KeyFamily::k2001 ? GostHash::kR3411_94CryptoPro : GostHash::kStribog256;
}
size_t BlockOf(KeyFamily family) { return family == KeyFamily::k2001 ? 32 : 64; }

// `pin` with one byte per character, each padded to four.
SecureBytes PinOfBytes(const SecureBytes& bytes) {
  SecureBytes pin(bytes.size() * 4);
  for (size_t i = 0; i < bytes.size(); ++i) pin[4 * i] = bytes[i];
  return pin;
}

// `source` ⊕ `pad` over its first `length` bytes, into `out`.
void XorInto(const SecureBytes& source, uint8_t pad, size_t length, SecureBytes& out) {
  for (size_t i = 0; i < length; ++i) out[i] = source[i] ^ pad;
}

}  // namespace

GostSbox SboxOf(KeyFamily family) {
  return family == KeyFamily::k2001 ? GostSbox::kCryptoProA : GostSbox::kTc26Z;
}

SecureBytes PinOf(const Password& password) {
  SecureBytes pin(password.size() * 2);
  for (size_t i = 0; i + 1 < password.size(); i += 2) {
    pin[2 * i] = password[i];
    pin[2 * i + 1] = password[i + 1];
  }
  return pin;
}

std::optional<SecureBytes> Windows1251PinOf(const Password& password) {
  SecureBytes bytes(password.size() / 2);
  bool beyond_ascii = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char16_t unit = static_cast<char16_t>(password[2 * i] | password[2 * i + 1] << 8);
    if (unit < 0x80) {
      bytes[i] = static_cast<uint8_t>(unit);
      continue;
    }
    const auto found = std::find(kWindows1251HighHalf.begin(), kWindows1251HighHalf.end(), unit);
    if (found == kWindows1251HighHalf.end()) return std::nullopt;
    bytes[i] = static_cast<uint8_t>(0x80 + (found - kWindows1251HighHalf.begin()));
    beyond_ascii = true;
  }
  if (!beyond_ascii) return std::nullopt;
  return PinOfBytes(bytes);
}

SecureBytes DeriveKey(KeyFamily family, std::span<const uint8_t> salt,
                      std::span<const uint8_t> pin) {
  GostDigest digest(HashOf(family));
  const size_t block = BlockOf(family);
  SecureBytes h(digest.Size());
  digest.Write(salt);
  digest.Write(pin);
  digest.Finish(h.Span());

  SecureBytes k(block);
  std::memcpy(k.data(), kSeed, kKeySize);
  SecureBytes inner(block), outer(block);
  const int rounds = pin.empty() ? 2 : 2000;
  for (int round = 0; round < rounds; ++round) {
    XorInto(k, 0x36, block, inner);
    XorInto(k, 0x5C, block, outer);
    digest.Write(inner.Span());
    digest.Write(h.Span());
    digest.Write(outer.Span());
    digest.Write(h.Span());
    std::fill(k.data(), k.data() + block, 0);
    digest.Finish(k.Span().first(digest.Size()));
  }

  XorInto(k, 0x36, kKeySize, inner);
  XorInto(k, 0x5C, kKeySize, outer);
  digest.Write(inner.Span().first(kKeySize));
  digest.Write(salt);
  digest.Write(outer.Span().first(kKeySize));
  digest.Write(pin);
  SecureBytes once(digest.Size());
  digest.Finish(once.Span());
  SecureBytes key(kKeySize);
  digest.Write(once.Span());
  digest.Finish(key.Span());
  return key;
}

std::array<uint8_t, 4> PasswordCheckValue(KeyFamily family, std::span<const uint8_t> primaryFp,
                                          std::span<const uint8_t> pin) {
  static constexpr std::array<uint8_t, 16> kZeros{};
  const SecureBytes key = DeriveKey(family, primaryFp, pin);
  return Gost28147Mac(SboxOf(family), key.Span(), kZeros);
}

bool HasPassword(std::span<const uint8_t> checkValue) {
  return std::any_of(checkValue.begin(), checkValue.end(), [](uint8_t b) { return b != 0; });
}

}  // namespace quillfen
