#include "conversion/convert_containers.h"

#include <gtest/gtest.h>

#include "tests/conversion_fixture.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

class ConvertContainersTest : public ConversionTest {
 protected:
  void SetUp() override { GivenExport(FourContainers()); }

  void GivenExport(const std::vector<TestContainer>& containers) {
    files = FakeFileSystem();
    messenger.shown.clear();
    files.AddFile(kSource, EncodeUtf16Le(SeveralContainersExport(containers), true));
    before = files.Snapshot();
  }

  void ExpectContainer(const std::u16string& directory, const ValueList& values) {
    for (const auto& [name, bytes] : values) {
      EXPECT_EQ(files.FileContents(directory + u"/" + name),
                std::string(bytes.begin(), bytes.end()));
    }
    size_t entries = 0;
    for (const auto& [path, contents] : files.Snapshot()) {
      entries += path.starts_with(directory + u"/") && path != directory + u"/";
    }
    EXPECT_EQ(entries, values.size()) << testing::PrintToString(directory);
  }

  std::map<std::u16string, std::string> before;
  const std::vector<TestContainer> containers = FourContainers();
};

TEST_F(ConvertContainersTest, ListNamesEveryContainerInFileOrder) {
  std::u16string list;
  Host host{files, messenger};
  ASSERT_TRUE(ListContainers(kSource, host, &list));
  EXPECT_EQ(list,
            u"perfilev_007730699137_12.12.19_11.50.30\tS-1-5-21-1001\t6\tperfilev.000\t—\t—\r\n"
            u"perfilev_007730699137_12.12.19_11.50.30 - копия\tS-1-5-21-1001\t6\tperfilev.001\t—\t—"
            u"\r\n"
            u"le-abc.def\tS-1-5-21-1002\t3\tleabcdef.000\t—\t—\tнет: masks.key\r\n"
            u"Ключ ООО Ромашка 2024\tS-1-5-21-1002\t4\t2024.000\t—\t—");
  EXPECT_TRUE(messenger.shown.empty());
  EXPECT_EQ(files.Snapshot(), before);
}

TEST_F(ConvertContainersTest, OnlyKeysNamedBelowAUsersKeysAreContainers) {
  const std::u16string users = u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\";
  files.AddFile(
      kSource, EncodeUtf16Le(u"REGEDIT4\r\n" + users + u"S-1\\Keys\\]\r\n\"a.key\"=hex:01\r\n" +
                                 users + u"S-1\\Other\\Keys\\abc]\r\n\"b.key\"=hex:02\r\n" + users +
                                 u"S-1\\Keys\\Real]\r\n\"c.key\"=hex:03\r\n",
                             true));
  std::u16string list;
  Host host{files, messenger};
  ASSERT_TRUE(ListContainers(kSource, host, &list));
  EXPECT_EQ(list,
            u"Real\tS-1\t1\treal.000\t—\t—\tнет: header.key, masks.key, name.key, primary.key");
}

TEST_F(ConvertContainersTest, EachContainerByItsNameInAnyLetterCase) {
  const std::u16string asked[] = {u"PERFILEV_007730699137_12.12.19_11.50.30",
                                  u"perfilev_007730699137_12.12.19_11.50.30 - КОПИЯ", u"LE-ABC.DEF",
                                  u"ключ ооо ромашка 2024"};
  for (size_t i = 0; i < containers.size(); ++i) {
    SCOPED_TRACE(i);
    GivenExport(containers);
    Host host{files, messenger};
    EXPECT_TRUE(ConvertNamedContainer(ConverterArgs{kSource, kTarget}, asked[i], host));
    ExpectContainer(kTarget, containers[i].values);
  }
  Host host{files, messenger};
  messenger.shown.clear();
  EXPECT_FALSE(ConvertNamedContainer(ConverterArgs{kSource, u"/work/other"}, u"perfilev", host));
  EXPECT_EQ(OnlyError(),
            u"/work/key.reg\r\n\r\nВ файле реестра не найден раздел с контейнером «perfilev».");
}

TEST_F(ConvertContainersTest, AllIntoDirectoriesOfTheirOwnAndAgainBesideThem) {
  Host host{files, messenger};
  std::vector<ConvertedContainer> converted;
  ASSERT_TRUE(ConvertAllContainers(ConverterArgs{kSource, u"/work/keys"}, host, &converted));
  const std::u16string first[] = {u"perfilev.000", u"perfilev.001", u"leabcdef.000", u"2024.000"};
  ASSERT_EQ(converted.size(), containers.size());
  for (size_t i = 0; i < containers.size(); ++i) {
    EXPECT_EQ(converted[i].name, containers[i].name);
    EXPECT_EQ(converted[i].directory, u"/work/keys/" + first[i]);
    ExpectContainer(converted[i].directory, containers[i].values);
  }
  // A second run into the same directory never touches the first.
  ASSERT_TRUE(ConvertAllContainers(ConverterArgs{kSource, u"/work/keys"}, host, &converted));
  const std::u16string second[] = {u"perfilev.002", u"perfilev.003", u"leabcdef.001", u"2024.001"};
  for (size_t i = 0; i < containers.size(); ++i) {
    EXPECT_EQ(converted[i].directory, u"/work/keys/" + second[i]);
  }
  EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(ConvertContainersTest, ADamagedValueLeavesNothingOfTheRunAndNamesItsContainer) {
  std::u16string text = SeveralContainersExport(containers);
  const size_t third = text.find(u"Keys\\le-abc.def]");
  const size_t item = text.find(u"hex:", third) + 4;
  text.replace(item, 2, u"000");
  files.AddFile(kSource, EncodeUtf16Le(text, true));
  files.AddDirectory(u"/work/keys");
  before = files.Snapshot();

  Host host{files, messenger};
  std::vector<ConvertedContainer> converted;
  EXPECT_FALSE(ConvertAllContainers(ConverterArgs{kSource, u"/work/keys/new"}, host, &converted));
  EXPECT_EQ(OnlyError(),
            u"/work/key.reg\r\n\r\nВ файле реестра обнаружено неверное значение «header.key» "
            u"(данные не являются двоичными или записаны с ошибкой).\r\n\r\n"
            u"Контейнер «le-abc.def».");
  EXPECT_EQ(files.Snapshot(), before);
}

}  // namespace
}  // namespace quillfen
