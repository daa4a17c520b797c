#include "conversion/runs/convert_containers.h"

#include <gtest/gtest.h>

#include "tests/conversion_fixture.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

class ConvertContainersTest : public ConversionTest {
 protected:
  void SetUp() override { GivenExport(FourContainers()); }

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

  const std::vector<TestContainer> containers = FourContainers();
};

TEST_F(ConvertContainersTest, EachContainerByItsNameInAnyLetterCase) {
  const std::u16string asked[] = {u"PERFILEV_007730699137_12.12.19_11.50.30",
                                  u"perfilev_007730699137_12.12.19_11.50.30 - КОПИЯ", u"LE-ABC.DEF",
                                  u"ключ ооо ромашка 2024"};
  for (size_t i = 0; i < containers.size(); ++i) {
    SCOPED_TRACE(i);
    GivenExport(containers);
    Host host{files, messenger};
    EXPECT_TRUE(ConvertChosenContainer(ConverterArgs{kSource, kTarget},
                                       ContainerChoice::Named(asked[i]), host));
    ExpectContainer(kTarget, containers[i].values);
  }
  Host host{files, messenger};
  messenger.shown.clear();
  EXPECT_FALSE(ConvertChosenContainer(ConverterArgs{kSource, u"/work/other"},
                                      ContainerChoice::Named(u"perfilev"), host));
  EXPECT_EQ(OnlyError(),
            u"/work/key.reg\r\n\r\nВ файле реестра не найден раздел с контейнером «perfilev».");
}

TEST_F(ConvertContainersTest, AllIntoDirectoriesOfTheirOwnAndAgainBesideThem) {
  Host host{files, messenger};
  std::vector<ConvertedContainer> converted;
  ASSERT_TRUE(ConvertAllContainers(ConverterArgs{kSource, u"/work/keys"}, {}, host, &converted));
  const std::u16string first[] = {u"perfilev.000", u"perfilev.001", u"leabcdef.000", u"2024.000"};
  ASSERT_EQ(converted.size(), containers.size());
  for (size_t i = 0; i < containers.size(); ++i) {
    EXPECT_EQ(converted[i].name, containers[i].name);
    EXPECT_EQ(converted[i].directory, u"/work/keys/" + first[i]);
    ExpectContainer(converted[i].directory, containers[i].values);
  }
  // A second run into the same directory never touches the first.
  ASSERT_TRUE(ConvertAllContainers(ConverterArgs{kSource, u"/work/keys"}, {}, host, &converted));
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
  EXPECT_FALSE(
      ConvertAllContainers(ConverterArgs{kSource, u"/work/keys/new"}, {}, host, &converted));
  EXPECT_EQ(OnlyError(),
            u"/work/key.reg\r\n\r\nВ файле реестра обнаружено неверное значение «header.key» "
            u"(данные не являются двоичными или записаны с ошибкой).\r\n\r\n"
            u"Контейнер «le-abc.def».");
  EXPECT_EQ(files.Snapshot(), before);
}

// "Main" under two users and under Wow6432Node: a name alone picks none.
TEST_F(ConvertContainersTest, ANameOfSeveralContainersIsRefusedUnlessNarrowedToOne) {
  const std::vector<TestContainer> mains = {
      {u"S-1-5-21-1001", false, u"Main", {{u"a.key", {1}}}},
      {u"S-1-5-21-1002", false, u"MAIN", {{u"b.key", {2}}}},
      {u"S-1-5-21-1001", true, u"main", {{u"c.key", {3}}}},
  };
  const std::u16string several =
      u"/work/key.reg\r\n\r\nВ файле реестра несколько разделов с контейнером «main»: выберите "
      u"один параметрами «--user», «--wow64» или «--native».\r\n\r\n";
  const std::u16string first = u"«Main» — пользователь S-1-5-21-1001, 64-битное хранилище";
  const std::u16string second = u"«MAIN» — пользователь S-1-5-21-1002, 64-битное хранилище";
  const std::u16string third =
      u"«main» — пользователь S-1-5-21-1001, 32-битное хранилище (Wow6432Node)";
  const struct {
    ContainerChoice choice;
    int converted;  // the one of `mains`, or -1
    std::u16string error;
  } cases[] = {
      {{.name = u"main"}, -1, several + first + u"\r\n" + second + u"\r\n" + third},
      {{.name = u"main", .user = u"s-1-5-21-1001"}, -1, several + first + u"\r\n" + third},
      {{.name = u"main", .user = u"S-1-5-21-1002"}, 1, {}},
      {{.name = u"main", .wow64 = true}, 2, {}},
      {{.name = u"main", .user = u"S-1-5-21-1001", .wow64 = false}, 0, {}},
      {{.name = u"main", .user = u"S-1-5-21-1002", .wow64 = true},
       -1,
       u"/work/key.reg\r\n\r\nВ файле реестра не найден раздел с контейнером «main» "
       u"(пользователь S-1-5-21-1002, 32-битное хранилище (Wow6432Node))."},
      {{.name = u"other\tname"},
       -1,
       u"/work/key.reg\r\n\r\nВ файле реестра не найден раздел с контейнером «other\\tname»."},
      // The first container of a user key or a view.
      {{.user = u"S-1-5-21-1002"}, 1, {}},
      {{.wow64 = true}, 2, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.choice.name));
    GivenExport(mains);
    ContainerChoice choice = c.choice;
    if (!choice.name.empty()) choice.kind = ContainerChoice::Kind::kNamed;
    Host host{files, messenger};
    EXPECT_EQ(ConvertChosenContainer(ConverterArgs{kSource, kTarget}, choice, host),
              c.converted >= 0);
    if (c.converted >= 0) {
      ExpectContainer(kTarget, mains[size_t(c.converted)].values);
    } else {
      EXPECT_EQ(OnlyError(), c.error);
      EXPECT_EQ(files.Snapshot(), before);
    }
  }
}

}  // namespace
}  // namespace quillfen
