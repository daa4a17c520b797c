#include "conversion/contents/container_contents.h"

#include <gtest/gtest.h>

#include <functional>

#include "conversion/contents/info_text.h"
#include "host/unicode.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

std::u16string OidText(const std::optional<NamedOid>& oid) { return oid ? oid->Text() : u"(none)"; }

template <typename T>
std::u16string Shown(const std::optional<T>& value) {
  if (!value) return u"(none)";
  if constexpr (std::is_same_v<T, bool>) {
    return *value ? u"yes" : u"no";
  } else if constexpr (std::is_same_v<T, DateTime>) {
    return FormatDateTime(*value);
  } else {
    return *value;
  }
}

// Every field, one per line, for exact comparison.
std::u16string Fields(const ContainerContents& contents) {
  std::u16string text = u"name " + Shown(contents.stored_name) + u"\nalgorithm " +
                        OidText(contents.algorithm) + u"\ncurve " + OidText(contents.curve) +
                        u"\ndigest " + OidText(contents.digest) + u"\nkey bits " +
                        Shown(contents.key_bits) + u"\nexportable " + Shown(contents.exportable) +
                        u"\ncontainer bits " + Shown(contents.container_bits) + u"\npassword " +
                        Shown(contents.password) + u"\nkey until " + Shown(contents.key_not_after) +
                        u"\ncertificate ";
  text += contents.certificate
              ? (contents.certificate->contents ? contents.certificate->contents->thumbprint
                                                : u"unreadable")
              : u"(none)";
  text += contents.second_certificate ? u"\nsecond certificate" : u"";
  for (const auto& problem : contents.problems) text += u"\nproblem " + problem;
  return text;
}

TEST(ContainerContentsTest, ReadsTheKnownAnswerContainers) {
  const struct {
    const char* directory;
    std::u16string fields;
  } cases[] = {
      {"kat2001.000",
       u"name kat2001\nalgorithm ГОСТ Р 34.10-2001, обмен (1.2.643.2.2.98)\n"
       u"curve CryptoPro A (1.2.643.2.2.35.1)\n"
       u"digest ГОСТ Р 34.11-94, параметры CryptoPro (1.2.643.2.2.30.1)\nkey bits 101\n"
       u"exportable yes\ncontainer bits 11\npassword yes\nkey until 2027-12-08 00:47:53 UTC\n"
       u"certificate 67e8fac02eeb2163ec60b944b1ee18feb28cf3f2"},
      {"kat256.000",
       u"name kat256\nalgorithm ГОСТ Р 34.10-2012 256 бит, обмен (1.2.643.7.1.1.6.1)\n"
       u"curve CryptoPro XchA (1.2.643.2.2.36.0)\n"
       u"digest ГОСТ Р 34.11-2012 256 бит (1.2.643.7.1.1.2.2)\nkey bits 101\n"
       u"exportable yes\ncontainer bits 11\npassword yes\nkey until 2027-12-08 00:47:52 UTC\n"
       u"certificate 606011ce9d7a992377d8b782b9c0c724945b5a2b"},
      {"kat512.000",
       u"name kat512\nalgorithm ГОСТ Р 34.10-2012 512 бит, обмен (1.2.643.7.1.1.6.2)\n"
       u"curve TC26 512 B (1.2.643.7.1.2.1.2.2)\n"
       u"digest ГОСТ Р 34.11-2012 512 бит (1.2.643.7.1.1.2.3)\nkey bits 101\n"
       u"exportable yes\ncontainer bits 01\npassword no\nkey until 2027-12-08 00:47:52 UTC\n"
       u"certificate 445061f170ea82a86a67553399a391c570badf6e"},
  };
  for (const auto& c : cases) {
    const auto contents = ReadContainerContents(AsContainerValues(KnownAnswerValues(c.directory)));
    EXPECT_EQ(Fields(contents), c.fields) << c.directory;
    EXPECT_TRUE(contents.header_read);
    EXPECT_EQ(contents.files,
              (std::vector<std::u16string>{u"header.key", u"masks.key", u"masks2.key", u"name.key",
                                           u"primary.key", u"primary2.key"}));
    EXPECT_TRUE(contents.missing_files.empty());
    EXPECT_TRUE(contents.empty_files.empty());
  }
}

TEST(ContainerContentsTest, WhatTheHeaderHoldsOrLacks) {
  // The defaults of TestHeader, up to the certificate.
  const std::u16string exchange_key =
      u"name ключ\nalgorithm ГОСТ Р 34.10-2012 256 бит, обмен (1.2.643.7.1.1.6.1)\n"
      u"curve CryptoPro XchA (1.2.643.2.2.36.0)\n"
      u"digest ГОСТ Р 34.11-2012 256 бит (1.2.643.7.1.1.2.2)\nkey bits 101\nexportable yes\n"
      u"container bits 01\npassword no\nkey until 2027-12-08 00:47:52 UTC\n";
  const struct {
    const char* name;
    TestHeader header;
    std::u16string fields;
  } cases[] = {
      {"signature key without digest, password, no validity, second certificate",
       [] {
         TestHeader h;
         h.algorithm = "1.2.643.2.2.19";
         h.curve = "1.2.643.2.2.35.3";
         h.digest.reset();
         h.key_bits = BitString{{0x00}, 3};
         h.password_check = {0, 0, 0, 1};
         h.key_not_after.reset();
         h.second_certificate = FromHex("3000");
         return h;
       }(),
       u"name ключ\nalgorithm ГОСТ Р 34.10-2001, подпись (1.2.643.2.2.19)\n"
       u"curve CryptoPro C (1.2.643.2.2.35.3)\ndigest (none)\nkey bits 000\nexportable no\n"
       u"container bits 01\npassword yes\nkey until (none)\ncertificate (none)\n"
       u"second certificate\nproblem второй сертификат (нет такого элемента)"},
      {"unknown algorithm and curve",
       [] {
         TestHeader h;
         h.algorithm = "1.2.3.4";
         h.curve = "1.2.3.5";
         h.digest = "1.2.3.6";
         h.key_bits = BitString{};
         return h;
       }(),
       u"name ключ\nalgorithm 1.2.3.4\ncurve 1.2.3.5\ndigest 1.2.3.6\nkey bits \nexportable "
       u"(none)\n"
       u"container bits 01\npassword no\nkey until 2027-12-08 00:47:52 UTC\ncertificate (none)"},
      {"a certificate that does not parse",
       [] {
         TestHeader h;
         h.certificate = FromHex("300a020101");
         return h;
       }(),
       exchange_key + u"certificate unreadable\nproblem сертификат (неверная кодировка DER)"},
      {"elements the module does not declare, after the known ones",
       [] {
         TestHeader h;
         h.certificate = KnownAnswerCertificate("kat256.000");
         // A context tag it does not know, a universal INTEGER, a constructed
         // [3] with a SEQUENCE inside.
         h.unknown_elements = {FromHex("870401020304"), FromHex("020105"), FromHex("a30430020500")};
         h.unknown_key_parameters = {FromHex("a1020500"), FromHex("0101ff")};
         return h;
       }(),
       exchange_key + u"certificate 606011ce9d7a992377d8b782b9c0c724945b5a2b"},
      {"a certificate of more names than any list holds",
       [] {
         TestHeader h;
         h.certificate = CertificateWithNames(300);
         return h;
       }(),
       exchange_key +
           u"certificate unreadable\nproblem сертификат (больше 256 элементов в одном списке)"},
      {"a megabyte, nearly all of it an element the module does not declare",
       [] {
         DerStructure filler = DerStructure::Create("GostPrivateKeyOctets");
         filler.WriteBytes("", std::vector<uint8_t>((1 << 20) - 1000, 0x55));
         TestHeader h;
         h.unknown_elements = {filler.Encode()};
         return h;
       }(),
       exchange_key + u"certificate (none)"},
  };
  for (const auto& c : cases) {
    const auto values = TestContainerValues(c.header, "\xd0\xba\xd0\xbb\xd1\x8e\xd1\x87");
    EXPECT_EQ(Fields(ReadContainerContents(AsContainerValues(values))), c.fields) << c.name;
  }
}

TEST(ContainerContentsTest, ADamagedFileLeavesTheOthersReadable) {
  const ValueList good = KnownAnswerValues("kat512.000");
  const std::vector<uint8_t> header = good[0].second;
  const std::vector<uint8_t> name = good[3].second;
  const auto with = [&](size_t index, std::vector<uint8_t> bytes) {
    ValueList values = good;
    values[index].second = std::move(bytes);
    return values;
  };
  std::vector<uint8_t> wrong_outer = header, wrong_inner = header, absurd = header;
  wrong_outer[0] = 0x31;               // a SET for the SEQUENCE
  wrong_inner[20] = 0x04;              // an OCTET STRING for the container's BIT STRING
  absurd[1] = 0x84, absurd[2] = 0x7f;  // a length of two gigabytes
  std::vector<uint8_t> bad_key_algorithm = header;
  bad_key_algorithm[32] = 0x02;  // an INTEGER for the key's algorithm
  // The name read, the key's algorithm and each problem, a line each.
  const std::u16string algorithm = u"ГОСТ Р 34.10-2012 512 бит, обмен (1.2.643.7.1.1.6.2)";
  const std::u16string name_lost = u"(none)\n" + algorithm + u"\n";
  const std::u16string header_lost = u"kat512\n(none)\n";
  const struct {
    const char* name;
    ValueList values;
    std::u16string read;
  } cases[] = {
      {"name.key not DER", with(3, FromHex("6b6174")), name_lost + u"name.key (неверный тег)"},
      {"name.key cut short", with(3, {name.begin(), name.end() - 1}),
       name_lost + u"name.key (неверная кодировка DER)"},
      {"name.key holds no name", with(3, FromHex("3000")), name_lost + u"name.key (нет имени)"},
      // Typed on Windows: the ANSI code page's letters, no UTF-8.
      {"name.key in Windows-1251", with(3, TestNameKey("\xca\xeb\xfe\xf7 1")),
       u"Ключ 1\n" + algorithm},
      {"name.key with a number for the name", with(3, FromHex("3003020101")),
       name_lost + u"name.key (неверный тег)"},
      {"header.key cut short", with(0, {header.begin(), header.begin() + 100}),
       header_lost + u"header.key (неверная кодировка DER)"},
      {"header.key with a wrong outer tag", with(0, wrong_outer),
       header_lost + u"header.key (неверный тег)"},
      {"header.key with an absurd length", with(0, absurd),
       header_lost + u"header.key (неверная кодировка DER)"},
      // libtasn1 takes both as a SEQUENCE without its elements.
      {"header.key empty", with(0, FromHex("3000")),
       header_lost + u"header.key (нет такого элемента)"},
      {"header.key with a length of 73 bytes", with(0, FromHex("30c9")),
       header_lost + u"header.key (нет такого элемента)"},
      {"container attributes of a wrong tag are an unknown element", with(0, wrong_inner),
       u"kat512\n" + algorithm},
      {"key algorithm of a wrong tag", with(0, bad_key_algorithm),
       header_lost + u"header.key, параметры ключа (неверный тег)"},
      {"header.key of more elements than any list holds",
       [&] {
         TestHeader h;
         h.unknown_elements.assign(260, FromHex("0500"));
         return TestContainerValues(h, "kat512");
       }(),
       u"kat512\n(none)\nheader.key (больше 256 элементов в одном списке)"},
      // No real one comes near: it is refused unread.
      {"header.key past a megabyte", with(0, std::vector<uint8_t>((1 << 20) + 1, 0x30)),
       header_lost + u"header.key (больше 1 МБ)"},
  };
  for (const auto& c : cases) {
    const auto contents = ReadContainerContents(AsContainerValues(c.values));
    std::u16string read = Shown(contents.stored_name) + u"\n" + OidText(contents.algorithm);
    for (const auto& problem : contents.problems) read += u"\n" + problem;
    EXPECT_EQ(read, c.read) << c.name;
  }
}

// However many elements header.key or its certificate holds, each is
// stepped over once: four times the elements cost four times the steps,
// where reaching each by its path would cost sixteen.
TEST(ContainerContentsTest, WorkGrowsWithTheElementsNotWithTheirSquare) {
  const struct {
    const char* what;
    std::function<void(TestHeader&, size_t)> add;
  } cases[] = {
      {"elements of header.key",
       [](TestHeader& h, size_t n) { h.unknown_elements.assign(n, FromHex("020105")); }},
      {"extensions of header.key",
       [](TestHeader& h, size_t n) { h.unknown_elements = {HeaderExtensions(n)}; }},
      {"names of the certificate",
       [](TestHeader& h, size_t n) { h.certificate = CertificateWithNames(n); }},
  };
  for (const auto& c : cases) {
    const auto steps = [&](size_t n) {
      TestHeader header;
      c.add(header, n);
      const auto values = AsContainerValues(TestContainerValues(header, "n"));
      const uint64_t before = DerElementSteps();
      const ContainerContents contents = ReadContainerContents(values);
      const uint64_t after = DerElementSteps();
      EXPECT_TRUE(contents.problems.empty()) << c.what << ": " << ToUtf8(contents.problems[0]);
      return after - before;
    };
    const uint64_t few = steps(60), many = steps(240);
    EXPECT_LT(many, 5 * few) << c.what << ": " << few << " steps for 60, " << many << " for 240";
  }
}

TEST(ContainerContentsTest, FilesThereMissingAndEmpty) {
  ValueList values = KnownAnswerValues("kat256.000");
  values.erase(values.begin() + 2);          // masks2.key
  values.back().second.clear();              // primary2.key
  values[0].first = u"HEADER.KEY";           // the registry ignores letter case
  values.push_back({u"extra.bin", {1, 2}});  // no usual file
  const auto contents = ReadContainerContents(AsContainerValues(values));
  EXPECT_EQ(contents.files, (std::vector<std::u16string>{u"header.key", u"masks.key", u"name.key",
                                                         u"primary.key", u"primary2.key"}));
  EXPECT_EQ(contents.missing_files, std::vector<std::u16string>{u"masks2.key"});
  EXPECT_EQ(contents.empty_files, std::vector<std::u16string>{u"primary2.key"});
  EXPECT_TRUE(contents.HasCertificate());

  ValueList tabbed = KnownAnswerValues("kat256.000");
  tabbed[3].second = TestNameKey("a\tb");
  // Read as it is; shown escaped, so that it breaks no line of the block.
  const auto named = ReadContainerContents(AsContainerValues(tabbed));
  EXPECT_EQ(named.stored_name, u"a\tb");
  EXPECT_NE(InfoBlock({u"k", u"S-1", false, {}}, named, {2026, 12, 8, 0, 0, 0})
                .find(u"\r\nИмя в name.key: a\\tb\r\n"),
            std::u16string::npos);
}

}  // namespace
}  // namespace quillfen
