#include "conversion/sources/hive_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include "conversion/runs/container_list.h"

#include "app/mod_main.h"
#include "conversion/runs/convert_containers.h"
#include "conversion/runs/convert_reg_file.h"
#include "host/unicode.h"
#include "tests/conversion_fixture.h"
#include "tests/run_program.h"
#include "tests/test_containers.h"
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
      {"a name with a line break", {u"a.key\n", 3, "\x01"}},
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
  EXPECT_EQ(ListLine(listed[0]), u"Good\tS-1\t1\tgood.000\t—\t—" + missing);
  EXPECT_EQ(ListLine(listed[1]), u"Text\tS-1\t0\ttext.000\t—\t—\tошибка: " + NotHexText());
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

TEST_F(HiveReaderTest, KeysAreFoundInAnyLetterCaseAsTheRegistryFindsThem) {
  for (const std::u16string path : {
           u"CRYPTO PRO\\Settings\\Users\\S-1\\Keys\\K",
           u"Crypto Pro\\SETTINGS\\Users\\S-1\\Keys\\K",
           u"Crypto Pro\\Settings\\users\\S-1\\Keys\\K",
           u"Crypto Pro\\Settings\\Users\\S-1\\KEYS\\K",
           u"WOW6432Node\\Crypto Pro\\Settings\\Users\\S-1\\Keys\\K",
           u"Wow6432Node\\crypto pro\\Settings\\Users\\S-1\\Keys\\K",
       }) {
    SCOPED_TRACE(ToUtf8(path));
    files.AddFile(kHive, MakeHive({{path, {{u"a.key", 3, "\x01"}}}}));
    messenger.shown.clear();
    Host host{files, messenger};
    EXPECT_EQ(RunConverter(host, ArgumentList({u"--list", kHive}), u"quillfen"), 0);
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text,
              ExpectedListLine(u"K", u"S-1", 1, u"k.000",
                               u"header.key, masks.key, name.key, primary.key"));
  }
}

// The real program, with libhivex asked for its debugging lines: every run
// shows its one message and nothing of libhivex's.
TEST(HiveProgramTest, EveryOptionEndsInOneMessageOfTheProgramsOwn) {
  const std::string hive = SoftwareHive(FourContainers());
  TempDir dir;
  WriteBinaryFile(dir / "SOFTWARE", WithSecondarySequenceNumber(hive, 7));
  WriteBinaryFile(
      dir / "KEYS",
      WithSecondarySequenceNumber(
          SoftwareHive({{u"S-1-5-21-1001", false, u"kat", KnownAnswerValues("kat512.000")}}), 7));
  WriteBinaryFile(dir / "new.pass", "Новый\n");
  WriteBinaryFile(dir / "NONE", MakeHive({{u"Crypto Pro\\Settings\\Users\\S-1\\Keys", {}}}));
  WriteBinaryFile(dir / "EMPTY", EmptyHive());
  WriteBinaryFile(dir / "DAMAGED",
                  WithFirstSubkeyLost(hive, u"Crypto Pro\\Settings\\Users\\S-1-5-21-1001\\Keys"));
  const std::u16string note =
      u"\r\n\r\nКуст реестра не был записан до конца: его последние изменения могут быть в "
      u"файлах .LOG1 и .LOG2 рядом с ним.";
  const std::u16string created = u"\r\n\r\nКаталог-контейнер создан успешно! ^_^v";
  const std::u16string no_container = u"\r\n\r\nВ файле реестра не найден раздел с контейнером.";
  const std::u16string damaged =
      u"\r\n\r\nНе удалось прочитать файл.\r\n\r\nОшибка 14: Damaged registry hive: Bad address";
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::u16string message;
  } cases[] = {
      {{"SOFTWARE"}, 0, u"SOFTWARE.000" + created + note},
      {{"--container=LE-ABC.DEF", "SOFTWARE", "le.000"}, 0, u"le.000" + created + note},
      {{"--all", "SOFTWARE"},
       0,
       u"SOFTWARE.keys\r\n\r\n"
       u"«perfilev_007730699137_12.12.19_11.50.30» → SOFTWARE.keys/perfilev.000\r\n"
       u"«perfilev_007730699137_12.12.19_11.50.30 - копия» → SOFTWARE.keys/perfilev.001\r\n"
       u"«le-abc.def» → SOFTWARE.keys/leabcdef.000\r\n"
       u"«Ключ ООО Ромашка 2024» → SOFTWARE.keys/2024.000\r\n\r\n"
       u"Каталоги-контейнеры созданы успешно! ^_^v" +
           note},
      {{"--list", "SOFTWARE"}, 0, FourContainersList() + note},
      {{"--export-key", "KEYS", "keys"},
       0,
       u"keys\r\n\r\n«kat» → kat.000.key.pem, kat.000.cert.pem\r\n\r\nКлючи выгружены успешно! "
       u"^_^v\r\nФайлы .key.pem не зашифрованы: храните их так же бережно, как сам контейнер." +
           note},
      {{"--export-pfx", "--pfx-password-file=new.pass", "KEYS", "pfx"},
       0,
       u"pfx\r\n\r\n«kat» → kat.000.pfx\r\n\r\nФайл PFX создан успешно! ^_^v" + note},
      {{"NONE"}, 1, u"NONE" + no_container},
      {{"--list", "NONE"}, 1, u"NONE" + no_container},
      {{"--all", "NONE"}, 1, u"NONE" + no_container},
      {{"EMPTY"}, 1, u"EMPTY\r\n\r\nВ файле реестра не найдено разделов."},
      // One word libhivex's lenient mode would pass over, losing a container.
      {{"--list", "DAMAGED"}, 1, u"DAMAGED" + damaged},
      {{"--all", "DAMAGED"}, 1, u"DAMAGED" + damaged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    std::vector<std::string> arguments{"HIVEX_DEBUG=1", QUILLFEN_EXE};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const auto result = RunProgram("/usr/bin/env", arguments, dir.path());
    EXPECT_EQ(result.exit_status, c.status);
    EXPECT_EQ(c.status == 0 ? result.out : result.err, ConsoleMessage(c.message));
    EXPECT_EQ(c.status == 0 ? result.err : result.out, "");
  }
  // The failures left nothing.
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names,
            (std::set<std::string>{"DAMAGED", "EMPTY", "KEYS", "NONE", "SOFTWARE", "SOFTWARE.000",
                                   "SOFTWARE.keys", "keys", "le.000", "new.pass", "pfx"}));
}

// --info of a hive Windows did not write out whole: the blocks, then the
// note about its .LOG1 and .LOG2; and status 1 when no container of it can
// be read.
TEST(HiveProgramTest, InfoEndsWithTheNoteOrFails) {
  TempDir dir;
  WriteBinaryFile(
      dir / "KAT",
      WithSecondarySequenceNumber(
          SoftwareHive({{u"S-1", false, u"kat256", KnownAnswerValues("kat256.000")}}), 7));
  WriteBinaryFile(dir / "DAMAGED", WithSecondarySequenceNumber(SoftwareHive(FourContainers()), 7));
  const std::string note =
      "\n\nКуст реестра не был записан до конца: его последние изменения могут быть в "
      "файлах .LOG1 и .LOG2 рядом с ним.\n";
  const auto read = RunProgram(QUILLFEN_EXE, {"--info", "KAT"}, dir.path());
  EXPECT_EQ(read.exit_status, 0);
  EXPECT_TRUE(read.out.starts_with("Velmora - Quillfen\nКонтейнер «kat256»\nПользователь: S-1\n"))
      << read.out;
  EXPECT_TRUE(read.out.ends_with("primary.key, primary2.key" + note)) << read.out;
  const auto failed = RunProgram(QUILLFEN_EXE, {"--info", "DAMAGED"}, dir.path());
  EXPECT_EQ(failed.exit_status, 1);
  EXPECT_EQ(failed.out, "");
  EXPECT_TRUE(failed.err.starts_with(
      "Velmora - Quillfen\nDAMAGED\n\nНи один контейнер не удалось прочитать.\n\nКонтейнер "
      "«perfilev_007730699137_12.12.19_11.50.30»\n"))
      << failed.err;
}

}  // namespace
}  // namespace quillfen
