#include "conversion/runs/certificate_files.h"

#include <gtest/gtest.h>

#include "host/unicode.h"
#include "tests/conversion_fixture.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

const ContainerChoice kFirst{ContainerChoice::Kind::kFirst, u""};
const ContainerChoice kAll{ContainerChoice::Kind::kAll, u""};

std::string CertificateOf(const char* directory) {
  const auto der = KnownAnswerCertificate(directory);
  return std::string(der.begin(), der.end());
}

class CertificateFilesTest : public ConversionTest {
 protected:
  void SetUp() override {
    const std::vector<TestContainer> containers = {
        {u"S-1", false, u"kat256 - копия", KnownAnswerValues("kat256.000")},
        {u"S-1", false, u"Без сертификата", TestContainerValues({}, "none")},
        {u"S-2", true, u"kat256", KnownAnswerValues("kat512.000")},
    };
    GivenExport(containers);
  }

  bool Save(const ContainerChoice& choice, const std::u16string& directory = u"/work/certs") {
    Host host{files, messenger};
    saved = {};
    const CertificateRequest request{kSource, choice, directory};
    return SaveCertificates(request, host, &saved);
  }

  SavedCertificates saved;
};

TEST_F(CertificateFilesTest, EachCertificateAsTheNameAllWouldGiveReadableByAll) {
  ASSERT_TRUE(Save(kAll));
  EXPECT_EQ(files.FileContents(u"/work/certs/kat256.000.cer"), CertificateOf("kat256.000"));
  EXPECT_EQ(files.FileContents(u"/work/certs/kat256.001.cer"), CertificateOf("kat512.000"));
  EXPECT_EQ(files.AccessOf(u"/work/certs/kat256.000.cer"), FileAccess::kEveryoneReads);
  EXPECT_EQ(files.AccessOf(u"/work/certs/kat256.001.cer"), FileAccess::kEveryoneReads);
  EXPECT_EQ(files.AccessOf(u"/work/certs"), FileAccess::kEveryoneReads);
  ASSERT_EQ(saved.files.size(), 2u);
  EXPECT_EQ(saved.files[0].name, u"kat256 - копия");
  EXPECT_EQ(saved.files[0].directory, u"/work/certs/kat256.000.cer");
  EXPECT_EQ(saved.files[1].directory, u"/work/certs/kat256.001.cer");
  EXPECT_EQ(saved.without, std::vector<std::u16string>{u"«Без сертификата»: сертификата нет"});
  EXPECT_EQ(files.Snapshot().size(), before.size() + 3);  // the directory and two files
  EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(CertificateFilesTest, TheFirstOrTheNamedKeepsItsName) {
  files.AddDirectory(u"/work/certs");
  ASSERT_TRUE(Save(kFirst));
  EXPECT_EQ(files.FileContents(u"/work/certs/kat256.000.cer"), CertificateOf("kat256.000"));
  ASSERT_TRUE(Save({ContainerChoice::Kind::kNamed, u"KAT256"}, u"/work/other"));
  ASSERT_EQ(saved.files.size(), 1u);
  EXPECT_EQ(saved.files[0].directory, u"/work/other/kat256.001.cer");
  EXPECT_EQ(files.FileContents(u"/work/other/kat256.001.cer"), CertificateOf("kat512.000"));
}

TEST_F(CertificateFilesTest, RefusalsLeaveTheDiskAsItWas) {
  const struct {
    const char* name;
    ContainerChoice::Kind kind;
    const char16_t* container;
    std::function<void()> arrange;
    std::u16string message;
  } cases[] = {
      {"no certificate in the chosen one", ContainerChoice::Kind::kNamed, u"без сертификата", [] {},
       u"/work/key.reg\r\n\r\nВ выбранных контейнерах нет сертификата.\r\n"
       u"«Без сертификата»: сертификата нет"},
      {"no such container", ContainerChoice::Kind::kNamed, u"нет такого", [] {},
       u"/work/key.reg\r\n\r\nВ файле реестра не найден раздел с контейнером «нет такого»."},
      {"a file of that name", ContainerChoice::Kind::kAll, u"",
       [&] { files.AddFile(u"/work/certs/kat256.001.cer", "mine"); },
       u"/work/certs/kat256.001.cer\r\n\r\nФайл или каталог уже существует."},
      {"the second file cannot be written", ContainerChoice::Kind::kAll, u"",
       [&] { files.FailOn(FakeFileSystem::Op::kWriteNewFile, u"/work/certs/kat256.001.cer", 28); },
       u"/work/certs/kat256.001.cer\r\n\r\nНе удалось записать файл сертификата.\r\n\r\nОшибка 28: "
       u"No space left on device"},
      {"the directory cannot be made", ContainerChoice::Kind::kAll, u"",
       [&] { files.FailOn(FakeFileSystem::Op::kMakeDirectory, u"/work/certs", 13); },
       u"/work/certs\r\n\r\nНе удалось создать каталог.\r\n\r\nОшибка 13: Permission denied"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.arrange();
    const auto arranged = files.Snapshot();
    EXPECT_FALSE(Save(ContainerChoice{c.kind, c.container}));
    EXPECT_EQ(OnlyError(), c.message);
    EXPECT_EQ(files.Snapshot(), arranged);
  }
}

}  // namespace
}  // namespace quillfen
