#include "support/library_lacks.h"

#include <gtest/gtest.h>

namespace quillfen {
namespace {

// A library older than what it lacks is told the version that has it; one
// as new, or newer, was built without it or refuses it, and is not.
TEST(LibraryLacksTest, NamesTheLibraryWhatItLacksAndTheVersionThatHasIt) {
  const struct {
    std::string_view version;
    std::u16string_view state, what;
    std::string_view since;
    std::u16string_view message;
  } kCases[] = {
      {"1.8.7", u"", u"ГОСТ 28147-89 MAC", "1.9",
       u"Библиотека libgcrypt 1.8.7 не поддерживает ГОСТ 28147-89 MAC (нужна версия 1.9 или "
       u"новее)."},
      {"1.10.1", u"в режиме FIPS", u"ГОСТ Р 34.11-94", "1.7",
       u"Библиотека libgcrypt 1.10.1 в режиме FIPS не поддерживает ГОСТ Р 34.11-94."},
      {"1.8.4", u"", u"кривую GOST2012-256-tc26-B", "1.9",
       u"Библиотека libgcrypt 1.8.4 не поддерживает кривую GOST2012-256-tc26-B (нужна версия 1.9 "
       u"или новее)."},
      // Built without GOST, or in FIPS mode, at the version that brought it.
      {"1.9.0", u"", u"ГОСТ 28147-89 MAC", "1.9",
       u"Библиотека libgcrypt 1.9.0 не поддерживает ГОСТ 28147-89 MAC."},
      {"1.9", u"в режиме FIPS", u"ГОСТ 28147-89 MAC", "1.9",
       u"Библиотека libgcrypt 1.9 в режиме FIPS не поддерживает ГОСТ 28147-89 MAC."},
      {"1.9-beta", u"", u"ГОСТ 28147-89", "1.9",
       u"Библиотека libgcrypt 1.9-beta не поддерживает ГОСТ 28147-89."},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(LacksSince(u"libgcrypt", c.version, c.state, c.what, c.since).Message(), c.message);
  }
  EXPECT_EQ(LibraryLacks(u"libgcrypt 1.8.7", u"ГОСТ 28147-89 MAC", u"1.9").Message(),
            kCases[0].message);
}

TEST(LibraryLacksTest, OlderVersionsNumberByNumber) {
  const struct {
    const char* version;
    const char* than;
    bool older;
  } kCases[] = {{"1.8.7", "1.9", true},
                {"1.8.4", "1.9", true},
                {"1.9.0", "1.9", false},
                {"1.9", "1.9.0", false},
                {"1.9", "1.9.1", true},
                {"1.10.1", "1.9", false},
                {"1.9.4", "1.10", true},
                {"2.0", "1.10", false},
                {"1.10.1-beta3", "1.9", false},
                {"1.8.0-beta", "1.9", true},
                {"1.6", "1.6", false},
                {"0.9", "1", true},
                {"", "1.6", true},
                {"1.6", "", false},
                {"x.y", "1.6", false},
                {"1.11.0", "1.10.99", false},
                {"1.9-beta", "1.9", false},
                {"1.9-beta", "1.9.1", true},
                {"1.8-beta", "1.9", true},
                {"1.10-rc1", "1.9", false}};
  for (const auto& c : kCases) {
    EXPECT_EQ(IsOlderVersion(c.version, c.than), c.older) << c.version << " < " << c.than;
  }
}

}  // namespace
}  // namespace quillfen
