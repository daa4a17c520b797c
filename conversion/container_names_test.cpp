#include "conversion/container_names.h"

#include <gtest/gtest.h>

#include "support/simple_regexp.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

TEST(ShortContainerNameTest, Table) {
  const struct {
    std::u16string name;
    std::u16string short_name;
  } cases[] = {
      {u"perfilev_007730699137_12.12.19_11.50.30", u"perfilev"},
      {u"Le-ABC.def", u"leabcdef"},
      {u"Ключ ООО Ромашка 2024", u"2024"},
      {u"Ключ", u"key"},
      {u"", u"key"},
      {u"a1 b2 c3 d4 e5", u"a1b2c3d4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortContainerName(c.name), c.short_name) << testing::PrintToString(c.name);
  }
}

TEST(DirectoryNamerTest, SkipsWhatIsTakenAndRunsOutAfterAThousand) {
  FakeFileSystem files;
  files.AddDirectory(u"/keys/perfilev.000");
  files.AddFile(u"/keys/perfilev.002", "");
  DirectoryNamer namer(&files, u"/keys");
  EXPECT_EQ(namer.Next(u"perfilev_1"), u"perfilev.001");
  EXPECT_EQ(namer.Next(u"Perfilev_2"), u"perfilev.003");
  for (int i = 4; i <= 999; ++i) ASSERT_TRUE(namer.Next(u"perfilev"));
  EXPECT_EQ(namer.Next(u"perfilev"), std::nullopt);
  // An empty directory, as --list assumes.
  EXPECT_EQ(DirectoryNamer(nullptr, {}).Next(u"perfilev"), u"perfilev.000");
}

TEST(DirectoryNamerTest, NumbersAreThreeDecimalDigits) {
  DirectoryNamer namer(nullptr, {});
  std::vector<std::u16string> names;
  for (int i = 0; i < 1000; ++i) names.push_back(namer.Next(u"Ключ").value_or(u"none"));
  const struct {
    size_t container;
    std::u16string name;
  } cases[] = {
      {0, u"key.000"},   {9, u"key.009"},   {10, u"key.010"},  {99, u"key.099"},
      {100, u"key.100"}, {101, u"key.101"}, {990, u"key.990"}, {999, u"key.999"},
  };
  for (const auto& c : cases) EXPECT_EQ(names[c.container], c.name) << c.container;
}

TEST(SameTextIgnoringCaseTest, AsTheRegistryComparesNames) {
  const struct {
    std::u16string a, b;
    bool same;
  } cases[] = {
      {u"Container 1", u"CONTAINER 1", true},
      {u"ключ ёлка", u"КЛЮЧ ЁЛКА", true},
      {u"ключ", u"ключи", false},
      {u"a", u"", false},
      {u"", u"", true},
      // Not valid UTF-16: compared unit by unit.
      {u"a\xD800", u"a\xD800", true},
      {u"A\xD800", u"a\xD800", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameTextIgnoringCase(c.a, c.b), c.same)
        << testing::PrintToString(c.a) << " " << testing::PrintToString(c.b);
  }
}

}  // namespace
}  // namespace quillfen
