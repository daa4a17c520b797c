#include "conversion/runs/convert_reg_file.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "host/unicode.h"
#include "support/library_lacks.h"
#include "tests/conversion_fixture.h"
#include "tests/failing_allocation.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

using Op = FakeFileSystem::Op;

const ValueList kValues = {{u"header.key", {0x30, 0x82, 0x04, 0x0A}},
                           {u"name.key", {0x16, 0x0A, 0x41}},
                           {u"primary.key", std::vector<uint8_t>(100, 0xFF)}};

class ConvertRegFileTest : public ConversionTest {
 protected:
  void ExpectContainer(const ValueList& values) {
    EXPECT_TRUE(files.IsDirectory(kTarget));
    for (const auto& [name, bytes] : values) {
      EXPECT_EQ(files.FileContents(std::u16string(kTarget) + u"/" + name),
                std::string(bytes.begin(), bytes.end()))
          << testing::PrintToString(name);
    }
  }
};

TEST_F(ConvertRegFileTest, EveryEncodingGivesTheSameContainer) {
  const std::u16string text = RegeditExport(kValues);
  std::u16string lf_only, cr_only;
  for (const char16_t c : text) {
    if (c != u'\r') lf_only += c;
    if (c != u'\n') cr_only += c;
  }
  std::u16string regedit4 = text;
  regedit4.replace(0, 36, u"REGEDIT4");
  std::vector<EncodedText> cases = EveryEncoding(text);
  cases.push_back({"Windows-1251 REGEDIT4", EncodeWindows1251(regedit4)});
  cases.push_back({"LF only", EncodeUtf16Le(lf_only, true)});
  cases.push_back({"CR only", EncodeUtf8(cr_only, false)});
  cases.push_back({"blank lines first", EncodeUtf16Le(u"\r\n\r\n\n" + text, true)});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files = FakeFileSystem();
    messenger.shown.clear();
    files.AddFile(kSource, c.bytes);
    EXPECT_TRUE(Convert());
    EXPECT_TRUE(messenger.shown.empty());
    ExpectContainer(kValues);
  }
}

TEST_F(ConvertRegFileTest, ReaderFailures) {
  const std::u16string path = u"/work/key.reg\r\n\r\n";
  const std::u16string hklm = u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\";
  const struct {
    const char* name;
    std::u16string text;
    std::u16string message;
  } cases[] = {
      {"empty file", u"", u"Файл не является файлом реестра."},
      {"header line only", u"Windows Registry Editor Version 5.00\r\n\r\n",
       u"Файл не является файлом реестра."},
      {"header in lower case", u"regedit4\r\n" + hklm + u"S\\Keys\\k]",
       u"Файл не является файлом реестра."},
      {"blank after header", u"REGEDIT4 \r\n" + hklm + u"S\\Keys\\k]",
       u"Файл не является файлом реестра."},
      {"no key header", u"REGEDIT4\r\n\"a.b\"=hex:00\r\n[HKEY_X] \r\n",
       u"В файле реестра не найдено разделов."},
      {"current user only",
       u"REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Crypto Pro\\Settings\\Users\\S\\Keys\\k]",
       u"В файле реестра не найден раздел с контейнером."},
      {"no user key", u"REGEDIT4\r\n" + hklm + u"Keys\\k]",
       u"В файле реестра не найден раздел с контейнером."},
      {"outside the branch", u"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Keys\\k]",
       u"В файле реестра не найден раздел с контейнером."},
      {"empty container name", u"REGEDIT4\r\n" + hklm + u"S\\Keys\\]\r\n\"a.b\"=hex:00",
       u"Не удалось определить имя контейнера."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files = FakeFileSystem();
    messenger.shown.clear();
    files.AddFile(kSource, EncodeUtf16Le(c.text, true));
    const auto before = files.Snapshot();
    EXPECT_FALSE(Convert());
    EXPECT_EQ(OnlyError(), path + c.message);
    EXPECT_EQ(files.Snapshot(), before);
  }
}

TEST_F(ConvertRegFileTest, ExistingTargetStopsBeforeReading) {
  for (const bool directory : {true, false}) {
    files = FakeFileSystem();
    messenger.shown.clear();
    directory ? files.AddDirectory(kTarget) : files.AddFile(kTarget, "");
    EXPECT_FALSE(Convert());
    EXPECT_EQ(OnlyError(), u"/work/key.000\r\n\r\nФайл или каталог уже существует.");
    for (const auto& call : files.calls()) EXPECT_NE(call.op, Op::kReadFile);
  }
}

TEST_F(ConvertRegFileTest, TargetThatCannotBeTestedCountsAsExisting) {
  files.AddFile(kSource, EncodeUtf8(RegeditExport(kValues), false));
  files.FailOn(Op::kKind, kTarget);
  EXPECT_FALSE(Convert());
  EXPECT_EQ(OnlyError(), u"/work/key.000\r\n\r\nФайл или каталог уже существует.");
}

TEST_F(ConvertRegFileTest, ReadFailureShowsTheSystemError) {
  EXPECT_FALSE(Convert());
  EXPECT_EQ(OnlyError(),
            u"/work/key.reg\r\n\r\nНе удалось прочитать файл.\r\n\r\n"
            u"Ошибка 2: No such file or directory");
  files.AddFile(kSource, "REGEDIT4\r\n");
  files.FailOn(Op::kReadFile, kSource, EIO);
  messenger.shown.clear();
  EXPECT_FALSE(Convert());
  EXPECT_EQ(OnlyError(),
            u"/work/key.reg\r\n\r\nНе удалось прочитать файл.\r\n\r\nОшибка 5: Input/output error");
}

TEST_F(ConvertRegFileTest, ALibraryThatLacksWhatTheRunNeedsIsNamedAndTheRunUndone) {
  files.AddFile(kSource, "REGEDIT4\r\n");
  before = files.Snapshot();
  Host host{files, messenger};
  const bool done = RunConversion(host, kSource, {}, [&](ContainerOutput& output) {
    output.WriteContainerFile(kTarget, u"header.key", std::vector<uint8_t>{1, 2, 3});
    throw LibraryLacks(u"libgcrypt 1.8.7", u"ГОСТ 28147-89 MAC", u"1.9");
  });
  EXPECT_FALSE(done);
  EXPECT_EQ(OnlyError(),
            u"Библиотека libgcrypt 1.8.7 не поддерживает ГОСТ 28147-89 MAC (нужна версия 1.9 или "
            u"новее).");
  EXPECT_EQ(files.Snapshot(), before);
}

TEST_F(ConvertRegFileTest, ContainerKeyForms) {
  const std::u16string wow =
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Crypto Pro\\Settings\\Users\\S\\Keys\\W]";
  const std::u16string lower =
      u"[hkey_local_machine\\software\\crypto pro\\settings\\users\\s\\keys\\l]";
  for (const auto& header : {wow, lower}) {
    files = FakeFileSystem();
    files.AddFile(kSource, EncodeUtf16Le(RegeditExport(kValues, header), true));
    EXPECT_TRUE(Convert()) << testing::PrintToString(header);
    ExpectContainer(kValues);
  }
}

TEST_F(ConvertRegFileTest, FirstOfTwoContainersEndsAtTheSecond) {
  const std::u16string text =
      u"REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"skip.me\"=hex:01\r\n" +
      std::u16string(kTestContainerHeader) + u"\r\n\"first.key\"=hex:01,02\r\n\r\n" +
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\S\\Keys\\Second]\r\n"
      u"\"second.key\"=hex:03\r\n";
  files.AddFile(kSource, EncodeUtf8(text, false));
  EXPECT_TRUE(Convert());
  EXPECT_EQ(files.FileContents(u"/work/key.000/first.key"), "\x01\x02");
  EXPECT_FALSE(files.FileContents(u"/work/key.000/second.key"));
  EXPECT_FALSE(files.FileContents(u"/work/key.000/skip.me"));
}

TEST_F(ConvertRegFileTest, ContainerLastInTheFile) {
  files.AddFile(kSource, EncodeUtf8(u"REGEDIT4\r\n" + std::u16string(kTestContainerHeader) +
                                        u"\r\n\"last.key\"=hex:aa,bb\r\n\r\n\r\n",
                                    false));
  EXPECT_TRUE(Convert());
  EXPECT_EQ(files.FileContents(u"/work/key.000/last.key"), "\xAA\xBB");
}

TEST_F(ConvertRegFileTest, WideValuesOverThousandsOfLines) {
  for (const size_t size : {size_t(64) << 10, size_t(1) << 20}) {
    std::vector<uint8_t> big(size);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    const ValueList values = {{u"big.key", big}};
    files = FakeFileSystem();
    files.AddFile(kSource, EncodeUtf16Le(RegeditExport(values), true));
    EXPECT_TRUE(Convert()) << size;
    ExpectContainer(values);
  }
}

// A run's work grows as its values do: four times the values, well under
// five times the allocations, the bytes they ask for and the calls on the
// disk. Work that grows as their square (a list searched, or a text copied,
// for each value) would give sixteen.
TEST_F(ConvertRegFileTest, WorkGrowsLinearlyWithTheValues) {
  struct Work {
    size_t allocations, bytes, calls;
  };
  // Built a piece at a time: GCC 12 takes a literal joined to a string for
  // an overlapping copy.
  const auto name_of = [](size_t i) {
    std::string name = "v";
    name += std::to_string(i);
    name += ".key";
    return FromUtf8(name);
  };
  const auto work_for = [&](size_t count) {
    ValueList values;
    for (size_t i = 0; i < count; ++i) {
      values.emplace_back(name_of(i),
                          std::vector<uint8_t>{uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16)});
    }
    GivenExport(RegeditExport(values));
    files.ClearCalls();
    CountAllocations();
    EXPECT_TRUE(Convert());
    const Work work{CountedAllocations(), CountedBytes(), files.calls().size()};
    StopCountingAllocations();
    EXPECT_EQ(files.Snapshot().size(), before.size() + count + 1) << count;
    const auto& [name, bytes] = values.back();
    EXPECT_EQ(files.FileContents(std::u16string(kTarget) + u"/" + name),
              std::string(bytes.begin(), bytes.end()));
    return work;
  };
  const Work small = work_for(10'000);
  const Work large = work_for(40'000);
  EXPECT_GT(small.calls, 10'000u);
  for (const auto& [what, from, to] :
       {std::tuple{"allocations", small.allocations, large.allocations},
        {"bytes", small.bytes, large.bytes},
        {"calls", small.calls, large.calls}}) {
    EXPECT_LT(to, 5 * from) << what << ": " << from << " for 10,000 values, " << to
                            << " for 40,000";
  }
}

}  // namespace
}  // namespace quillfen
