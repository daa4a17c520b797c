#include "conversion/destinations/pfx_writer.h"

#include <array>
#include <utility>

#include "conversion/pkcs_identifiers.h"
#include "support/crypto.h"
#include "support/der.h"

namespace quillfen {
namespace {

constexpr char kHmacStribog512[] = "1.2.643.7.1.1.4.2";
constexpr char kGost28147[] = "1.2.643.2.2.21";
constexpr char kTc26Z[] = "1.2.643.7.1.2.5.1.1";
constexpr char kStribog512[] = "1.2.643.7.1.1.2.3";

constexpr char kIterations[] = "2000";
constexpr unsigned long kIterationCount = 2000;
constexpr size_t kSaltSize = 32;
constexpr size_t kIvSize = 8;
constexpr std::array<uint8_t, 2> kNull = {0x05, 0x00};
// The localKeyID of a key without a certificate, as the provider writes it.
constexpr std::array<uint8_t, 4> kFirstKeyId = {0x01, 0x00, 0x00, 0x00};

// What WritePfx(input) draws from: the strong generator, or a test's.
RandomBytes& FileRandom() {
  static RandomBytes random = StrongRandom;
  return random;
}

std::vector<uint8_t> Random(const RandomBytes& random, size_t size) {
  std::vector<uint8_t> bytes(size);
  random(bytes);
  return bytes;
}

// Under an empty password the key's ciphertext is as good as the key: each
// encoding that holds it is wiped when it goes.
WipedDer OctetString(std::span<const uint8_t> bytes) {
  DerStructure octets = DerStructure::Create("Data");
  octets.WriteBytes("", bytes);
  return octets.EncodeWiped();
}

// A part of the file encrypted under PBES2: the AlgorithmIdentifier's
// parameters, and the ciphertext.
struct Encrypted {
  std::vector<uint8_t> parameters;
  WipedDer ciphertext;
};

Encrypted Encrypt(std::span<const uint8_t> password, std::span<const uint8_t> plaintext,
                  const RandomBytes& random) {
  const std::vector<uint8_t> salt = Random(random, kSaltSize);
  const std::vector<uint8_t> iv = Random(random, kIvSize);
  DerStructure pbkdf2 = DerStructure::Create("PBKDF2-params");
  pbkdf2.WriteBytes("salt", salt);
  pbkdf2.Write("iterationCount", kIterations);
  pbkdf2.Omit("keyLength");
  pbkdf2.Write("prf.algorithm", kHmacStribog512);
  pbkdf2.WriteBytes("prf.parameters", kNull);
  DerStructure gost = DerStructure::Create("Gost28147-89-Parameters");
  gost.WriteBytes("iv", iv);
  gost.Write("encryptionParamSet", kTc26Z);
  DerStructure pbes2 = DerStructure::Create("PBES2-params");
  pbes2.Write("keyDerivationFunc.algorithm", kPbkdf2);
  pbes2.WriteBytes("keyDerivationFunc.parameters", pbkdf2.Encode());
  pbes2.Write("encryptionScheme.algorithm", kGost28147);
  pbes2.WriteBytes("encryptionScheme.parameters", gost.Encode());

  const SecureBytes key = Pbkdf2(Digest::kStribog512, password, salt, kIterationCount, 32);
  return {pbes2.Encode(),
          WipedDer(Gost28147CfbEncrypt(GostSbox::kTc26Z, true, key.Span(), iv, plaintext))};
}

// A SafeContents of one bag with its two attributes.
WipedDer OneBag(const char* id, std::span<const uint8_t> value, std::span<const uint8_t> localKeyId,
                const std::u16string& name) {
  DerStructure bags = DerStructure::Create("SafeContents");
  bags.Write("", "NEW");
  bags.Write("?1.bagId", id);
  bags.WriteBytes("?1.bagValue", value);
  const std::string attributes = "?1.bagAttributes";
  const auto add = [&](const char* type, std::vector<uint8_t> der) {
    bags.Write(attributes, "NEW");
    const std::string attribute = attributes + ".?LAST";
    bags.Write(attribute + ".attrId", type);
    bags.Write(attribute + ".attrValues", "NEW");
    bags.WriteBytes(attribute + ".attrValues.?1", der);
  };
  DerStructure key_id = DerStructure::Create("LocalKeyId");
  key_id.WriteBytes("", localKeyId);
  add(kPkcs9LocalKeyId, key_id.Encode());
  if (!name.empty()) {
    std::vector<uint8_t> bmp;
    for (const char16_t unit : name) {
      bmp.push_back(static_cast<uint8_t>(unit >> 8));
      bmp.push_back(static_cast<uint8_t>(unit));
    }
    DerStructure friendly_name = DerStructure::Create("FriendlyName");
    friendly_name.WriteBytes("", bmp);
    add(kPkcs9FriendlyName, friendly_name.Encode());
  }
  return bags.EncodeWiped();
}

WipedDer KeyContent(const PfxInput& input, std::span<const uint8_t> localKeyId,
                    const RandomBytes& random) {
  const Encrypted key = Encrypt(input.password, input.private_key_info, random);
  DerStructure info = DerStructure::Create("EncryptedPrivateKeyInfo");
  info.Write("encryptionAlgorithm.algorithm", kPbes2);
  info.WriteBytes("encryptionAlgorithm.parameters", key.parameters);
  info.WriteBytes("encryptedData", key.ciphertext.Span());
  return OctetString(
      OneBag(kPkcs12ShroudedKeyBag, info.EncodeWiped().Span(), localKeyId, input.friendly_name)
          .Span());
}

std::vector<uint8_t> CertificateContent(const PfxInput& input, std::span<const uint8_t> localKeyId,
                                        const RandomBytes& random) {
  DerStructure bag = DerStructure::Create("CertBag");
  bag.Write("certId", kPkcs9X509Certificate);
  bag.WriteBytes("certValue", OctetString(*input.certificate).Span());
  const WipedDer bags = OneBag(kPkcs12CertBag, bag.Encode(), localKeyId, input.friendly_name);
  const Encrypted certificate = Encrypt(input.password, bags.Span(), random);
  DerStructure data = DerStructure::Create("EncryptedData");
  data.Write("version", "0");
  data.Write("encryptedContentInfo.contentType", kPkcs7Data);
  data.Write("encryptedContentInfo.contentEncryptionAlgorithm.algorithm", kPbes2);
  data.WriteBytes("encryptedContentInfo.contentEncryptionAlgorithm.parameters",
                  certificate.parameters);
  data.WriteBytes("encryptedContentInfo.encryptedContent", certificate.ciphertext.Span());
  data.Omit("unprotectedAttrs");
  return data.Encode();
}

}  // namespace

std::vector<uint8_t> WritePfx(const PfxInput& input, const RandomBytes& random) {
  std::vector<uint8_t> local_key_id(kFirstKeyId.begin(), kFirstKeyId.end());
  if (input.certificate) {
    const auto thumbprint = Sha1(*input.certificate);
    local_key_id.assign(thumbprint.begin(), thumbprint.end());
  }
  DerStructure safe = DerStructure::Create("AuthenticatedSafe");
  safe.Write("", "NEW");
  safe.Write("?1.contentType", kPkcs7Data);
  safe.WriteBytes("?1.content", KeyContent(input, local_key_id, random).Span());
  if (input.certificate) {
    safe.Write("", "NEW");
    safe.Write("?2.contentType", kPkcs7EncryptedData);
    safe.WriteBytes("?2.content", CertificateContent(input, local_key_id, random));
  }
  const WipedDer content = safe.EncodeWiped();

  const std::vector<uint8_t> salt = Random(random, kSaltSize);
  // The last 32 of 96 bytes, as OpenSSL's GOST engine derives the MAC's key.
  const SecureBytes derived =
      Pbkdf2(Digest::kStribog512, input.password, salt, kIterationCount, 96);
  const SecureBytes mac = Hmac(Digest::kStribog512, derived.Span().last(32), content.Span());

  DerStructure pfx = DerStructure::Create("PFX");
  pfx.Write("version", "3");
  pfx.Write("authSafe.contentType", kPkcs7Data);
  pfx.WriteBytes("authSafe.content", OctetString(content.Span()).Span());
  pfx.Write("macData.mac.digestAlgorithm.algorithm", kStribog512);
  pfx.Omit("macData.mac.digestAlgorithm.parameters");
  pfx.WriteBytes("macData.mac.digest", mac.Span());
  pfx.WriteBytes("macData.macSalt", salt);
  pfx.Write("macData.iterations", kIterations);
  return pfx.Encode();
}

std::vector<uint8_t> WritePfx(const PfxInput& input) { return WritePfx(input, FileRandom()); }

ScopedPfxRandom::ScopedPfxRandom(RandomBytes random) : previous_(std::move(FileRandom())) {
  FileRandom() = std::move(random);
}

ScopedPfxRandom::~ScopedPfxRandom() { FileRandom() = std::move(previous_); }

}  // namespace quillfen
