#include "conversion/sources/pfx_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "conversion/conversion_error.h"
#include "conversion/pkcs_identifiers.h"
#include "host/unicode.h"
#include "support/der.h"
#include "tests/hex.h"
#include "tests/known_answers.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

constexpr char kStribog512[] = "1.2.643.7.1.1.2.3";
constexpr char kSha1[] = "1.3.14.3.2.26";
constexpr const char* k3Des = kPkcs12PbeSha3Des;
constexpr const char* kRc2_40 = kPkcs12PbeShaRc2_40;

SecureBytes Password(std::string_view text) { return SecureBytes(Bytes(text)); }

std::string BigEndianHex(const SecureBytes& d) {
  std::vector<uint8_t> bytes(d.data(), d.data() + d.size());
  std::reverse(bytes.begin(), bytes.end());
  return Hex(bytes);
}

// The one message a PFX that cannot be read ends in.
std::u16string ReadError(std::span<const uint8_t> bytes, std::string_view password) {
  try {
    ReadPfx(bytes, Password(password), u"/work/in/ivanov.pfx");
  } catch (const ConversionError& error) {
    return error.Message();
  }
  return u"(read)";
}

std::u16string Message(std::u16string_view text) {
  return PathError(u"/work/in/ivanov.pfx", text).Message();
}

// The provider's exports and the recommendation's example stay where the
// shared test data keeps them.
fs::path ProviderFile(const std::string& name) {
#ifdef _WIN32
  return fs::path("Z:" QUILLFEN_PROVIDER_PFX) / name;
#else
  return fs::path(QUILLFEN_PROVIDER_PFX) / name;
#endif
}

std::vector<uint8_t> Octets(std::span<const uint8_t> der) {
  return DerStructure::Decode("Data", der).Bytes("");
}

// The element at `path` of `outer`, decoded as `type`, changed and written
// back.
void Rewrite(DerStructure& outer, const std::string& path, std::string_view type,
             const std::function<void(DerStructure&)>& change) {
  DerStructure inner = DerStructure::Decode(type, outer.Bytes(path));
  change(inner);
  outer.WriteBytes(path, inner.Encode());
}

// The same for a structure inside an OCTET STRING.
void RewriteOctets(DerStructure& outer, const std::string& path, std::string_view type,
                   const std::function<void(DerStructure&)>& change) {
  Rewrite(outer, path, "Data", [&](DerStructure& data) { Rewrite(data, "", type, change); });
}

// The PFX `bytes` with its authenticated safe changed by `change` and its
// MAC made again under `password` from its salt: a file whose MAC holds.
std::vector<uint8_t> Resealed(std::span<const uint8_t> bytes, std::string_view password,
                              const std::function<void(DerStructure&)>& change) {
  DerStructure pfx = DerStructure::Decode("PFX", bytes);
  RewriteOctets(pfx, "authSafe.content", "AuthenticatedSafe", change);
  const auto content = Octets(pfx.Bytes("authSafe.content"));
  const auto salt = pfx.Bytes("macData.macSalt");
  EXPECT_EQ(Hex(pfx.Bytes("macData.iterations")), "07d0");
  SecureBytes mac;
  if (pfx.Oid("macData.mac.digestAlgorithm.algorithm") == kStribog512) {
    const SecureBytes key = Pbkdf2(Digest::kStribog512, Bytes(password), salt, 2000, 96);
    mac = Hmac(Digest::kStribog512, key.Span().last(32), content);
  } else {
    std::vector<uint8_t> bmp;
    for (const char16_t c : FromUtf8(password))
      bmp.insert(bmp.end(), {uint8_t(c >> 8), uint8_t(c)});
    bmp.insert(bmp.end(), {0, 0});
    const SecureBytes key = Pkcs12Kdf(Digest::kSha1, Pkcs12Purpose::kMac, bmp, salt, 2000, 20);
    mac = Hmac(Digest::kSha1, key.Span(), content);
  }
  pfx.WriteBytes("macData.mac.digest", mac.Span());
  return pfx.Encode();
}

// The PFX `bytes` changed by `change`, its MAC as it was.
std::vector<uint8_t> Changed(std::span<const uint8_t> bytes,
                             const std::function<void(DerStructure&)>& change) {
  DerStructure pfx = DerStructure::Decode("PFX", bytes);
  change(pfx);
  return pfx.Encode();
}

// A PrivateKeyInfo in the clear, of `algorithm` on `curve`.
std::vector<uint8_t> PlainKey(const char* algorithm, const char* curve) {
  DerStructure parameters = DerStructure::Create("GostKeyParameters");
  parameters.Write("curve", curve);
  parameters.Omit("digest");
  DerStructure info = DerStructure::Create("PrivateKeyInfo");
  info.Write("version", "0");
  info.Write("privateKeyAlgorithm.algorithm", algorithm);
  info.WriteBytes("privateKeyAlgorithm.parameters", parameters.Encode());
  info.WriteBytes("privateKey", std::vector<uint8_t>(32, 1));
  info.Omit("attributes");
  return info.Encode();
}

// The safe contents of the first part with one more bag, a key in the clear.
std::function<void(DerStructure&)> AddedKeyBag(std::vector<uint8_t> key) {
  return [key](DerStructure& safe) {
    RewriteOctets(safe, "?1.content", "SafeContents", [&](DerStructure& bags) {
      bags.Write("", "NEW");
      const std::string bag = "?LAST";
      bags.Write(bag + ".bagId", "1.2.840.113549.1.12.10.1.1");
      bags.WriteBytes(bag + ".bagValue", key);
      bags.Omit(bag + ".bagAttributes");
    });
  };
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The independent writer's files give the key and certificate of their
// container; the MAC and the bags are described as the files make them.
TEST(PfxReaderTest, KnownAnswerFilesGiveTheirKeys) {
  const struct {
    const char* file;
    const char* password;
    const char* container;
    PfxKind kind;
    const char* mac;
    const char* key_scheme;
    const char* certificate_scheme;
  } kCases[] = {
      {"kat256.std.pfx", "Пароль-256", "kat256.000", PfxKind::kStandard, kStribog512, kPbes2,
       kPbes2},
      {"kat512.std.pfx", "Std-512", "kat512.000", PfxKind::kStandard, kStribog512, kPbes2, kPbes2},
      {"kat2001.std.pfx", "Std-2001", "kat2001.000", PfxKind::kStandard, kStribog512, kPbes2,
       kPbes2},
      {"kat256.cp80.pfx", "Cp80-256", "kat256.000", PfxKind::kProviderExport, kStribog512,
       kProviderPbe, kRc2_40},
      {"kat512.cp80.pfx", "Cp80-512", "kat512.000", PfxKind::kProviderExport, kStribog512,
       kProviderPbe, kRc2_40},
      {"kat2001.cp80.pfx", "Cp80-2001", "kat2001.000", PfxKind::kProviderExport, kStribog512,
       kProviderPbe, kRc2_40},
      {"kat256.cp80-des3.pfx", "Cp80-256", "kat256.000", PfxKind::kProviderExport, kSha1,
       kProviderPbe, k3Des},
      {"kat512.cp80-des3.pfx", "", "kat512.000", PfxKind::kProviderExport, kSha1, kProviderPbe,
       k3Des},
      {"kat2001.cp80-des3.pfx", "Cp80-2001", "kat2001.000", PfxKind::kProviderExport, kSha1,
       kProviderPbe, k3Des},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.file);
    const auto answer =
        std::find_if(KnownAnswers().begin(), KnownAnswers().end(),
                     [&](const KnownAnswer& a) { return a.directory == std::string(c.container); });
    const auto bytes = KnownAnswerFile(std::string("pfx/") + c.file);
    EXPECT_TRUE(IsPfx(bytes));
    const PfxContents contents = ReadPfx(bytes, Password(c.password), u"/work/in/kat.pfx");
    EXPECT_EQ(contents.kind, c.kind);
    ASSERT_TRUE(contents.mac.has_value());
    EXPECT_EQ(contents.mac->digest, c.mac);
    EXPECT_EQ(contents.mac->iterations, 2000u);
    ASSERT_TRUE(contents.certificate_encryption.has_value());
    EXPECT_EQ(contents.certificate_encryption->scheme, c.certificate_scheme);
    EXPECT_EQ(contents.certificate_encryption->iterations, 2000u);
    ASSERT_EQ(contents.keys.size(), 1u);
    const PfxKey& key = contents.keys[0];
    EXPECT_EQ(BigEndianHex(key.d), answer->private_key);
    EXPECT_EQ(key.curve, answer->curve_oid);
    EXPECT_EQ(key.certificate, KnownAnswerCertificate(c.container));
    EXPECT_EQ(Hex(key.local_key_id), "01000000");
    EXPECT_EQ(key.encryption.scheme, c.key_scheme);
    EXPECT_EQ(key.encryption.iterations, 2000u);
    if (c.kind == PfxKind::kStandard) {
      EXPECT_EQ(key.encryption.cipher, "1.2.643.2.2.21");
      EXPECT_EQ(key.encryption.prf, "1.2.643.7.1.1.4.2");
    }
  }
}

// The provider's own exports, with an empty password and the certificates
// whose public keys the keys must give.
TEST(PfxReaderTest, TheProvidersExports) {
  const struct {
    const char* file;
    const char* algorithm;
    const char* curve;
    const char* key;
  } kCases[] = {
      {"csp-export-2001.pfx", "1.2.643.2.2.98", "1.2.643.2.2.36.0",
       "fd2c68ea414d70a2fbbd2dee0b14c91ba34cbe89b943e8f50a2ec55b7b068509"},
      {"csp-export-2012-256.pfx", "1.2.643.7.1.1.6.1", "1.2.643.2.2.36.0",
       "9b9a529d52ffd7c16f8115f3cc572cc82b0ad29a1742cd3cfd1ba5fbf4ed2a40"},
      {"csp-export-2012-512.pfx", "1.2.643.7.1.1.6.2", "1.2.643.7.1.2.1.2.1",
       "4da9eccb465d94b908aa36ee2a9493d212269f4c7e378a858eeb465ae2e651c1"
       "2e0507a5b020903d7c7f1c5fa968ee7f489d71816dfcd84cca23cf667562f2ed"},
  };
  for (const auto& c : kCases) {
    const fs::path path = ProviderFile(c.file);
    if (!fs::exists(path)) GTEST_SKIP() << "the provider's exports are not at " << path;
    SCOPED_TRACE(c.file);
    const PfxContents contents = ReadPfx(ReadBytes(path), Password(""), u"/work/in/csp.pfx");
    EXPECT_EQ(contents.kind, PfxKind::kProviderExport);
    ASSERT_TRUE(contents.mac.has_value());
    EXPECT_EQ(contents.mac->digest, kSha1);
    EXPECT_EQ(contents.certificate_encryption->scheme, k3Des);
    ASSERT_EQ(contents.keys.size(), 1u);
    EXPECT_EQ(contents.keys[0].algorithm, c.algorithm);
    EXPECT_EQ(contents.keys[0].curve, c.curve);
    EXPECT_EQ(BigEndianHex(contents.keys[0].d), c.key);
    EXPECT_TRUE(contents.keys[0].certificate.has_value());
    EXPECT_TRUE(contents.keys[0].friendly_name.has_value());
  }
}

// The example of R 50.1.112-2016: its key field holds the key and a mask,
// and its key is the one OpenSSL's GOST engine reads from it. Its MAC and
// its encrypted certificate are made again from its salts and IV.
TEST(PfxReaderTest, TheRecommendationsExample) {
  const fs::path path = ProviderFile("tc26-example.pfx");
  if (!fs::exists(path)) GTEST_SKIP() << "the example is not at " << path;
  const std::string password = "Пароль для PFX";
  const auto bytes = ReadBytes(path);
  const PfxContents contents = ReadPfx(bytes, Password(password), u"/work/in/example.pfx");
  ASSERT_EQ(contents.keys.size(), 1u);
  const PfxKey& key = contents.keys[0];
  EXPECT_EQ(BigEndianHex(key.d),
            "2bea34a3b05d19645b8f41246a995008230700fd006ba6eb53b422559cef2252");
  EXPECT_EQ(key.curve, "1.2.643.2.2.35.1");
  ASSERT_TRUE(key.certificate.has_value());
  EXPECT_EQ(Hex(Sha1(*key.certificate)), "0953fdd45bb46478f2cbf7df2764d2c2b9433387");

  const DerStructure pfx = DerStructure::Decode("PFX", bytes);
  const auto content = DerStructure::Decode("Data", pfx.Bytes("authSafe.content")).Bytes("");
  const SecureBytes derived =
      Pbkdf2(Digest::kStribog512, Bytes(password), pfx.Bytes("macData.macSalt"), 2000, 96);
  EXPECT_EQ(Hex(Hmac(Digest::kStribog512, derived.Span().last(32), content).Span()),
            Hex(pfx.Bytes("macData.mac.digest")));

  const DerStructure safe = DerStructure::Decode("AuthenticatedSafe", content);
  const DerStructure data = DerStructure::Decode("EncryptedData", safe.Bytes("?2.content"));
  const std::string info = "encryptedContentInfo.";
  const DerStructure pbes2 = DerStructure::Decode(
      "PBES2-params", data.Bytes(info + "contentEncryptionAlgorithm.parameters"));
  const DerStructure pbkdf2 =
      DerStructure::Decode("PBKDF2-params", pbes2.Bytes("keyDerivationFunc.parameters"));
  const DerStructure gost =
      DerStructure::Decode("Gost28147-89-Parameters", pbes2.Bytes("encryptionScheme.parameters"));
  const SecureBytes cek =
      Pbkdf2(Digest::kStribog512, Bytes(password), pbkdf2.Bytes("salt"), 2000, 32);
  const auto encrypted = data.Bytes(info + "encryptedContent");
  const SecureBytes plain =
      Gost28147Cfb(GostSbox::kTc26Z, true, cek.Span(), gost.Bytes("iv"), encrypted, false);
  const DerStructure bags = DerStructure::Decode("SafeContents", plain.Span());
  const DerStructure bag = DerStructure::Decode("CertBag", bags.Bytes("?1.bagValue"));
  EXPECT_EQ(DerStructure::Decode("Data", bag.Bytes("certValue")).Bytes(""), *key.certificate);
  EXPECT_EQ(
      Hex(Gost28147Cfb(GostSbox::kTc26Z, true, cek.Span(), gost.Bytes("iv"), plain.Span(), true)
              .Span()),
      Hex(encrypted));
}

// Each way a PFX cannot be read ends in its one message.
TEST(PfxReaderTest, WhatCannotBeReadHasItsMessage) {
  const auto standard = KnownAnswerFile("pfx/kat256.std.pfx");
  const auto provider = KnownAnswerFile("pfx/kat2001.cp80.pfx");
  const auto provider_sha1 = KnownAnswerFile("pfx/kat256.cp80-des3.pfx");
  const std::string password = "Пароль-256";
  const std::u16string wrong_password = Message(u"Неверный пароль файла PFX «ivanov.pfx».");
  const std::string pbes2_cipher = "encryptedContentInfo.contentEncryptionAlgorithm.parameters";
  auto tampered_content = standard;
  tampered_content[500] ^= 1;
  const auto no_mac = Changed(standard, [](DerStructure& pfx) { pfx.Omit("macData"); });
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    std::string password;
    std::u16string message;
  } kCases[] = {
      {"wrong password", standard, "пароль-256", wrong_password},
      {"wrong password, SHA-1 MAC", provider_sha1, "", wrong_password},
      {"wrong password, no MAC", no_mac, "Пароль-25", wrong_password},
      {"MAC changed",
       Changed(standard,
               [](DerStructure& pfx) {
                 auto mac = pfx.Bytes("macData.mac.digest");
                 mac[0] ^= 1;
                 pfx.WriteBytes("macData.mac.digest", mac);
               }),
       password, wrong_password},
      {"content changed", tampered_content, password, wrong_password},
      {"cut short", std::vector<uint8_t>(standard.begin(), standard.begin() + 600), password,
       Message(u"Файл PFX «ivanov.pfx» повреждён (данные обрываются).")},
      {"key blob's MAC",
       Resealed(provider, "Cp80-2001",
                [](DerStructure& safe) {
                  RewriteOctets(safe, "?1.content", "SafeContents", [](DerStructure& bags) {
                    Rewrite(bags, "?1.bagValue", "EncryptedPrivateKeyInfo", [](DerStructure& info) {
                      auto encrypted = info.Bytes("encryptedData");
                      encrypted.back() ^= 1;
                      info.WriteBytes("encryptedData", encrypted);
                    });
                  });
                }),
       "Cp80-2001",
       Message(u"Ключ файла PFX «ivanov.pfx» повреждён: его имитовставка не сходится.")},
      {"Kuznyechik CTR-ACPKM",
       Resealed(standard, password,
                [&](DerStructure& safe) {
                  Rewrite(safe, "?2.content", "EncryptedData", [&](DerStructure& data) {
                    Rewrite(data, pbes2_cipher, "PBES2-params", [](DerStructure& pbes2) {
                      pbes2.Write("encryptionScheme.algorithm", "1.2.643.7.1.1.5.2.1");
                    });
                  });
                }),
       password,
       Message(u"Алгоритм шифрования файла PFX «ivanov.pfx» (1.2.643.7.1.1.5.2.1) программа не "
               u"знает.")},
      {"Magma CTR-ACPKM",
       Resealed(standard, password,
                [](DerStructure& safe) {
                  RewriteOctets(safe, "?1.content", "SafeContents", [](DerStructure& bags) {
                    Rewrite(bags, "?1.bagValue", "EncryptedPrivateKeyInfo", [](DerStructure& info) {
                      Rewrite(info, "encryptionAlgorithm.parameters", "PBES2-params",
                              [](DerStructure& pbes2) {
                                pbes2.Write("encryptionScheme.algorithm", "1.2.643.7.1.1.5.1.1");
                              });
                    });
                  });
                }),
       password,
       Message(u"Алгоритм шифрования файла PFX «ivanov.pfx» (1.2.643.7.1.1.5.1.1) программа не "
               u"знает.")},
      {"test S-box",
       Resealed(standard, password,
                [&](DerStructure& safe) {
                  Rewrite(safe, "?2.content", "EncryptedData", [&](DerStructure& data) {
                    Rewrite(data, pbes2_cipher, "PBES2-params", [](DerStructure& pbes2) {
                      Rewrite(pbes2, "encryptionScheme.parameters", "Gost28147-89-Parameters",
                              [](DerStructure& gost) {
                                gost.Write("encryptionParamSet", "1.2.643.2.2.31.0");
                              });
                    });
                  });
                }),
       password,
       Message(u"Параметры шифрования файла PFX «ivanov.pfx» (1.2.643.2.2.31.0) программа не "
               u"знает.")},
      {"RSA key",
       Resealed(standard, password,
                AddedKeyBag(PlainKey("1.2.840.113549.1.1.1", "1.2.643.2.2.35.1"))),
       password,
       Message(u"Алгоритм ключа файла PFX «ivanov.pfx» (1.2.840.113549.1.1.1) программа не "
               u"знает.")},
      {"test curve",
       Resealed(standard, password, AddedKeyBag(PlainKey("1.2.643.7.1.1.1.1", "1.2.643.2.2.35.0"))),
       password,
       Message(u"Параметры ключа файла PFX «ivanov.pfx» (1.2.643.2.2.35.0) программа не знает.")},
      {"2012-256 on a 512-bit curve",
       Resealed(standard, password,
                AddedKeyBag(PlainKey("1.2.643.7.1.1.1.1", "1.2.643.7.1.2.1.2.1"))),
       password,
       Message(
           u"Параметры ключа файла PFX «ivanov.pfx» (1.2.643.7.1.2.1.2.1) программа не знает.")},
      {"enveloped data",
       Resealed(standard, password,
                [](DerStructure& safe) { safe.Write("?2.contentType", "1.2.840.113549.1.7.3"); }),
       password,
       Message(u"Вид содержимого файла PFX «ivanov.pfx» (1.2.840.113549.1.7.3) программа не "
               u"знает.")},
      {"no key",
       Resealed(standard, password,
                [](DerStructure& safe) {
                  RewriteOctets(safe, "?1.content", "SafeContents", [](DerStructure& bags) {
                    bags.Write("?1.bagId", "1.2.840.113549.1.12.10.1.5");
                  });
                }),
       password, Message(u"В файле PFX «ivanov.pfx» нет закрытого ключа.")},
      {"GOST R 34.11-94 MAC",
       Changed(standard,
               [](DerStructure& pfx) {
                 pfx.Write("macData.mac.digestAlgorithm.algorithm", "1.2.643.2.2.9");
               }),
       password,
       Message(u"Алгоритм имитовставки файла PFX «ivanov.pfx» (1.2.643.2.2.9) программа не "
               u"знает.")},
      {"MAC's iterations",
       Changed(standard, [](DerStructure& pfx) { pfx.Write("macData.iterations", "1000001"); }),
       password, Message(u"Файл PFX «ivanov.pfx» повреждён (число итераций больше 1000000).")},
      {"a bag's iterations",
       Resealed(standard, password,
                [&](DerStructure& safe) {
                  Rewrite(safe, "?2.content", "EncryptedData", [&](DerStructure& data) {
                    Rewrite(data, pbes2_cipher, "PBES2-params", [](DerStructure& pbes2) {
                      Rewrite(pbes2, "keyDerivationFunc.parameters", "PBKDF2-params",
                              [](DerStructure& pbkdf2) {
                                pbkdf2.Write("iterationCount", "18446744073709551616");
                              });
                    });
                  });
                }),
       password, Message(u"Файл PFX «ivanov.pfx» повреждён (число итераций больше 1000000).")},
      {"version 2", Changed(standard, [](DerStructure& pfx) { pfx.Write("version", "2"); }),
       password, Message(u"Файл PFX «ivanov.pfx» повреждён (неверная версия).")},
      {"over 8 MB", std::vector<uint8_t>(kMaxPfxSize + 1), password,
       Message(u"Файл PFX «ivanov.pfx» слишком велик (больше 8 МБ).")},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ReadError(c.bytes, c.password), c.message) << c.what;
  }
  // Without a MAC the right password reads the file.
  const PfxContents contents = ReadPfx(no_mac, Password(password), u"/work/in/ivanov.pfx");
  EXPECT_FALSE(contents.mac.has_value());
  EXPECT_EQ(contents.keys.size(), 1u);
}

TEST(PfxReaderTest, WhatIsTakenForAPfx) {
  const auto standard = KnownAnswerFile("pfx/kat256.std.pfx");
  const auto version2 = Changed(standard, [](DerStructure& pfx) { pfx.Write("version", "2"); });
  const auto certificate = KnownAnswerCertificate("kat256.000");
  const auto signed_data = Changed(standard, [](DerStructure& pfx) {
    pfx.Write("authSafe.contentType", "1.2.840.113549.1.7.2");
  });
  const struct {
    const char* what;
    std::span<const uint8_t> bytes;
    bool pfx;
  } kCases[] = {
      {"a PFX", standard, true},
      {"its first 40 bytes", std::span(standard).first(40), true},
      {"its first 20 bytes", std::span(standard).first(20), false},
      {"version 2", version2, false},
      {"signed data", signed_data, false},
      {"a certificate", certificate, false},
      {"a registry file", Bytes("Windows Registry Editor Version 5.00\r\n"), false},
      {"nothing", {}, false},
  };
  for (const auto& c : kCases) EXPECT_EQ(IsPfx(c.bytes), c.pfx) << c.what;
}

}  // namespace
}  // namespace quillfen
