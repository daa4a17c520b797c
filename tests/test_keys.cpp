#include "tests/test_keys.h"

#include <stdexcept>

namespace quillfen {

Password TestPassword(std::u16string_view text) {
  Password password(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    password[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
    password[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
  }
  return password;
}

StoredKey StoreKey(KeyFamily family, const std::string& curve, std::span<const uint8_t> d,
                   std::span<const uint8_t> pin, std::vector<uint8_t> mask,
                   std::vector<uint8_t> salt) {
  StoredKey stored;
  const SecureBytes masked = MultiplyModOrder(curve, d, mask);
  const SecureBytes key = DeriveKey(family, salt, pin);
  const SecureBytes encrypted = Gost28147Ecb(SboxOf(family), key.Span(), masked.Span(), true);
  stored.encrypted.assign(encrypted.data(), encrypted.data() + encrypted.size());
  const auto mac = Gost28147Mac(SboxOf(family), std::span(mask).last(32), salt);
  stored.mac.assign(mac.begin(), mac.end());
  stored.mask = std::move(mask);
  stored.salt = std::move(salt);
  return stored;
}

KeyFacts FactsOf(KeyFamily family, const std::string& curve, std::span<const uint8_t> d,
                 std::span<const uint8_t> pin) {
  KeyFacts facts;
  facts.family = family;
  facts.curve_oid = curve;
  const auto public_key = PublicKeyOf(curve, d);
  if (!public_key) throw std::invalid_argument("no private key of the curve");
  facts.public_key = *public_key;
  facts.primary_fp.assign(public_key->begin(), public_key->begin() + 8);
  if (!pin.empty()) facts.check_value = PasswordCheckValue(family, facts.primary_fp, pin);
  return facts;
}

}  // namespace quillfen
