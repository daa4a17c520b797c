#include "support/library_lacks.h"

#include <gtest/gtest.h>

namespace quillfen {
namespace {

TEST(LibraryLacksTest, NamesTheLibraryWhatItLacksAndTheVersionThatHasIt) {
  const struct {
    std::u16string_view library, what, needed, message;
  } kCases[] = {
      {u"libgcrypt 1.8.7", u"ГОСТ 28147-89 MAC", u"1.9",
       u"Библиотека libgcrypt 1.8.7 не поддерживает ГОСТ 28147-89 MAC (нужна версия 1.9 или "
       u"новее)."},
      {u"libgcrypt 1.10.1 в режиме FIPS", u"ГОСТ Р 34.11-94", u"",
       u"Библиотека libgcrypt 1.10.1 в режиме FIPS не поддерживает ГОСТ Р 34.11-94."},
      {u"libgcrypt 1.8.4", u"кривую GOST2012-256-tc26-B", u"1.9",
       u"Библиотека libgcrypt 1.8.4 не поддерживает кривую GOST2012-256-tc26-B (нужна версия 1.9 "
       u"или новее)."},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(LibraryLacks(c.library, c.what, c.needed).Message(), c.message);
  }
}

TEST(LibraryLacksTest, OlderVersionsNumberByNumber) {
  const struct {
    const char* version;
    const char* than;
    bool older;
  } kCases[] = {{"1.8.7", "1.9", true},      {"1.8.4", "1.9", true}, {"1.9.0", "1.9", false},
                {"1.9", "1.9.0", false},     {"1.9", "1.9.1", true}, {"1.10.1", "1.9", false},
                {"1.9.4", "1.10", true},     {"2.0", "1.10", false}, {"1.10.1-beta3", "1.9", false},
                {"1.8.0-beta", "1.9", true}, {"1.6", "1.6", false},  {"0.9", "1", true},
                {"", "1.6", true},           {"1.6", "", false},     {"x.y", "1.6", false},
                {"1.11.0", "1.10.99", false}};
  for (const auto& c : kCases) {
    EXPECT_EQ(IsOlderVersion(c.version, c.than), c.older) << c.version << " < " << c.than;
  }
}

}  // namespace
}  // namespace quillfen
