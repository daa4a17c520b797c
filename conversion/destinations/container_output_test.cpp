#include "conversion/destinations/container_output.h"

#include <gtest/gtest.h>

#include "host/unicode.h"
#include "tests/conversion_fixture.h"
#include "tests/failing_allocation.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

using Op = FakeFileSystem::Op;

constexpr char16_t kNotHex[] =
    u"/work/key.reg\r\n\r\nВ файле реестра обнаружено неверное значение "
    u"(данные не являются двоичными или записаны с ошибкой).";

std::u16string BadItem(const std::u16string& name) {
  return u"/work/key.reg\r\n\r\nВ файле реестра обнаружено неверное значение «" + name +
         u"» (данные не являются двоичными или записаны с ошибкой).";
}

class ContainerOutputTest : public ConversionTest {
 protected:
  // Puts an export with `body` as the container key's body on the disk.
  void GivenBody(const std::u16string& body) {
    files.AddFile(kSource,
                  EncodeUtf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n" +
                                    std::u16string(kTestContainerHeader) + u"\r\n" + body + u"\r\n",
                                true));
    before = files.Snapshot();
  }
};

TEST_F(ContainerOutputTest, BadValuesStopWithTheirMessageAndLeaveNothing) {
  const struct {
    const char* name;
    std::u16string body;
    std::u16string message;
  } cases[] = {
      {"third of five not hex",
       u"\"a.key\"=hex:01\r\n\"b.key\"=hex:02\r\n\"c.key\"=dword:00000001\r\n\"d.key\"=hex:04\r\n"
       u"\"e.key\"=hex:05",
       kNotHex},
      {"third of five bad item",
       u"\"a.key\"=hex:01\r\n\"b.key\"=hex:02\r\n\"c.key\"=hex:03,4\r\n\"d.key\"=hex:04\r\n"
       u"\"e.key\"=hex:05",
       BadItem(u"c.key")},
      {"tab before a continuation", u"\"a.key\"=hex:01,\\\r\n\t02", kNotHex},
      {"blank after the backslash", u"\"a.key\"=hex:01,\\ \r\n  02", BadItem(u"a.key")},
      {"default value", u"@=hex:01", kNotHex},
      {"commented-out value", u"\"a.key\"=hex:01\r\n;\"b.key\"=hex:02", kNotHex},
      {"typed hex", u"\"a.key\"=hex(0):01", kNotHex},
      {"string value", u"\"a.key\"=\"text\"", kNotHex},
      {"no data", u"\"a.key\"=hex:", kNotHex},
      {"two dots", u"\"a.b.c\"=hex:00", kNotHex},
      {"hyphen", u"\"a-b.c\"=hex:00", kNotHex},
      {"blank around equals", u"\"a.key\" = hex:00", kNotHex},
      {"empty item", u"\"a.key\"=hex:00,,01", BadItem(u"a.key")},
      {"comma first", u"\"a.key\"=hex:,00", BadItem(u"a.key")},
      {"comma last", u"\"a.key\"=hex:00,", BadItem(u"a.key")},
      {"three digits", u"\"a.key\"=hex:000", BadItem(u"a.key")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files = FakeFileSystem();
    messenger.shown.clear();
    GivenBody(c.body);
    EXPECT_FALSE(Convert());
    EXPECT_EQ(OnlyError(), c.message);
    EXPECT_EQ(files.Snapshot(), before);
  }
}

TEST_F(ContainerOutputTest, ValuesBecomeFilesByteForByte) {
  GivenBody(
      u"\"A.KEY\"=HEX:0A,FF,\\\r\n    00,\\\r\n 7f\r\n\r\n  \"zero.key\"=hex:00  \r\n"
      u"\"mixed.Case\"=hex:aB");
  EXPECT_TRUE(Convert());
  EXPECT_EQ(files.FileContents(u"/work/key.000/A.KEY"), std::string("\x0A\xFF\x00\x7F", 4));
  EXPECT_EQ(files.FileContents(u"/work/key.000/zero.key"), std::string(1, '\0'));
  EXPECT_EQ(files.FileContents(u"/work/key.000/mixed.Case"), "\xAB");
  EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(ContainerOutputTest, KeyWithoutValuesBecomesAnEmptyDirectory) {
  for (const std::u16string body : {u"", u"\r\n  \r\n\t\r\n"}) {
    files = FakeFileSystem();
    messenger.shown.clear();
    GivenBody(body);
    EXPECT_TRUE(Convert());
    EXPECT_TRUE(files.IsDirectory(kTarget));
    EXPECT_EQ(files.Snapshot().size(), before.size() + 1);
  }
}

TEST_F(ContainerOutputTest, FailuresOnDiskShowTheirMessageAndUndoEverything) {
  const std::u16string body = u"\"a.key\"=hex:01\r\n\"b.key\"=hex:02\r\n\"c.key\"=hex:03";
  const std::u16string deep = u"/work/new/deeper/key.000";
  const struct {
    const char* name;
    std::u16string target;
    Op op;
    std::u16string path;
    std::u16string message;
  } cases[] = {
      {"directory refused", kTarget, Op::kMakeDirectory, kTarget,
       u"/work/key.000\r\n\r\nНе удалось создать каталог контейнера."},
      {"middle level refused", deep, Op::kMakeDirectory, u"/work/new/deeper",
       deep + u"\r\n\r\nНе удалось создать каталог контейнера."},
      {"third write refused", deep, Op::kWriteNewFile, deep + u"/c.key",
       deep + u"/c.key\r\n\r\nНе удалось записать файл в каталог контейнера.\r\n\r\n"
              u"Ошибка 28: No space left on device"},
      {"flush refused", deep, Op::kSyncDirectory, deep,
       deep + u"\r\n\r\nНе удалось записать файл в каталог контейнера.\r\n\r\n"
              u"Ошибка 28: No space left on device"},
      {"parent flush refused", deep, Op::kSyncDirectory, u"/work",
       u"/work\r\n\r\nНе удалось записать файл в каталог контейнера.\r\n\r\n"
       u"Ошибка 28: No space left on device"},
      {"write refused below empty directories the user had", u"/work/parent/empty/key.000",
       Op::kWriteNewFile, u"/work/parent/empty/key.000/b.key",
       u"/work/parent/empty/key.000/b.key\r\n\r\nНе удалось записать файл в каталог "
       u"контейнера.\r\n\r\nОшибка 28: No space left on device"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files = FakeFileSystem();
    files.AddDirectory(u"/work/parent/empty");
    messenger.shown.clear();
    GivenBody(body);
    files.FailOn(c.op, c.path, ENOSPC);
    EXPECT_FALSE(Convert(c.target));
    EXPECT_EQ(OnlyError(), c.message);
    EXPECT_EQ(files.Snapshot(), before);
  }
}

TEST_F(ContainerOutputTest, NeverWritesOverAFile) {
  const struct {
    const char* name;
    std::u16string body;
    bool case_insensitive;
    std::u16string failing;
  } cases[] = {
      {"name twice", u"\"a.key\"=hex:01\r\n\"a.key\"=hex:02", false, u"a.key"},
      {"names one disk takes for one", u"\"a.b\"=hex:01\r\n\"A.B\"=hex:02", true, u"A.B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files = FakeFileSystem();
    files.SetCaseInsensitive(c.case_insensitive);
    messenger.shown.clear();
    GivenBody(c.body);
    EXPECT_FALSE(Convert());
    EXPECT_EQ(OnlyError(), u"/work/key.000/" + c.failing +
                               u"\r\n\r\nНе удалось записать файл в каталог контейнера.\r\n\r\n"
                               u"Ошибка 17: File exists");
    EXPECT_EQ(files.Snapshot(), before);
  }
}

TEST_F(ContainerOutputTest, EmptyTargetIsNoDirectory) {
  GivenBody(u"\"a.key\"=hex:01");
  EXPECT_FALSE(Convert(u""));
  EXPECT_EQ(OnlyError(), u"\r\n\r\nНе удалось создать каталог контейнера.");
  EXPECT_EQ(files.Snapshot(), before);
}

TEST_F(ContainerOutputTest, WindowsDeviceNamesNeverReachADevice) {
  for (const std::u16string name :
       {u"con.key", u"NUL.bin", u"com1.x", u"Lpt9.y", u"aux.a", u"COM0.key", u"lpt0.x"}) {
    files = FakeFileSystem(PathStyle::kWindows, u"C:\\work");
    messenger.shown.clear();
    files.AddFile(u"C:\\work\\key.reg",
                  EncodeUtf8(u"REGEDIT4\r\n" + std::u16string(kTestContainerHeader) +
                                 u"\r\n\"ok.key\"=hex:01\r\n\"" + name + u"\"=hex:02",
                             false));
    const auto snapshot = files.Snapshot();
    Host host{files, messenger};
    EXPECT_FALSE(ConvertRegFile(ConverterArgs{u"C:\\work\\key.reg", u"C:\\out"}, host));
    EXPECT_EQ(OnlyError(), u"C:\\out\\" + name +
                               u"\r\n\r\nНе удалось записать файл в каталог контейнера.\r\n\r\n"
                               u"Ошибка 123: The name is reserved for a Windows device");
    EXPECT_EQ(files.Snapshot(), snapshot);
  }
  for (const std::u16string name : {u"console.key", u"com10.x", u"con1.x", u"a.con"}) {
    EXPECT_FALSE(IsWindowsDeviceName(name)) << testing::PrintToString(name);
  }
}

TEST_F(ContainerOutputTest, MemoryThatRunsOutAnywhereEndsInOneMessageAndLeavesNothing) {
  const std::u16string body = u"\"a.key\"=hex:01\r\n\"b.key\"=hex:02,03";
  const ConverterArgs args{kSource, u"/work/new/key.000"};
  Host host{files, messenger};
  // The first run makes what lives as long as the process (the engine, its
  // compiled patterns), so that every later run allocates alike.
  GivenBody(body);
  ASSERT_TRUE(ConvertRegFile(args, host));
  files = FakeFileSystem();
  GivenBody(body);
  CountAllocations();
  ASSERT_TRUE(ConvertRegFile(args, host));
  const size_t allocations = CountedAllocations();
  StopCountingAllocations();
  ASSERT_GT(allocations, 20u);

  for (size_t failing = 1; failing <= allocations; ++failing) {
    SCOPED_TRACE("allocation " + std::to_string(failing));
    files = FakeFileSystem();
    messenger.shown.clear();
    GivenBody(body);
    FailAllocation(failing);
    const bool converted = ConvertRegFile(args, host);
    StopCountingAllocations();
    EXPECT_FALSE(converted);
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_TRUE(messenger.shown[0].text.ends_with(u"Ошибка 12: Cannot allocate memory"))
        << ToUtf8(messenger.shown[0].text);
    EXPECT_EQ(files.Snapshot(), before);
  }
}

TEST_F(ContainerOutputTest, AFailureOfAnyOperationLeavesTheDiskAsItWas) {
  const std::u16string body = u"\"a.key\"=hex:01\r\n\"b.key\"=hex:02,03";
  const std::u16string target = u"/work/new/key.000";
  GivenBody(body);
  files.ClearCalls();
  ASSERT_TRUE(Convert(target));
  const auto converted = files.Snapshot();
  const size_t operations = files.calls().size();
  ASSERT_GT(operations, 10u);

  size_t failed_runs = 0;
  for (size_t failing = 1; failing <= operations; ++failing) {
    SCOPED_TRACE("operation " + std::to_string(failing));
    files = FakeFileSystem();
    messenger.shown.clear();
    GivenBody(body);
    files.ClearCalls();
    files.FailCall(failing, EIO);
    if (Convert(target)) {
      // Only a query whose failure reads as "not there yet" may fail unnoticed,
      // and then the whole container is written all the same.
      EXPECT_EQ(files.calls().at(failing - 1).op, Op::kKind);
      EXPECT_EQ(files.Snapshot(), converted);
      continue;
    }
    ++failed_runs;
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].style, MessageStyle::kCritical);
    EXPECT_EQ(files.Snapshot(), before);
  }
  EXPECT_GT(failed_runs, operations / 2);
}

}  // namespace
}  // namespace quillfen
