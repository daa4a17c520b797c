#include "conversion/runs/directory_to_reg.h"

#include <gtest/gtest.h>

#include "app/mod_main.h"
#include "conversion/runs/convert_containers.h"
#include "host/error_reporter.h"
#include "host/run_time_error.h"
#include "host/unicode.h"
#include "tests/conversion_fixture.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

class ToRegTest : public ConversionTest {
 protected:
  bool ToReg(const std::u16string& directory, const std::u16string& sid = u"S-1-5-21-7") {
    Host host{files, messenger};
    std::u16string written;
    return ConvertDirectoryToReg(ToRegRequest{directory, {}, sid, false, {}}, host, &written);
  }
};

TEST_F(ToRegTest, EveryContainerComesBackTheSame) {
  const auto containers = FourContainers();
  for (const auto& container : containers) {
    SCOPED_TRACE(testing::PrintToString(container.name));
    files = FakeFileSystem();
    files.AddFile(kSource, EncodeUtf16Le(SeveralContainersExport(containers), true));
    Host host{files, messenger};
    const auto named = ContainerChoice::Named(container.name);
    ASSERT_TRUE(ConvertChosenContainer(ConverterArgs{kSource, u"/work/c.000"}, named, host));
    std::u16string written;
    ASSERT_TRUE(ConvertDirectoryToReg(
        ToRegRequest{u"/work/c.000/", {}, container.user, container.wow64, container.name}, host,
        &written));
    EXPECT_EQ(written, u"/work/c.reg");
    ASSERT_TRUE(ConvertChosenContainer(ConverterArgs{written, u"/work/back"}, named, host));
    for (const auto& [name, bytes] : container.values) {
      EXPECT_EQ(files.FileContents(u"/work/back/" + name), std::string(bytes.begin(), bytes.end()));
    }
  }
  EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(ToRegTest, TheDirectoryAsDotIsNamedByItsOwnName) {
  files.AddFile(u"/work/c.000/a.key", "\x01");
  Host host{files, messenger};
  std::u16string written;
  ASSERT_TRUE(
      ConvertDirectoryToReg(ToRegRequest{u"/work/c.000/.", {}, u"S-1", false, {}}, host, &written));
  EXPECT_EQ(written, u"/work/c.reg");
  EXPECT_NE(files.FileContents(written)->find(EncodeUtf16Le(u"\\Keys\\c]", false)),
            std::string::npos);
}

TEST_F(ToRegTest, AnythingButValueFilesIsRefusedAndNothingWritten) {
  const std::u16string dir = u"/work/c.000";
  const struct {
    const char* name;
    std::function<void()> add;
    std::u16string message;
  } cases[] = {
      {"a subdirectory", [&] { files.AddDirectory(dir + u"/sub.key"); },
       dir + u"/sub.key\r\n\r\nЭто не файл: в каталоге-контейнере бывают только файлы значений."},
      {"a link", [&] { files.AddLink(dir + u"/link.key"); },
       dir + u"/link.key\r\n\r\nЭто не файл: в каталоге-контейнере бывают только файлы значений."},
      {"a name no value has", [&] { files.AddFile(dir + u"/notes.txt.bak", "x"); },
       dir +
           u"/notes.txt.bak\r\n\r\nИмя файла не годится для значения контейнера: нужны две группы "
           u"букв или цифр через точку."},
      {"a name with a line break", [&] { files.AddFile(dir + u"/b.key\n", "x"); },
       dir + u"/b.key\\n\r\n\r\nИмя файла не годится для значения контейнера: нужны две группы "
             u"букв или цифр через точку."},
      {"an empty file", [&] { files.AddFile(dir + u"/zero.key", ""); },
       dir + u"/zero.key\r\n\r\nФайл пуст: значение без данных не прочитать обратно."},
      {"a name twice but for case", [&] { files.AddFile(dir + u"/A.KEY", "x"); },
       dir + u"/a.key\r\n\r\nЗначение «A.KEY» уже есть: в реестре имена значений не различают "
             u"регистр букв."},
      {"the file exists", [&] { files.AddFile(u"/work/c.reg", "old"); },
       u"/work/c.reg\r\n\r\nФайл или каталог уже существует."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files = FakeFileSystem();
    messenger.shown.clear();
    files.AddFile(dir + u"/a.key", "\x01");
    c.add();
    const auto before = files.Snapshot();
    EXPECT_FALSE(ToReg(dir));
    EXPECT_EQ(OnlyError(), c.message);
    EXPECT_EQ(files.Snapshot(), before);
  }
  files = FakeFileSystem();
  messenger.shown.clear();
  files.AddFile(dir + u"/a.key", "\x01");
  // Swapped for a link between the listing and the reading: not followed.
  files.AddFile(dir + u"/b.key", "\x02");
  files.AfterCall(FakeFileSystem::Op::kListDirectory, dir, [&] { files.AddLink(dir + u"/b.key"); });
  EXPECT_FALSE(ToReg(dir));
  // ELOOP, whose number and text differ between the hosts' runtimes.
  EXPECT_EQ(OnlyError(),
            dir + u"/b.key\r\n\r\n" +
                ErrorText(RunTimeError::FromSystem(ELOOP), u"Не удалось прочитать файл."));
  EXPECT_EQ(files.FileContents(u"/work/c.reg"), std::nullopt);

  files = FakeFileSystem();
  messenger.shown.clear();
  files.AddFile(dir + u"/a.key", "\x01");
  EXPECT_FALSE(ToReg(dir, u"S-1\\x"));
  EXPECT_EQ(OnlyError(),
            u"Имя раздела «S-1\\x» не годится: оно не может быть пустым или "
            u"содержать «\\» и переводы строки.");
}

// What Windows Explorer leaves in a folder on a flash drive is no value: left
// out in any letter case, and the success message says so.
TEST_F(ToRegTest, ExplorersFilesAreLeftOutAndNamed) {
  const std::u16string dir = u"/work/c.000";
  files.AddFile(dir + u"/a.key", "\x01");
  ASSERT_TRUE(ToReg(dir));
  const std::string alone = *files.FileContents(u"/work/c.reg");
  const struct {
    std::vector<std::u16string> left;  // in the order listed
    std::u16string named;
  } cases[] = {
      {{u"desktop.ini"}, u"desktop.ini"},
      {{u"Thumbs.db"}, u"Thumbs.db"},
      {{u"DESKTOP.INI", u"thumbs.DB"}, u"DESKTOP.INI, thumbs.DB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.named));
    files = FakeFileSystem();
    messenger.shown.clear();
    files.AddFile(dir + u"/a.key", "\x01");
    for (const auto& name : c.left) files.AddFile(dir + u"/" + name, "[.ShellClassInfo]");
    Host host{files, messenger};
    EXPECT_EQ(RunConverter(host, ArgumentList({u"--to-reg", u"--user=S-1-5-21-7", dir}), u"q"),
              kExitSuccess);
    EXPECT_EQ(files.FileContents(u"/work/c.reg"), alone);
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text,
              u"/work/c.reg\r\n\r\nФайл реестра создан успешно! ^_^v\r\n\r\nФайлы, которые "
              u"оставляет Проводник Windows, в файл реестра не вошли: " +
                  c.named + u".");
  }
}

}  // namespace
}  // namespace quillfen
