#include "conversion/contents/key_derivation.h"

#include <gtest/gtest.h>

#include "tests/hex.h"
#include "tests/known_answers.h"
#include "tests/test_keys.h"

namespace quillfen {
namespace {

// The signature keys' identifiers, which neither the known answers nor the
// test containers use, and what names no GOST key.
TEST(KeyDerivationTest, AlgorithmsByTheirIdentifiers) {
  const struct {
    const char* oid;
    std::optional<KeyFamily> family;
  } kCases[] = {
      {"1.2.643.2.2.19", KeyFamily::k2001},
      {"1.2.643.7.1.1.1.2", KeyFamily::k2012_512},
      {"1.2.643.7.1.1.1", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : kCases) EXPECT_EQ(KeyFamilyOf(c.oid), c.family) << c.oid;
}

TEST(KeyDerivationTest, PasswordBytesInBothForms) {
  const struct {
    std::u16string password;
    const char* pin;
    const char* windows1251;  // nullptr: no second form
  } kCases[] = {
      {u"", "", nullptr},
      {u"Kat", "4b0000006100000074000000", nullptr},
      {u"Па1", "1f0400003004000031000000", "cf000000e000000031000000"},
      {u"ёЁ№", "510400000104000016210000", "b8000000a8000000b9000000"},
      {u"日本", "e56500002c670000", nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.pin);
    const Password password = TestPassword(c.password);
    EXPECT_EQ(Hex(PinOf(password).Span()), c.pin);
    const auto second = Windows1251PinOf(password);
    EXPECT_EQ(second ? Hex(second->Span()) : "none", c.windows1251 ? c.windows1251 : "none");
  }
}

// The check values the independent writer stored: the whole derivation, the
// hash of each family and the MAC under its S-box, answer for them.
TEST(KeyDerivationTest, CheckValuesOfTheKnownAnswers) {
  for (const auto& answer : KnownAnswers()) {
    SCOPED_TRACE(answer.directory);
    const auto family = KeyFamilyOf(answer.algorithm_oid);
    ASSERT_TRUE(family.has_value());
    const auto check = FromHex(answer.check_value);
    const std::u16string password(answer.password, answer.password + strlen(answer.password));
    EXPECT_EQ(HasPassword(check), !password.empty());
    if (password.empty()) continue;
    const SecureBytes pin = PinOf(TestPassword(password));
    EXPECT_EQ(Hex(PasswordCheckValue(*family, FromHex(answer.primary_fp), pin.Span())),
              answer.check_value);
    const SecureBytes wrong = PinOf(TestPassword(password + u"!"));
    EXPECT_NE(Hex(PasswordCheckValue(*family, FromHex(answer.primary_fp), wrong.Span())),
              answer.check_value);
  }
}

}  // namespace
}  // namespace quillfen
