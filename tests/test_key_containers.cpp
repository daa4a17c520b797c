#include "tests/test_key_containers.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "conversion/contents/private_key_pem.h"
#include "support/der.h"
#include "tests/openssl_gost.h"
#include "tests/test_containers.h"
#include "tests/test_keys.h"

namespace quillfen {
namespace {

std::vector<uint8_t> Pattern(size_t size, uint8_t step, uint8_t start) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(start + i * step);
  return bytes;
}

// OpenSSL signs a certificate for the key; it is made once per key.
std::vector<uint8_t> CertificateOf(const TestKey& key) {
  static std::map<std::string, std::vector<uint8_t>> made;
  const std::string pem = ExpectedKeyPem(key);
  auto& der = made[pem];
  if (der.empty()) {
    const std::string bytes = OpenSslCertificate(pem);
    der.assign(bytes.begin(), bytes.end());
  }
  return der;
}

std::vector<uint8_t> HeaderKey(const TestKey& key, const KeyFacts& facts) {
  const auto write = [&](std::span<const uint8_t> mac) {
    DerStructure header = DerStructure::Create("HeaderKey");
    header.Write("content.kind", "1.2.643.2.2.37.2.1");
    header.WriteBits("content.attributes", BitString{{0xC0}, 2});
    header.WriteBits("content.primaryKey.attributes", BitString{{0xA0}, 3});
    header.Write("content.primaryKey.algorithm.algorithm", key.algorithm);
    header.Write("content.primaryKey.algorithm.parameters.curve",
                 key.header_curve.empty() ? key.curve : key.header_curve);
    if (key.digest.empty()) {
      header.Omit("content.primaryKey.algorithm.parameters.digest");
    } else {
      header.Write("content.primaryKey.algorithm.parameters.digest", key.digest);
    }
    header.WriteBytes("content.passwordCheck", facts.check_value);
    if (key.certificate) {
      header.WriteBytes("content.primaryCertificate", CertificateOf(key));
    } else {
      header.Omit("content.primaryCertificate");
    }
    header.Omit("content.secondaryCertificate");
    header.WriteBytes("content.primaryFP", facts.primary_fp);
    header.Omit("content.extensions");
    header.WriteBytes("mac", mac);
    return header.Encode();
  };
  const std::vector<uint8_t> unsigned_header = write(std::vector<uint8_t>(4));
  const auto content =
      DerStructure::Decode("HeaderKeyElements", unsigned_header).ElementDer("content");
  static constexpr std::array<uint8_t, 32> kZeroKey{};
  const auto mac = Gost28147Mac(SboxOf(key.family), kZeroKey, content);
  return write(mac);
}

std::pair<std::vector<uint8_t>, std::vector<uint8_t>> StoredFiles(const StoredKey& stored) {
  DerStructure masks = DerStructure::Create("MasksKey");
  masks.WriteBytes("mask", stored.mask);
  masks.WriteBytes("salt", stored.salt);
  masks.WriteBytes("mac", stored.mac);
  DerStructure primary = DerStructure::Create("PrimaryKey");
  primary.WriteBytes("key", stored.encrypted);
  return {masks.Encode(), primary.Encode()};
}

}  // namespace

TestKey Test2001Key() {
  TestKey key;
  key.family = KeyFamily::k2001;
  key.algorithm = "1.2.643.2.2.98";
  key.curve = "1.2.643.2.2.35.1";
  key.digest = "1.2.643.2.2.30.1";
  key.d = Pattern(32, 7, 3);
  key.password = u"Пароль-2001";
  return key;
}

TestKey Test2012Key256() {
  TestKey key;
  key.algorithm = "1.2.643.7.1.1.1.1";
  key.curve = "1.2.643.7.1.2.1.1.1";
  key.d = Pattern(31, 13, 9);
  key.password = u"secret";
  return key;
}

TestKey Test2012Key512() {
  TestKey key;
  key.family = KeyFamily::k2012_512;
  key.algorithm = "1.2.643.7.1.1.6.2";
  key.curve = "1.2.643.7.1.2.1.2.1";
  key.digest = "1.2.643.7.1.1.2.3";
  key.d = Pattern(63, 5, 1);
  return key;
}

ValueList KeyContainerValues(const TestKey& key, const std::string& name) {
  const size_t size = key.family == KeyFamily::k2012_512 ? 64 : 32;
  std::vector<uint8_t> d = key.d;
  d.resize(size);
  const Password password = TestPassword(key.password);
  const SecureBytes pin = key.windows1251 ? *Windows1251PinOf(password) : PinOf(password);
  const KeyFacts facts = FactsOf(key.family, key.curve, d, pin.Span());
  const auto [masks, primary] = StoredFiles(
      StoreKey(key.family, key.curve, d, pin.Span(), Pattern(size, 3, 0x41), Pattern(12, 1, 1)));
  const auto [masks2, primary2] = StoredFiles(
      StoreKey(key.family, key.curve, d, pin.Span(), Pattern(size, 11, 0x99), Pattern(12, 5, 2)));
  return {{u"header.key", HeaderKey(key, facts)},
          {u"masks.key", masks},
          {u"masks2.key", masks2},
          {u"name.key", TestNameKey(name)},
          {u"primary.key", primary},
          {u"primary2.key", primary2}};
}

std::string ExpectedKeyPem(const TestKey& key) {
  const size_t size = key.family == KeyFamily::k2012_512 ? 64 : 32;
  std::vector<uint8_t> d = key.d;
  d.resize(size);
  const SecureBytes number{std::span<const uint8_t>(d)};
  const std::string pem =
      Text(Pem("PRIVATE KEY", PrivateKeyInfo(key.family, key.curve, number).Span()));
  // Held to OpenSSL, which writes the same key the same way.
  if (OpenSslKey(pem, {}) != pem) throw std::logic_error("OpenSSL writes the key otherwise");
  return pem;
}

std::string ExpectedCertificatePem(const ValueList& values) {
  auto copy = values;
  const auto header = DerStructure::Decode("HeaderKey", ValueOf(copy, u"header.key"));
  const std::vector<uint8_t> pem =
      PublicPem("CERTIFICATE", header.Bytes("content.primaryCertificate"));
  return std::string(pem.begin(), pem.end());
}

std::vector<uint8_t>& ValueOf(ValueList& values, const std::u16string& name) {
  for (auto& [value_name, bytes] : values) {
    if (value_name == name) return bytes;
  }
  throw std::invalid_argument("no such value");
}

}  // namespace quillfen
