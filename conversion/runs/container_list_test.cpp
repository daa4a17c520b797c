#include "conversion/runs/container_list.h"

#include <gtest/gtest.h>

#include "conversion/conversion_error.h"
#include "tests/conversion_fixture.h"
#include "tests/test_containers.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

class ContainerListTest : public ConversionTest {
 protected:
  // The listing as Linux prints it, or the one message when it fails.
  std::u16string List(const ContainerChoice& choice = {}) {
    Host host{files, messenger};
    std::vector<ListedContainer> listed;
    if (!ListContainers(kSource, choice, host, &listed)) return OnlyError();
    EXPECT_TRUE(messenger.shown.empty());
    std::vector<std::u16string> lines;
    for (const auto& container : listed) lines.push_back(ListLine(container));
    return ShownLines(lines, SIZE_MAX);
  }
};

TEST_F(ContainerListTest, NamesEveryContainerInFileOrder) {
  GivenExport(SeveralContainersExport(FourContainers()));
  EXPECT_EQ(
      List(),
      u"perfilev_007730699137_12.12.19_11.50.30\tS-1-5-21-1001\t6\tperfilev.000\t—\t—\r\n"
      u"perfilev_007730699137_12.12.19_11.50.30 - копия\tS-1-5-21-1001\t6\tperfilev.001\t—\t—\r\n"
      u"le-abc.def\tS-1-5-21-1002\t3\tleabcdef.000\t—\t—\tнет: masks.key\r\n"
      u"Ключ ООО Ромашка 2024\tS-1-5-21-1002\t4\t2024.000\t—\t—");
  EXPECT_EQ(files.Snapshot(), before);
}

// Value names compare as the registry compares them: values spelled in
// capitals are the container's files, its certificate among them.
TEST_F(ContainerListTest, ValuesSpelledInCapitalsAreRead) {
  ValueList values = KnownAnswerValues("kat256.000");
  for (auto& [name, bytes] : values) {
    for (auto& c : name) c = c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
  }
  GivenExport(SeveralContainersExport({{u"S-1", false, u"kat", values}}));
  EXPECT_EQ(List(), u"kat\tS-1\t6\tkat.000\tkat256.example\t2036-12-05");
}

TEST_F(ContainerListTest, OnlyKeysNamedBelowAUsersKeysAreContainers) {
  const std::u16string users = u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\";
  GivenExport(u"REGEDIT4\r\n" + users + u"S-1\\Keys\\]\r\n\"a.key\"=hex:01\r\n" + users +
              u"S-1\\Other\\Keys\\abc]\r\n\"b.key\"=hex:02\r\n" + users +
              u"S-1\\Keys\\Real]\r\n\"c.key\"=hex:03\r\n");
  EXPECT_EQ(List(),
            u"Real\tS-1\t1\treal.000\t—\t—\tнет: header.key, masks.key, name.key, primary.key");
}

// One bad container is one line with its reason; the others are listed.
TEST_F(ContainerListTest, AContainerThatCannotBeReadShowsWhyInItsLine) {
  const std::u16string keys =
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\S-1\\Keys\\";
  GivenExport(u"REGEDIT4\r\n" + keys + u"Good]\r\n\"a.key\"=hex:01\r\n" + keys +
              u"Bad item]\r\n\"a.key\"=hex:01\r\n\"b.key\"=hex:1\r\n\"c.key\"=hex:02\r\n" + keys +
              u"Not binary]\r\n\"a.key\"=dword:00000001\r\n" + keys +
              u"Last]\r\n\"z.key\"=hex:03\r\n");
  const std::u16string missing = u"\tнет: header.key, masks.key, name.key, primary.key";
  EXPECT_EQ(List(),
            u"Good\tS-1\t1\tgood.000\t—\t—" + missing +
                u"\r\nBad item\tS-1\t1\tbaditem.000\t—\t—\tошибка: В файле реестра обнаружено "
                u"неверное значение «b.key» (данные не являются двоичными или записаны с "
                u"ошибкой).\r\n"
                u"Not binary\tS-1\t0\tnotbinar.000\t—\t—\tошибка: " +
                NotHexText() + u"\r\nLast\tS-1\t1\tlast.000\t—\t—" + missing);
  EXPECT_EQ(files.Snapshot(), before);
}

TEST_F(ContainerListTest, UserAndViewNarrowTheListing) {
  GivenExport(SeveralContainersExport(FourContainers()));
  const struct {
    ContainerChoice choice;
    std::u16string list;
  } cases[] = {
      {{.user = u"s-1-5-21-1002"},
       u"le-abc.def\tS-1-5-21-1002\t3\tleabcdef.000\t—\t—\tнет: masks.key\r\n"
       u"Ключ ООО Ромашка 2024\tS-1-5-21-1002\t4\t2024.000\t—\t—"},
      {{.wow64 = true}, u"Ключ ООО Ромашка 2024\tS-1-5-21-1002\t4\t2024.000\t—\t—"},
      {{.user = u"S-1-5-21-1002", .wow64 = false},
       u"le-abc.def\tS-1-5-21-1002\t3\tleabcdef.000\t—\t—\tнет: masks.key"},
      {{.user = u"S-1-5-21-1001", .wow64 = true},
       u"/work/key.reg\r\n\r\nВ файле реестра не найден раздел с контейнером (пользователь "
       u"S-1-5-21-1001, 32-битное хранилище (Wow6432Node))."},
  };
  for (const auto& c : cases) {
    messenger.shown.clear();
    EXPECT_EQ(List(c.choice), c.list);
  }
}

TEST(ListLineTest, ForScriptsAndForPeople) {
  const struct {
    ListedContainer container;
    std::u16string line;
    std::u16string for_people;
  } cases[] = {
      {{u"Ключ 1", u"S-1-5-21-7", false, 6, u"1.000", {}, {}, {u"Иванов И. И.", u"2027-03-01"}},
       u"Ключ 1\tS-1-5-21-7\t6\t1.000\tИванов И. И.\t2027-03-01",
       u"«Ключ 1» — пользователь S-1-5-21-7, 64-битное хранилище — значений: 6 — каталог 1.000 "
       u"— сертификат Иванов И. И. до 2027-03-01"},
      {{u"k", u"S-1", true, 2, u"k.000", {u"masks.key", u"name.key"}, {}, {}},
       u"k\tS-1\t2\tk.000\t—\t—\tнет: masks.key, name.key",
       u"«k» — пользователь S-1, 32-битное хранилище (Wow6432Node) — значений: 2 — каталог k.000 "
       u"— сертификат нет — нет: masks.key, name.key"},
      // A name never adds a column or a line, nor reaches the terminal raw.
      {{u"a\tb\nc\x1b[2J\\",
        u"S-1\r",
        false,
        0,
        u"abc2j.000",
        {},
        u"Ошибка «x\\y».",
        {u"\t", u"—"}},
       u"a\\tb\\nc\\x1b[2J\\\\\tS-1\\r\t0\tabc2j.000\t\\t\t—\tошибка: Ошибка «x\\\\y».",
       u"«a\\tb\\nc\\x1b[2J\\» — пользователь S-1\\r, 64-битное хранилище — значений: 0 — каталог "
       u"abc2j.000 — ошибка: Ошибка «x\\y»."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ListLine(c.container), c.line);
    EXPECT_EQ(ListLineForPeople(c.container), c.for_people);
  }
}

TEST(ShownLinesTest, AtMostSoManyAndHowManyMore) {
  const std::vector<std::u16string> lines = {u"1", u"2", u"3"};
  EXPECT_EQ(ShownLines({}, 40), u"");
  EXPECT_EQ(ShownLines(lines, 3), u"1\r\n2\r\n3");
  EXPECT_EQ(ShownLines(lines, 2), u"1\r\n2\r\n… и ещё 1");
  EXPECT_EQ(ShownLines(lines, SIZE_MAX), u"1\r\n2\r\n3");
}

}  // namespace
}  // namespace quillfen
