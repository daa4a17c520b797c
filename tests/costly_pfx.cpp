#include "tests/costly_pfx.h"

#include <string>

#include "conversion/pkcs_identifiers.h"
#include "support/crypto.h"
#include "support/der.h"

namespace quillfen {
namespace {

using Kind = CostlyDerivation::Kind;

std::vector<uint8_t> OctetString(const std::vector<uint8_t>& bytes) {
  DerStructure octets = DerStructure::Create("Data");
  octets.WriteBytes("", bytes);
  return octets.Encode();
}

std::vector<uint8_t> Meaningless(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  return bytes;
}

std::vector<uint8_t> Salt(const CostlyDerivation& derivation) {
  return std::vector<uint8_t>(derivation.salt_size, derivation.salt);
}

std::vector<uint8_t> Pbes2Parameters(const CostlyDerivation& derivation) {
  DerStructure pbkdf2 = DerStructure::Create("PBKDF2-params");
  pbkdf2.WriteBytes("salt", Salt(derivation));
  pbkdf2.Write("iterationCount", std::to_string(derivation.iterations));
  pbkdf2.Omit("keyLength");
  pbkdf2.Write("prf.algorithm", derivation.kind == Kind::kPbes2Streebog512 ? "1.2.643.7.1.1.4.2"
                                                                           : "1.2.643.7.1.1.4.1");
  pbkdf2.WriteBytes("prf.parameters", std::vector<uint8_t>{0x05, 0x00});
  DerStructure gost = DerStructure::Create("Gost28147-89-Parameters");
  gost.WriteBytes("iv", Meaningless(8));
  gost.Write("encryptionParamSet", "1.2.643.7.1.2.5.1.1");
  DerStructure pbes2 = DerStructure::Create("PBES2-params");
  pbes2.Write("keyDerivationFunc.algorithm", kPbkdf2);
  pbes2.WriteBytes("keyDerivationFunc.parameters", pbkdf2.Encode());
  pbes2.Write("encryptionScheme.algorithm", "1.2.643.2.2.21");
  pbes2.WriteBytes("encryptionScheme.parameters", gost.Encode());
  return pbes2.Encode();
}

// PKCS12PbeParams and ProviderPbeParams alike.
std::vector<uint8_t> SaltAndIterations(const char* type, const CostlyDerivation& derivation) {
  DerStructure parameters = DerStructure::Create(type);
  parameters.WriteBytes("salt", Salt(derivation));
  parameters.Write("iterations", std::to_string(derivation.iterations));
  return parameters.Encode();
}

std::vector<uint8_t> EncryptedPart(const CostlyDerivation& derivation,
                                   std::span<const uint8_t> ciphertext) {
  const bool des = derivation.kind == Kind::kTripleDes;
  const std::string algorithm = "encryptedContentInfo.contentEncryptionAlgorithm";
  DerStructure data = DerStructure::Create("EncryptedData");
  data.Write("version", "0");
  data.Write("encryptedContentInfo.contentType", kPkcs7Data);
  data.Write(algorithm + ".algorithm", des ? kPkcs12PbeSha3Des : kPbes2);
  data.WriteBytes(algorithm + ".parameters", des ? SaltAndIterations("PKCS12PbeParams", derivation)
                                                 : Pbes2Parameters(derivation));
  data.WriteBytes("encryptedContentInfo.encryptedContent", ciphertext);
  data.Omit("unprotectedAttrs");
  return data.Encode();
}

std::vector<uint8_t> ProviderBag(const CostlyDerivation& derivation) {
  DerStructure info = DerStructure::Create("EncryptedPrivateKeyInfo");
  info.Write("encryptionAlgorithm.algorithm", kProviderPbe);
  info.WriteBytes("encryptionAlgorithm.parameters",
                  SaltAndIterations("ProviderPbeParams", derivation));
  info.WriteBytes("encryptedData", Meaningless(128));
  DerStructure bags = DerStructure::Create("SafeContents");
  bags.Write("", "NEW");
  bags.Write("?1.bagId", kPkcs12ShroudedKeyBag);
  bags.WriteBytes("?1.bagValue", info.Encode());
  bags.Omit("?1.bagAttributes");
  return OctetString(bags.Encode());
}

void WriteMac(DerStructure& pfx, const CostlyDerivation& derivation) {
  const char* digest = derivation.kind == Kind::kStreebog512Mac   ? "1.2.643.7.1.1.2.3"
                       : derivation.kind == Kind::kStreebog256Mac ? "1.2.643.7.1.1.2.2"
                                                                  : "1.3.14.3.2.26";
  pfx.Write("macData.mac.digestAlgorithm.algorithm", digest);
  pfx.Omit("macData.mac.digestAlgorithm.parameters");
  pfx.WriteBytes("macData.mac.digest", Meaningless(derivation.kind == Kind::kSha1Mac ? 20 : 64));
  pfx.WriteBytes("macData.macSalt", Salt(derivation));
  pfx.Write("macData.iterations", std::to_string(derivation.iterations));
}

bool IsMac(const CostlyDerivation& derivation) {
  return derivation.kind == Kind::kStreebog512Mac || derivation.kind == Kind::kStreebog256Mac ||
         derivation.kind == Kind::kSha1Mac;
}

}  // namespace

std::vector<uint8_t> CostlyPfx(const std::vector<CostlyDerivation>& derivations) {
  DerStructure safe = DerStructure::Create("AuthenticatedSafe");
  for (const auto& derivation : derivations) {
    if (IsMac(derivation)) continue;
    const bool clear = derivation.kind == Kind::kProviderBag;
    safe.Write("", "NEW");
    safe.Write("?LAST.contentType", clear ? kPkcs7Data : kPkcs7EncryptedData);
    safe.WriteBytes("?LAST.content",
                    clear ? ProviderBag(derivation) : EncryptedPart(derivation, Meaningless(64)));
  }
  DerStructure pfx = DerStructure::Create("PFX");
  pfx.Write("version", "3");
  pfx.Write("authSafe.contentType", kPkcs7Data);
  pfx.WriteBytes("authSafe.content", OctetString(safe.Encode()));
  if (!derivations.empty() && IsMac(derivations.front())) {
    WriteMac(pfx, derivations.front());
  } else {
    pfx.Omit("macData");
  }
  return pfx.Encode();
}

std::vector<uint8_t> EncryptedPart(std::span<const uint8_t> bags, std::span<const uint8_t> password,
                                   unsigned long iterations) {
  const CostlyDerivation derivation{Kind::kPbes2Streebog512, iterations};
  const SecureBytes key = Pbkdf2(Digest::kStribog512, password, Salt(derivation), iterations, 32);
  return EncryptedPart(
      derivation, Gost28147CfbEncrypt(GostSbox::kTc26Z, true, key.Span(), Meaningless(8), bags));
}

}  // namespace quillfen
