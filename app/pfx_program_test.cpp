// --export-pfx and PFX files as sources, through the real program and
// OpenSSL's GOST engine.
#include <gtest/gtest.h>

#include <filesystem>

#include "conversion/destinations/container_names.h"
#include "host/unicode.h"
#include "support/date_time.h"
#include "tests/openssl_gost.h"
#include "tests/run_program.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

const fs::path kKnownAnswers = fs::path(QUILLFEN_SOURCE_DIR) / "tests/data/known-answers";

// Each known-answer container as a PFX, which OpenSSL's GOST engine opens
// with the new password into the key --export-key writes and the
// container's certificate; the PFX read back as a source gives them too.
// The new password comes whole from a UTF-8 file, a UTF-16LE file whose Њ
// (U+040A) has a byte 0A, and UTF-16LE standard input whose last character,
// ൌ (U+0D4C), has a byte 0D.
TEST(PfxProgramTest, EveryKnownAnswerAsOpenSslReadsIt) {
  TempDir dir;
  WriteBinaryFile(dir / "new.pass", "Новый пароль\n");
  WriteBinaryFile(dir / "new16.pass", std::string("\xff\xfe\x1d\x04\x0a\x04\n\x00", 8));
  WriteBinaryFile(dir / "input16.pass", std::string("\xff\xfeN\x00\x4c\x0d\n\x00", 8));
  const struct {
    const char* name;
    const char* password;
    const char* new_password_file;
    const char* new_password;
  } kCases[] = {{"kat2001", "Kat-2001", "new.pass", "Новый пароль"},
                {"kat256", "Kat-256", "new16.pass", "НЊ"},
                {"kat512", "", "-", "Nൌ"}};
  for (const auto& [name, password, new_password_file, new_password] : kCases) {
    SCOPED_TRACE(name);
    const std::string container = (kKnownAnswers / (std::string(name) + ".000")).string();
    WriteBinaryFile(dir / "pass", std::string(password) + "\n");
    const auto run = [&](std::vector<std::string> arguments) {
      // Standard input is the UTF-16LE line, for "-".
      arguments.insert(arguments.begin(), {"-c", "exec \"$0\" \"$@\" <input16.pass", QUILLFEN_EXE});
      const ProgramResult result = RunProgram("/bin/sh", arguments, dir.path());
      EXPECT_EQ(result.exit_status, 0) << result.err;
      return result;
    };
    const ProgramResult written =
        run({"--export-pfx", "--password-file=pass",
             "--pfx-password-file=" + std::string(new_password_file), container, "pfx"});
    run({"--export-key", "--password-file=pass", container, "pem"});
    const std::string file = std::string(name) + ".000";
    EXPECT_EQ(written.out, "Velmora - Quillfen\npfx\n\n«" + std::string(name) + "» → " + file +
                               ".pfx\n\nФайл PFX создан успешно! ^_^v\n");
    EXPECT_EQ(Mode(dir / "pfx"), 0700u);
    EXPECT_EQ(Mode(dir / "pfx" / (file + ".pfx")), 0600u);
    const std::string opened = OpenSsl(
        {"pkcs12", "-engine", "gost", "-nodes", "-passin", "pass:" + std::string(new_password)},
        ReadBinaryFile(dir / "pfx" / (file + ".pfx")));
    EXPECT_EQ(PemBlock(opened, "PRIVATE KEY"), ReadBinaryFile(dir / "pem" / (file + ".key.pem")));
    EXPECT_EQ(PemBlock(opened, "CERTIFICATE"), ReadBinaryFile(dir / "pem" / (file + ".cert.pem")));

    // «kat256.000» of kat256.000.pfx gives kat25600.000.key.pem.
    WriteBinaryFile(dir / "again.pass", std::string(new_password) + "\n");
    run({"--export-key", "--password-file=again.pass", "pfx/" + file + ".pfx", "again"});
    const std::string again = ToUtf8(ShortContainerName(FromUtf8(file))) + ".000.key.pem";
    EXPECT_EQ(ReadBinaryFile(dir / "again" / again),
              ReadBinaryFile(dir / "pem" / (file + ".key.pem")));
  }
}

// What --info shows of a PFX, and what every run without a PFX of its own
// says of one.
TEST(PfxProgramTest, InfoOfAPfxAndTheRunsThatRefuseOne) {
  TempDir dir;
  fs::copy(kKnownAnswers / "pfx" / "kat256.std.pfx", dir / "ivanov.pfx");
  WriteBinaryFile(dir / "pass", "Пароль-256\n");
  const std::string refused =
      "Velmora - Quillfen\nivanov.pfx\n\nЭто файл PFX: его читают только параметры «--info», "
      "«--cert», «--export-key» и «--export-pfx».\n";
  const std::string pbes2 =
      "PBES2 (1.2.840.113549.1.5.13): PBKDF2 с HMAC ГОСТ Р 34.11-2012 512 бит "
      "(1.2.643.7.1.1.4.2), итераций: 2000; ГОСТ 28147-89 (1.2.643.2.2.21)\n";
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string out, err;
  } kCases[] = {
      {{"--info", "--password-file=pass", "ivanov.pfx"},
       0,
       "Velmora - Quillfen\nФайл PFX: ivanov.pfx\nВид: стандартный (Р 50.1.112-2016)\n"
       "Имитовставка: HMAC ГОСТ Р 34.11-2012 512 бит (1.2.643.7.1.1.2.3), итераций: 2000\n"
       "Шифрование сертификатов: " +
           pbes2 + "\nКонтейнер «ivanov»\nШифрование ключа: " + pbes2 +
           "Алгоритм: ГОСТ Р 34.10-2012 256 бит, подпись (1.2.643.7.1.1.1.1)\n"
           "Параметры кривой: CryptoPro XchA (1.2.643.2.2.36.0)\n"
           "Хэш-функция: ГОСТ Р 34.11-2012 256 бит (1.2.643.7.1.1.2.2)\nСертификат:\n"
           "  Субъект: O=Test Vectors, CN=kat256.example\n"
           "  Издатель: O=Test Vectors, CN=kat256.example\n"
           "  Серийный номер: 3fa183970eedf98d806aae1f56e693df85e11076\n"
           "  Действителен: с 2026-12-08 00:47:52 UTC по 2036-12-05 00:47:52 UTC (" +
           (CurrentDateTime() < DateTime{2026, 12, 8, 0, 47, 52} ? "ещё не действителен"
                                                                 : "действителен") +
           ")\n  Отпечаток SHA-1: 606011ce9d7a992377d8b782b9c0c724945b5a2b\n",
       ""},
      {{"--info", "ivanov.pfx"},
       1,
       "",
       "Velmora - Quillfen\nivanov.pfx\n\nФайл PFX «ivanov.pfx» защищён паролем, а спросить его "
       "негде: укажите файл с паролем параметром «--password-file=FILE» (или «-» для "
       "стандартного ввода).\n"},
      {{"--cert", "--password-file=pass", "ivanov.pfx"},
       0,
       "Velmora - Quillfen\n.\n\n«ivanov» → ./ivanov.000.cer\n\nСертификат сохранён успешно! "
       "^_^v\n",
       ""},
      {{"ivanov.pfx"}, 1, "", refused},
      {{"--list", "ivanov.pfx"}, 1, "", refused},
      {{"--all", "ivanov.pfx", "out"}, 1, "", refused},
      {{"--container=ivanov", "ivanov.pfx", "out"}, 1, "", refused},
      {{"--install", "--keys-dir=.", "ivanov.pfx"}, 1, "", refused},
      {{"--to-reg", "--user=S-1-5-21-1", "ivanov.pfx"}, 1, "", refused},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const ProgramResult result = RunProgram(QUILLFEN_EXE, c.arguments, dir.path());
    EXPECT_EQ(result.exit_status, c.status);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
  }
  EXPECT_EQ(Listing(dir.path()).size(), 3u);  // the PFX, the password and the certificate
}

}  // namespace
}  // namespace quillfen
