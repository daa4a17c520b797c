// --info, --cert and --list of the real program on the known-answer containers.
#include <gtest/gtest.h>

#include <filesystem>

#include "conversion/contents/info_text.h"
#include "host/unicode.h"
#include "tests/openssl_gost.h"
#include "tests/run_program.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

const fs::path kKnownAnswers = fs::path(QUILLFEN_SOURCE_DIR) / "tests/data/known-answers";

// The block InfoTextTest pins, as the program prints it: one line each.
TEST(ContentsProgramTest, InfoOfAContainerDirectory) {
  const fs::path directory = kKnownAnswers / "kat256.000";
  const auto result = RunProgram(QUILLFEN_EXE, {"--info", directory.string()});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  std::string block =
      ToUtf8(InfoBlock({u"kat256", {}, false, FromUtf8(directory.string())},
                       ReadContainerContents(AsContainerValues(KnownAnswerValues("kat256.000"))),
                       CurrentDateTime()));
  for (size_t at; (at = block.find("\r\n")) != std::string::npos;) block.erase(at, 1);
  EXPECT_EQ(result.out, "Velmora - Quillfen\n" + block + "\n");
}

TEST(ContentsProgramTest, CertReadableByAllNeverOverAFile) {
  TempDir dir;
  const fs::path target = dir / "new" / "certs";
  const std::string source = (kKnownAnswers / "kat2001.000").string();
  const auto result = RunProgram(QUILLFEN_EXE, {"--cert", source, target.string()});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, "Velmora - Quillfen\n" + target.string() + "\n\n«kat2001» → " +
                            (target / "kat2001.000.cer").string() +
                            "\n\nСертификат сохранён успешно! ^_^v\n");
  EXPECT_EQ(Mode(target / "kat2001.000.cer"), 0644u);
  // The directories made for it are as readable as it is.
  EXPECT_EQ(Mode(target), 0755u);
  EXPECT_EQ(Mode(target.parent_path()), 0755u);
  // The certificate the container was written with, as OpenSSL writes its DER.
  EXPECT_EQ(ReadBinaryFile(target / "kat2001.000.cer"),
            CertificateDer(KnownAnswerText("kat2001.cert.pem")));

  const auto again = RunProgram(QUILLFEN_EXE, {"--cert", source}, target);
  EXPECT_EQ(again.exit_status, 1);
  EXPECT_EQ(again.err,
            "Velmora - Quillfen\n./kat2001.000.cer\n\nФайл или каталог уже существует.\n");
}

// A link among a container directory's files, to a file the user could not
// otherwise have read, say, is no value: whatever reads the directory
// refuses it by its name, and nothing is written.
TEST(ContentsProgramTest, ALinkAmongTheFilesIsRefusedWhateverReadsThem) {
  TempDir dir;
  const fs::path copy = dir / "kat512.000";
  fs::copy(kKnownAnswers / "kat512.000", copy);
  fs::remove(copy / "masks2.key");
  fs::create_symlink(kKnownAnswers / "kat512.000" / "masks2.key", copy / "masks2.key");
  const std::string out = (dir / "out").string();
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--list", copy.string()},
        {"--info", copy.string()},
        {"--cert", copy.string(), out},
        {"--export-key", copy.string(), out}}) {
    const auto result = RunProgram(QUILLFEN_EXE, arguments);
    EXPECT_EQ(result.exit_status, 1) << arguments[0];
    EXPECT_EQ(result.err, "Velmora - Quillfen\n" + (copy / "masks2.key").string() +
                              "\n\nЭто не файл: в каталоге-контейнере бывают только файлы "
                              "значений.\n")
        << arguments[0];
    EXPECT_FALSE(fs::exists(out)) << arguments[0];
  }
}

TEST(ContentsProgramTest, ListOfADirectoryNamesTheCertificate) {
  // Explorer's files on a flash drive are no values, and no reason to fail.
  TempDir dir;
  const fs::path copy = dir / "kat512.000";
  fs::copy(kKnownAnswers / "kat512.000", copy);
  WriteBinaryFile(copy / "desktop.ini", "[.ShellClassInfo]\r\n");
  WriteBinaryFile(copy / "Thumbs.db", "x");
  for (const fs::path& directory : {kKnownAnswers / "kat512.000", copy}) {
    const auto result = RunProgram(QUILLFEN_EXE, {"--list", directory.string()});
    EXPECT_EQ(result.exit_status, 0) << directory;
    EXPECT_EQ(result.out,
              "Velmora - Quillfen\nkat512\t\t6\tkat512.000\tkat512.example\t2036-12-05\n");
  }
}

}  // namespace
}  // namespace quillfen
