// PFX files between the program and OpenSSL's GOST engine, both ways: what
// the writer writes, OpenSSL imports with the same key and certificate; what
// OpenSSL exports, the reader reads.
#include <gtest/gtest.h>

#include <string>

#include "conversion/destinations/pfx_writer.h"
#include "conversion/sources/pfx_reader.h"
#include "support/der.h"
#include "tests/hex.h"
#include "tests/openssl_gost.h"
#include "tests/run_program.h"

namespace quillfen {
namespace {

std::span<const uint8_t> AsBytes(const std::string& text) { return Bytes(text); }

struct GeneratedKey {
  std::string pem;
  std::string der;          // PrivateKeyInfo, as --export-key writes it
  std::string certificate;  // DER
};

// With `large`, a certificate of over 1 KiB: its bag is encrypted past the
// 1,024 bytes after which CryptoPro key meshing takes a new key.
GeneratedKey Generate(const std::string& algorithm, const std::string& paramset,
                      bool large = false) {
  GeneratedKey key;
  key.pem = GenerateGostKey(algorithm, paramset);
  key.der = OpenSslKey(key.pem, {"-outform", "DER"});
  std::vector<std::string> names;
  for (int i = 0; large && i < 12; ++i) {
    names.push_back("host" + std::to_string(i) + "." + std::string(80, 'a') + ".example");
  }
  key.certificate = OpenSslCertificate(key.pem, names);
  return key;
}

const struct {
  const char* algorithm;
  const char* paramset;
} kKeys[] = {
    {"gost2001", "A"},     {"gost2012_256", "XA"}, {"gost2012_256", "B"},
    {"gost2012_512", "A"}, {"gost2012_512", "C"},
};

// `openssl pkcs12 -nodes` gives the key exactly as OpenSSL writes it and the
// certificate as it went in; its -info tells the file's layout.
TEST(PfxOpenSslTest, OpenSslReadsWhatTheWriterWrites) {
  const struct {
    const char* password;
    bool certificate;
    bool large = false;
  } kCases[] = {{"Пароль для PFX", true}, {"", true}, {"secret", false}, {"secret", true, true}};
  // Each key with one of the cases in turn.
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    const auto& k = kKeys[i];
    const auto& c = kCases[i % std::size(kCases)];
    const GeneratedKey key = Generate(k.algorithm, k.paramset, c.large);
    ASSERT_EQ(key.certificate.size() > 1024, c.large);
    {
      SCOPED_TRACE(std::string(k.algorithm) + " " + k.paramset + " «" + c.password + "»");
      PfxInput input{AsBytes(key.der), std::nullopt, u"ivanov", Bytes(c.password)};
      if (c.certificate) input.certificate = AsBytes(key.certificate);
      const auto pfx = WritePfx(input);
      const std::string file(pfx.begin(), pfx.end());
      const std::string pass = std::string("pass:") + c.password;
      const std::string out =
          OpenSsl({"pkcs12", "-engine", "gost", "-nodes", "-passin", pass}, file);
      EXPECT_EQ(PemBlock(out, "PRIVATE KEY"), key.pem);
      const std::string certificate = PemBlock(out, "CERTIFICATE");
      EXPECT_EQ(certificate.empty() ? std::string() : CertificateDer(certificate),
                c.certificate ? key.certificate : std::string());
      EXPECT_NE(out.find("friendlyName: ivanov"), std::string::npos) << out;

      std::string info =
          "MAC: GOST R 34.11-2012 with 512 bit hash, Iteration 2000\n"
          "MAC length: 64, salt length: 32\n"
          "PKCS7 Data\n"
          "Shrouded Keybag: PBES2, PBKDF2, gost89, Iteration 2000, PRF "
          "id-tc26-hmac-gost-3411-2012-512\n";
      if (c.certificate) {
        info +=
            "PKCS7 Encrypted data: PBES2, PBKDF2, gost89, Iteration 2000, PRF "
            "id-tc26-hmac-gost-3411-2012-512\nCertificate bag\n";
      }
      // -info writes to the standard error.
      TempDir directory;
      WriteBinaryFile(directory / "in.pfx", file);
      const ProgramResult result =
          RunProgram("/usr/bin/openssl", {"pkcs12", "-engine", "gost", "-info", "-noout", "-passin",
                                          pass, "-in", (directory / "in.pfx").string()});
      EXPECT_EQ(result.exit_status, 0);
      EXPECT_EQ(result.err, "Engine \"gost\" set.\n" + info);
    }
  }
}

// OpenSSL's own files (-keypbe gost89 -certpbe gost89 and either Stribog
// MAC): the certificate first, 8-byte salts, 2048 iterations.
TEST(PfxOpenSslTest, TheReaderReadsWhatOpenSslWrites) {
  const struct {
    const char* mac;
    size_t key;
  } kCases[] = {{"md_gost12_512", 0}, {"md_gost12_256", 2}, {"md_gost12_512", 4}};
  for (const auto& [mac, key_index] : kCases) {
    {
      const auto& k = kKeys[key_index];
      SCOPED_TRACE(std::string(k.algorithm) + " " + k.paramset + " " + mac);
      const GeneratedKey key = Generate(k.algorithm, k.paramset);
      TempDir directory;
      WriteBinaryFile(directory / "key.pem", key.pem);
      WriteBinaryFile(directory / "cert.der", key.certificate);
      const std::string certificate =
          OpenSsl({"x509", "-inform", "DER", "-in", (directory / "cert.der").string()});
      WriteBinaryFile(directory / "cert.pem", certificate);
      const std::string pfx =
          OpenSsl({"pkcs12", "-export", "-engine", "gost", "-keypbe", "gost89", "-certpbe",
                   "gost89", "-macalg", mac, "-inkey", (directory / "key.pem").string(), "-in",
                   (directory / "cert.pem").string(), "-passout", "pass:Пароль"});
      const PfxContents contents =
          ReadPfx(AsBytes(pfx), SecureBytes(Bytes("Пароль")), u"/work/in/openssl.pfx");
      ASSERT_EQ(contents.keys.size(), 1u);
      ASSERT_TRUE(contents.mac.has_value());
      EXPECT_EQ(contents.mac->iterations, 2048u);
      EXPECT_EQ(contents.mac->digest,
                std::string(mac) == "md_gost12_512" ? "1.2.643.7.1.1.2.3" : "1.2.643.7.1.1.2.2");
      const PfxKey& read = contents.keys[0];
      EXPECT_EQ(read.encryption.iterations, 2048u);
      const auto number =
          DerStructure::Decode("PrivateKeyInfo", AsBytes(key.der)).Bytes("privateKey");
      EXPECT_EQ(Hex(read.d.Span()), Hex(number));
      EXPECT_EQ(read.certificate,
                std::vector<uint8_t>(key.certificate.begin(), key.certificate.end()));
    }
  }
}

}  // namespace
}  // namespace quillfen
