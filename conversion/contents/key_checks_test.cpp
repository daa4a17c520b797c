#include "conversion/contents/key_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/hex.h"
#include "tests/known_answers.h"
#include "tests/test_keys.h"

namespace quillfen {
namespace {

std::string BigEndianHex(const SecureBytes& little_endian) {
  std::vector<uint8_t> bytes(little_endian.data(), little_endian.data() + little_endian.size());
  std::reverse(bytes.begin(), bytes.end());
  return Hex(bytes);
}

struct KnownContainer {
  KeyFacts facts;
  StoredKey primary, backup;
  SecureBytes pin;
};

KnownContainer Known(const KnownAnswer& answer) {
  KnownContainer known;
  known.facts.family = *KeyFamilyOf(answer.algorithm_oid);
  known.facts.curve_oid = answer.curve_oid;
  const auto check = FromHex(answer.check_value);
  std::copy(check.begin(), check.end(), known.facts.check_value.begin());
  known.facts.primary_fp = FromHex(answer.primary_fp);
  known.facts.public_key = FromHex(answer.public_key);
  known.primary = {FromHex(answer.mask), FromHex(answer.salt), FromHex(answer.masks_mac),
                   FromHex(answer.encrypted)};
  known.backup = {FromHex(answer.mask2), FromHex(answer.salt2), FromHex(answer.masks2_mac),
                  FromHex(answer.encrypted2)};
  const std::string password = answer.password;
  known.pin = PinOf(TestPassword(std::u16string(password.begin(), password.end())));
  return known;
}

TEST(KeyRecoveryTest, KnownAnswersFromEitherCopy) {
  for (const auto& answer : KnownAnswers()) {
    SCOPED_TRACE(answer.directory);
    const KnownContainer known = Known(answer);
    EXPECT_TRUE(PasswordMatches(known.facts, known.pin.Span()) ||
                !HasPassword(known.facts.check_value));
    for (const StoredKey* stored : {&known.primary, &known.backup}) {
      EXPECT_TRUE(MasksIntact(known.facts.family, *stored));
      const auto d = UnlockKey(known.facts, *stored, known.pin.Span());
      ASSERT_TRUE(d.has_value());
      EXPECT_EQ(BigEndianHex(*d), answer.private_key);
    }
  }
}

// Each kind of damage on its own keeps the key from being unlocked: a key
// is handed out proved, or not at all.
TEST(KeyRecoveryTest, AnyDamageKeepsTheKeyLocked) {
  using Damage = std::function<void(KnownContainer&)>;
  const auto flip = [](std::vector<uint8_t>& bytes, size_t i) { bytes.at(i) ^= 0x01; };
  const struct {
    const char* what;
    Damage damage;
    bool unlocks;
  } kCases[] = {
      {"nothing", [](KnownContainer&) {}, true},
      {"no certificate", [](KnownContainer& k) { k.facts.public_key.reset(); }, true},
      {"wrong password", [](KnownContainer& k) { k.pin = PinOf(TestPassword(u"Kat-257")); }, false},
      {"empty password", [](KnownContainer& k) { k.pin = SecureBytes(); }, false},
      {"encrypted key", [&](KnownContainer& k) { flip(k.primary.encrypted, 31); }, false},
      {"mask", [&](KnownContainer& k) { flip(k.primary.mask, 0); }, false},
      {"mask with its MAC made anew",
       [&](KnownContainer& k) {
         flip(k.primary.mask, 0);
         const auto mac = Gost28147Mac(GostSbox::kTc26Z, k.primary.mask, k.primary.salt);
         k.primary.mac.assign(mac.begin(), mac.end());
       },
       false},
      {"salt", [&](KnownContainer& k) { flip(k.primary.salt, 11); }, false},
      {"masks' MAC", [&](KnownContainer& k) { flip(k.primary.mac, 3); }, false},
      {"primaryFP", [&](KnownContainer& k) { flip(k.facts.primary_fp, 7); }, false},
      {"certificate's key", [&](KnownContainer& k) { flip(*k.facts.public_key, 63); }, false},
      {"short key", [](KnownContainer& k) { k.primary.encrypted.resize(24); }, false},
      {"no salt", [](KnownContainer& k) { k.primary.salt.clear(); }, false},
      {"no primaryFP", [](KnownContainer& k) { k.facts.primary_fp.clear(); }, false},
      {"another curve", [](KnownContainer& k) { k.facts.curve_oid = "1.2.643.2.2.35.2"; }, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    KnownContainer known = Known(KnownAnswers()[1]);
    c.damage(known);
    EXPECT_EQ(UnlockKey(known.facts, known.primary, known.pin.Span()).has_value(), c.unlocks);
  }
}

// The reader's steps undo the test writer's on every curve, with and
// without a password.
TEST(KeyRecoveryTest, EveryCurveBackAndForth) {
  const struct {
    KeyFamily family;
    const char* curve;
  } kCurves[] = {
      {KeyFamily::k2001, "1.2.643.2.2.35.1"},        {KeyFamily::k2001, "1.2.643.2.2.35.2"},
      {KeyFamily::k2001, "1.2.643.2.2.35.3"},        {KeyFamily::k2001, "1.2.643.2.2.36.1"},
      {KeyFamily::k2012_256, "1.2.643.2.2.36.0"},    {KeyFamily::k2012_256, "1.2.643.7.1.2.1.1.1"},
      {KeyFamily::k2012_256, "1.2.643.7.1.2.1.1.2"}, {KeyFamily::k2012_256, "1.2.643.7.1.2.1.1.4"},
      {KeyFamily::k2012_512, "1.2.643.7.1.2.1.2.1"}, {KeyFamily::k2012_512, "1.2.643.7.1.2.1.2.2"},
      {KeyFamily::k2012_512, "1.2.643.7.1.2.1.2.3"},
  };
  for (const auto& c : kCurves) {
    for (const std::u16string password : {u"", u"Ёлка-2024"}) {
      SCOPED_TRACE(std::string(c.curve) + (password.empty() ? " without" : " with") + " password");
      const size_t size = c.family == KeyFamily::k2012_512 ? 64 : 32;
      std::vector<uint8_t> d(size), mask(size);
      for (size_t i = 0; i < size; ++i) {
        d[i] = static_cast<uint8_t>(i * 37 + 11);
        mask[i] = static_cast<uint8_t>(i * 91 + 5);
      }
      d.back() = 0x1F;  // below every order
      const SecureBytes pin = PinOf(TestPassword(password));
      const KeyFacts facts = FactsOf(c.family, c.curve, d, pin.Span());
      EXPECT_EQ(HasPassword(facts.check_value), !password.empty());
      EXPECT_TRUE(PasswordMatches(facts, pin.Span()) || password.empty());
      const StoredKey stored =
          StoreKey(c.family, c.curve, d, pin.Span(), mask, FromHex("0102030405060708090a0b0c"));
      const auto unlocked = UnlockKey(facts, stored, pin.Span());
      ASSERT_TRUE(unlocked.has_value());
      EXPECT_EQ(Hex(unlocked->Span()), Hex(d));
    }
  }
}

}  // namespace
}  // namespace quillfen
