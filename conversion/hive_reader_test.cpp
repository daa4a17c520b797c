#include "conversion/hive_reader.h"

#include <gtest/gtest.h>

#include "conversion/container_list.h"
#include "conversion/convert_containers.h"
#include "conversion/convert_reg_file.h"
#include "host/unicode.h"
#include "tests/conversion_fixture.h"
#include "tests/test_hives.h"

namespace quillfen {
namespace {

constexpr char16_t kHive[] = u"/work/SOFTWARE";
constexpr char16_t kExport[] = u"/work/software.reg";

class HiveReaderTest : public ConversionTest {
 protected:
  void SetUp() override {
    hive_ = SoftwareHive(containers_);
    files.AddFile(kHive, hive_);
    files.AddFile(kExport, EncodeUtf16Le(SeveralContainersExport(containers_), true));
  }

  // What a run leaves below `directory`, with paths relative to it.
  std::map<std::u16string, std::string> Below(const std::u16string& directory) const {
    std::map<std::u16string, std::string> below;
    for (const auto& [path, contents] : files.Snapshot()) {
      if (path.starts_with(directory + u"/")) below[path.substr(directory.size())] = contents;
    }
    return below;
  }

  const std::vector<TestContainer> containers_ = FourContainers();
  std::string hive_;
};

TEST_F(HiveReaderTest, EveryOptionGivesWhatTheExportGives) {
  Host host{files, messenger};
  std::vector<ListedContainer> from_hive, from_export;
  std::u16string note;
  ASSERT_TRUE(ListContainers(kHive, {}, host, &from_hive, &note));
  ASSERT_TRUE(ListContainers(kExport, {}, host, &from_export));
  ASSERT_EQ(from_hive.size(), containers_.size());
  EXPECT_EQ(from_hive, from_export);
  EXPECT_EQ(note, u"");

  const auto convert = [&](std::u16string_view source, const std::u16string& target, int option) {
    const ConverterArgs args{std::u16string(source), target};
    std::vector<ConvertedContainer> converted;
    if (option < 0) return ConvertRegFile(args, host);
    if (option == int(containers_.size())) return ConvertAllContainers(args, {}, host, &converted);
    return ConvertChosenContainer(args, ContainerChoice::Named(containers_[size_t(option)].name),
                                  host);
  };
  for (int option = -1; option <= int(containers_.size()); ++option) {
    SCOPED_TRACE(option);
    const std::u16string suffix = FromUtf8(std::to_string(option + 1));
    ASSERT_TRUE(convert(kHive, u"/work/hive" + suffix, option));
    ASSERT_TRUE(convert(kExport, u"/work/export" + suffix, option));
    EXPECT_FALSE(Below(u"/work/hive" + suffix).empty());
    EXPECT_EQ(Below(u"/work/hive" + suffix), Below(u"/work/export" + suffix));
  }
  EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(HiveReaderTest, WhatNoExportWouldHoldAsBinaryIsRefusedAsSuch) {
  const std::u16string keys = u"Crypto Pro\\Settings\\Users\\S-1\\Keys\\K";
  const struct {
    const char* name;
    HiveValue value;
  } cases[] = {
      {"a string", {u"a.key", 1, std::string("a\0\0\0", 4)}},
      {"a name that is no file name", {u"a_key", 3, "\x01"}},
      {"the default value", {u"", 3, "\x01"}},
      {"no bytes", {u"a.key", 3, ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files.AddFile(kHive, MakeHive({{keys, {{u"ok.key", 3, "\x01"}, c.value}}}));
    messenger.shown.clear();
    const auto before = files.Snapshot();
    Host host{files, messenger};
    EXPECT_FALSE(ConvertRegFile(ConverterArgs{kHive, kTarget}, host));
    EXPECT_EQ(OnlyError(), u"/work/SOFTWARE\r\n\r\n" + NotHexText());
    EXPECT_EQ(files.Snapshot(), before);
  }
}

TEST_F(HiveReaderTest, AListingShowsAContainerThatCannotBeReadInItsLine) {
  const std::u16string keys = u"Crypto Pro\\Settings\\Users\\S-1\\Keys\\";
  files.AddFile(kHive, MakeHive({{keys + u"Good", {{u"name.key", 3, "\x01"}}},
                                 {keys + u"Text", {{u"name.key", 1, std::string("a\0\0\0", 4)}}}}));
  Host host{files, messenger};
  std::vector<ListedContainer> listed;
  ASSERT_TRUE(ListContainers(kHive, {}, host, &listed));
  ASSERT_EQ(listed.size(), 2u);
  const std::u16string missing = u"\tнет: header.key, masks.key, primary.key";
  EXPECT_EQ(ListLine(listed[0]), u"Good\tS-1\t1\tgood.000" + missing);
  EXPECT_EQ(ListLine(listed[1]), u"Text\tS-1\t0\ttext.000\tошибка: " + NotHexText());
  EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(HiveReaderTest, ADamagedHiveIsTheReadMessageAndLeavesNothing) {
  std::string garbage = hive_;
  for (size_t i = 4096 + 64; i < 4096 + 1024; ++i) garbage[i] = char(i * 131);
  const struct {
    const char* name;
    std::string bytes;
    std::u16string error;
  } cases[] = {
      {"cut short", hive_.substr(0, hive_.size() - 100),
       u"Ошибка 95: Damaged registry hive: Operation not supported"},
      {"garbage in a bin", garbage, u"Ошибка 95: Damaged registry hive: Operation not supported"},
      {"keys in a loop", WithLoopBelow(hive_, u"Crypto Pro\\Settings\\Users\\S-1-5-21-1001\\Keys"),
       u"Ошибка 40: Damaged registry hive: its keys form a loop"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files.AddFile(kHive, c.bytes);
    messenger.shown.clear();
    const auto before = files.Snapshot();
    Host host{files, messenger};
    std::vector<ConvertedContainer> converted;
    EXPECT_FALSE(ConvertAllContainers(ConverterArgs{kHive, u"/work/all"}, {}, host, &converted));
    EXPECT_EQ(OnlyError(), u"/work/SOFTWARE\r\n\r\nНе удалось прочитать файл.\r\n\r\n" + c.error);
    EXPECT_EQ(files.Snapshot(), before);
  }
}

TEST_F(HiveReaderTest, AHiveNotWrittenOutWholeConvertsAndSaysSo) {
  files.AddFile(kHive, WithSecondarySequenceNumber(hive_, 7));
  Host host{files, messenger};
  std::u16string note;
  EXPECT_TRUE(ConvertRegFile(ConverterArgs{kHive, kTarget}, host, &note));
  EXPECT_EQ(note,
            u"Куст реестра не был записан до конца: его последние изменения могут быть в файлах "
            u".LOG1 и .LOG2 рядом с ним.");
  EXPECT_TRUE(files.IsDirectory(kTarget));
}

}  // namespace
}  // namespace quillfen
