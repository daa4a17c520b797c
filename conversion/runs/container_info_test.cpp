#include "conversion/runs/container_info.h"

#include <gtest/gtest.h>

#include "conversion/contents/info_text.h"
#include "host/unicode.h"
#include "tests/conversion_fixture.h"
#include "tests/test_containers.h"
#ifndef _WIN32
#include "tests/test_hives.h"
#endif

namespace quillfen {
namespace {

constexpr DateTime kNow{2026, 12, 8, 12, 0, 0};
constexpr char16_t kExport[] = u"/work/software.reg";

// The block of kat256 below its first two lines, which say where it sits;
// InfoTextTest pins its every line.
std::u16string Kat256Body() {
  const std::u16string block =
      InfoBlock({u"x", u"S-1", false, {}},
                ReadContainerContents(AsContainerValues(KnownAnswerValues("kat256.000"))), kNow);
  return block.substr(block.find(u"\r\n", block.find(u"\r\n") + 2) + 2);
}

class ContainerInfoTest : public ConversionTest {
 protected:
  std::vector<TestContainer> Containers() const {
    ValueList damaged = KnownAnswerValues("kat512.000");
    damaged[0].second = FromHex("0102");
    damaged[3].second = FromHex("0304");
    return {
        {u"S-1-5-21-1001", false, u"kat256 - копия", KnownAnswerValues("kat256.000")},
        {u"S-1-5-21-1002", true, u"le-d3bb8023", damaged},
    };
  }

  bool Info(std::u16string_view source,
            const ContainerChoice& choice = {ContainerChoice::Kind::kAll, {}}) {
    Host host{files, messenger};
    text.clear();
    return ShowContainerInfo(source, choice, host, kNow, &text);
  }

  std::u16string text;
};

const std::u16string kDamagedBlock =
    u"Контейнер «le-d3bb8023»\r\n"
    u"Пользователь: S-1-5-21-1002, Wow6432Node (32-битное хранилище)\r\n"
    u"Файлы: header.key, masks.key, masks2.key, name.key, primary.key, primary2.key\r\n"
    u"Не удалось прочитать: name.key (неверный тег)\r\n"
    u"Не удалось прочитать: header.key (неверный тег)";

TEST_F(ContainerInfoTest, AnExportAHiveAndADirectoryGiveTheSameBlocks) {
  files.AddFile(kExport, EncodeUtf16Le(SeveralContainersExport(Containers()), true));
  ASSERT_TRUE(Info(kExport));
  const std::u16string from_export = text;
  EXPECT_EQ(from_export, u"Контейнер «kat256 - копия»\r\nПользователь: S-1-5-21-1001\r\n" +
                             Kat256Body() + u"\r\n\r\n" + kDamagedBlock);
#ifndef _WIN32
  files.AddFile(u"/work/SOFTWARE", SoftwareHive(Containers()));
  ASSERT_TRUE(Info(u"/work/SOFTWARE"));
  EXPECT_EQ(text, from_export);
#endif
  for (const auto& [name, bytes] : KnownAnswerValues("kat256.000")) {
    files.AddFile(u"/media/usb/kat256.000/" + name, std::string(bytes.begin(), bytes.end()));
  }
  ASSERT_TRUE(Info(u"/media/usb/kat256.000"));
  EXPECT_EQ(text, u"Контейнер «kat256»\r\nКаталог: /media/usb/kat256.000\r\n" + Kat256Body());
  EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(ContainerInfoTest, ANamedContainerAlone) {
  files.AddFile(kExport, EncodeUtf16Le(SeveralContainersExport(Containers()), true));
  ASSERT_TRUE(Info(kExport, {ContainerChoice::Kind::kNamed, u"KAT256 - КОПИЯ"}));
  EXPECT_EQ(text, u"Контейнер «kat256 - копия»\r\nПользователь: S-1-5-21-1001\r\n" + Kat256Body());
  EXPECT_FALSE(Info(kExport, {ContainerChoice::Kind::kNamed, u"kat512"}));
  EXPECT_EQ(OnlyError(),
            u"/work/software.reg\r\n\r\nВ файле реестра не найден раздел с контейнером «kat512».");
}

TEST_F(ContainerInfoTest, FailsOnlyWhenNoContainerCouldBeRead) {
  std::vector<TestContainer> containers = Containers();
  containers.erase(containers.begin());
  files.AddFile(kExport, EncodeUtf16Le(SeveralContainersExport(containers), true));
  EXPECT_FALSE(Info(kExport));
  EXPECT_EQ(
      OnlyError(),
      u"/work/software.reg\r\n\r\nНи один контейнер не удалось прочитать.\r\n\r\n" + kDamagedBlock);
  EXPECT_EQ(text, u"");
}

TEST_F(ContainerInfoTest, AValueTheSourceCannotGiveIsSaidAndTheOthersRead) {
  std::u16string source = SeveralContainersExport(Containers());
  // The first container's masks.key line is no binary value any more.
  const size_t masks = source.find(u"\"masks.key\"=hex:");
  source.replace(masks + 12, 4, u"dword");
  files.AddFile(kExport, EncodeUtf16Le(source, true));
  ASSERT_TRUE(Info(kExport));
  EXPECT_NE(text.find(u"Отпечаток SHA-1: 606011ce9d7a992377d8b782b9c0c724945b5a2b"),
            std::u16string::npos)
      << ToUtf8(text);
  EXPECT_NE(text.find(u"Нет файлов: masks.key\r\nНе удалось прочитать: /work/software.reg: В файле "
                      u"реестра обнаружено неверное значение"),
            std::u16string::npos)
      << ToUtf8(text);
}

}  // namespace
}  // namespace quillfen
