#include "conversion/destinations/container_names.h"

#include <gtest/gtest.h>

#include "conversion/conversion_error.h"
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
      // What Windows would open as a device is no directory's name; with
      // ContainerOutputTest's file names, every device is tried.
      {u"Aux", u"key"},
      {u"Prn", u"key"},
      {u"com0", u"key"},
      {u"LPT9", u"key"},
      {u"Ключ lpt9", u"key"},
      {u"COM10", u"com10"},
      {u"console", u"console"},
      {u"aux-1", u"aux1"},
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

TEST(DirectoryNamerTest, WhenAllAreTakenSaysWhichAndForWhom) {
  FakeFileSystem files;
  for (int i = 0; i <= 999; ++i) {
    const std::string number = std::to_string(1000 + i).substr(1);
    files.AddDirectory(u"/keys/perfilev." + std::u16string(number.begin(), number.end()));
  }
  DirectoryNamer namer(&files, u"/keys");
  EXPECT_EQ(namer.Take(u"Ключ"), u"key.000");
  try {
    namer.Take(u"perfilev\x1b[2J");
    ADD_FAILURE() << "no error";
  } catch (const ConversionError& error) {
    EXPECT_EQ(
        error.Message(),
        u"/keys\r\n\r\nНе удалось создать каталог контейнера: имена perfilev.000–perfilev.999 "
        u"уже заняты.\r\n\r\nКонтейнер «perfilev\\x1b[2J».");
  }
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

}  // namespace
}  // namespace quillfen
