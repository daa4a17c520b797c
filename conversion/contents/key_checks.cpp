#include "conversion/contents/key_checks.h"

#include <algorithm>

namespace quillfen {
namespace {

constexpr size_t kMacKeySize = 32;

bool Same(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace

bool HeaderIntact(KeyFamily family, std::span<const uint8_t> content,
                  std::span<const uint8_t> mac) {
  static constexpr std::array<uint8_t, kMacKeySize> kZeroKey{};
  return Same(Gost28147Mac(SboxOf(family), kZeroKey, content), mac);
}

bool MasksIntact(KeyFamily family, const StoredKey& stored) {
  if (stored.mask.size() < kMacKeySize) return false;
  const SecureBytes key(std::span(stored.mask).last(kMacKeySize));
  return Same(Gost28147Mac(SboxOf(family), key.Span(), stored.salt), stored.mac);
}

bool PasswordMatches(const KeyFacts& facts, std::span<const uint8_t> pin) {
  return Same(PasswordCheckValue(facts.family, facts.primary_fp, pin), facts.check_value);
}

std::optional<SecureBytes> UnlockKey(const KeyFacts& facts, const StoredKey& stored,
                                     std::span<const uint8_t> pin) {
  const size_t size = stored.encrypted.size();
  if (size == 0 || size % 8 != 0 || stored.mask.size() != size || stored.salt.empty() ||
      facts.primary_fp.empty() || !MasksIntact(facts.family, stored)) {
    return std::nullopt;
  }
  const SecureBytes key = DeriveKey(facts.family, stored.salt, pin);
  const SecureBytes masked =
      Gost28147Ecb(SboxOf(facts.family), key.Span(), stored.encrypted, false);
  const auto inverse = InvertModOrder(facts.curve_oid, stored.mask);
  if (!inverse) return std::nullopt;
  SecureBytes d = MultiplyModOrder(facts.curve_oid, masked.Span(), inverse->Span());
  const auto public_key = PublicKeyOf(facts.curve_oid, d.Span());
  if (!public_key || public_key->size() / 2 < facts.primary_fp.size() ||
      !Same(std::span(*public_key).first(facts.primary_fp.size()), facts.primary_fp)) {
    return std::nullopt;
  }
  if (facts.public_key && !Same(*public_key, *facts.public_key)) return std::nullopt;
  return d;
}

}  // namespace quillfen
