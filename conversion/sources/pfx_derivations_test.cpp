// What reading a PFX costs, counted in the rounds of its key derivations:
// known before the first one runs, each derivation run once, and never past
// the limits, whatever the file asks for.
#include "conversion/sources/pfx_derivations.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "conversion/conversion_error.h"
#include "conversion/pkcs_identifiers.h"
#include "tests/costly_pfx.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

using Kind = CostlyDerivation::Kind;

std::vector<uint8_t> Octets(std::span<const uint8_t> der) {
  return DerStructure::Decode("Data", der).Bytes("");
}

std::vector<uint8_t> AsOctets(std::span<const uint8_t> bytes) {
  DerStructure data = DerStructure::Create("Data");
  data.WriteBytes("", bytes);
  return data.Encode();
}

// A known-answer PFX under a MAC of Streebog-512 with `password`, its
// authenticated safe changed by `change` and its MAC made again.
std::vector<uint8_t> Resealed(const std::string& file, const std::string& password,
                              const std::function<void(DerStructure&)>& change) {
  DerStructure pfx = DerStructure::Decode("PFX", KnownAnswerFile("pfx/" + file));
  DerStructure safe =
      DerStructure::Decode("AuthenticatedSafe", Octets(pfx.Bytes("authSafe.content")));
  change(safe);
  const auto content = safe.Encode();
  pfx.WriteBytes("authSafe.content", AsOctets(content));
  const SecureBytes key =
      Pbkdf2(Digest::kStribog512, Bytes(password), pfx.Bytes("macData.macSalt"), 2000, 96);
  pfx.WriteBytes("macData.mac.digest",
                 Hmac(Digest::kStribog512, key.Span().last(32), content).Span());
  return pfx.Encode();
}

// `bag` (a SafeBag's DER) after the bags of `bags`, without its attributes.
void AddBag(DerStructure& bags, std::span<const uint8_t> bag) {
  const DerStructure added = DerStructure::Decode("SafeBag", bag);
  bags.Write("", "NEW");
  bags.Write("?LAST.bagId", added.Oid("bagId"));
  bags.WriteBytes("?LAST.bagValue", added.Bytes("bagValue"));
  bags.Omit("?LAST.bagAttributes");
}

// The first bag of the first part, in the clear, `times` times over.
std::function<void(DerStructure&)> KeyBagRepeated(size_t times) {
  return [times](DerStructure& safe) {
    DerStructure bags = DerStructure::Decode("SafeContents", Octets(safe.Bytes("?1.content")));
    const auto bag = bags.ElementsDer({}).front();
    for (size_t i = 1; i < times; ++i) AddBag(bags, bag);
    safe.WriteBytes("?1.content", AsOctets(bags.Encode()));
  };
}

// The standard file's key bag, with `iterations` when they are given, in a
// part of its own encrypted under the file's password with one iteration: a
// derivation that shows only when that part is decrypted.
std::function<void(DerStructure&)> HiddenKeyBag(std::optional<unsigned long> iterations) {
  return [iterations](DerStructure& safe) {
    DerStructure bags = DerStructure::Decode("SafeContents", Octets(safe.Bytes("?1.content")));
    DerStructure bag = DerStructure::Decode("SafeBag", bags.ElementsDer({}).front());
    DerStructure info = DerStructure::Decode("EncryptedPrivateKeyInfo", bag.Bytes("bagValue"));
    DerStructure pbes2 =
        DerStructure::Decode("PBES2-params", info.Bytes("encryptionAlgorithm.parameters"));
    DerStructure pbkdf2 =
        DerStructure::Decode("PBKDF2-params", pbes2.Bytes("keyDerivationFunc.parameters"));
    if (iterations) pbkdf2.Write("iterationCount", std::to_string(*iterations));
    pbes2.WriteBytes("keyDerivationFunc.parameters", pbkdf2.Encode());
    info.WriteBytes("encryptionAlgorithm.parameters", pbes2.Encode());
    DerStructure hidden = DerStructure::Create("SafeContents");
    hidden.Write("", "NEW");
    hidden.Write("?1.bagId", kPkcs12ShroudedKeyBag);
    hidden.WriteBytes("?1.bagValue", info.Encode());
    hidden.Omit("?1.bagAttributes");
    safe.Write("", "NEW");
    safe.Write("?LAST.contentType", kPkcs7EncryptedData);
    safe.WriteBytes("?LAST.content", EncryptedPart(hidden.Encode(), Bytes("Пароль-256"), 1));
  };
}

// Every file is read or refused as its row says, after the rounds it says
// were run: a refusal for cost before the first, a derivation asked for
// twice run once, the empty password's two BMPStrings counted, the parts
// that the reader would not reach left out, a key that an encrypted part
// hides counted when it shows.
TEST(PfxDerivationsTest, AFileCostsNoMoreThanTheLimitsAndIsRefusedBeforeItsFirstDerivation) {
  const std::u16string refused_iterations =
      u"/work/x.pfx\r\n\r\nФайл PFX «x.pfx» повреждён (число итераций больше 1000000).";
  const std::u16string refused_rounds =
      u"/work/x.pfx\r\n\r\nФайл PFX «x.pfx» повреждён (на все его ключи нужно больше 1000000 "
      u"итераций).";
  const std::u16string wrong = u"/work/x.pfx\r\n\r\nНеверный пароль файла PFX «x.pfx».";
  const std::u16string read;
  const auto own_salts = [](std::vector<CostlyDerivation> derivations) {
    for (size_t i = 0; i < derivations.size(); ++i) derivations[i].salt = uint8_t(i + 1);
    return derivations;
  };
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    std::string password;
    uint64_t rounds;
    std::u16string message;  // empty: read
  } kCases[] = {
      // A MAC of 2000 iterations of 2 blocks, the key's and the certificates' parts.
      {"a standard file", KnownAnswerFile("pfx/kat256.std.pfx"), "Пароль-256", 8000, read},
      // The SHA-1 MAC, 3DES's key and IV, the provider's bag.
      {"the provider's, empty password", KnownAnswerFile("pfx/kat512.cp80-des3.pfx"), "", 10000,
       read},
      {"its key bag 15 times over, derived once",
       Resealed("kat2001.cp80.pfx", "Cp80-2001", KeyBagRepeated(15)), "Cp80-2001", 10000, read},
      {"the iterations at the limit", CostlyPfx({{Kind::kSha1Mac, 1'000'000}}), "x", 1'000'000,
       wrong},
      {"the iterations past it", CostlyPfx({{Kind::kSha1Mac, 1'000'001}}), "x", 0,
       refused_iterations},
      {"a part's past it, behind a MAC",
       CostlyPfx({{Kind::kSha1Mac, 2000}, {Kind::kTripleDes, 1'000'001}}), "x", 0,
       refused_iterations},
      {"the empty password's two BMPStrings past the rounds",
       CostlyPfx({{Kind::kSha1Mac, 500'001}}), "", 0, refused_rounds},
      {"a non-empty password's one", CostlyPfx({{Kind::kSha1Mac, 500'001}}), "x", 500'001, wrong},
      {"three rounds an iteration", CostlyPfx({{Kind::kStreebog256Mac, 333'334}}), "x", 0,
       refused_rounds},
      {"two parts, each within the limits",
       CostlyPfx(own_salts({{Kind::kPbes2Streebog256, 600'000}, {Kind::kTripleDes, 200'000}})), "x",
       0, refused_rounds},
      {"the same part twice, counted once",
       CostlyPfx({{Kind::kTripleDes, 300'000}, {Kind::kTripleDes, 300'000}}), "x", 900'000, wrong},
      {"16 parts up to the limit, the 17th never reached",
       CostlyPfx(own_salts(std::vector<CostlyDerivation>(17, {Kind::kTripleDes, 20'833}))), "x",
       62'499, wrong},
      {"a provider's bag of the salt the provider writes",
       CostlyPfx({{Kind::kProviderBag, 2000, 1, 16}}), "x", 2000, wrong},
      {"one of a longer salt", CostlyPfx({{Kind::kProviderBag, 2000, 1, 17}}), "x", 0,
       u"/work/x.pfx\r\n\r\nФайл PFX «x.pfx» повреждён (неверная длина соли)."},
      {"a key an encrypted part hides, past the rounds",
       Resealed("kat256.std.pfx", "Пароль-256", HiddenKeyBag(992'000)), "Пароль-256", 8001,
       refused_rounds},
      {"the key hidden as it is beside: derived once",
       Resealed("kat256.std.pfx", "Пароль-256", HiddenKeyBag(std::nullopt)), "Пароль-256", 8001,
       read},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const uint64_t before = KeyDerivationRounds();
    std::u16string message;
    try {
      const PfxContents contents = ReadPfx(c.bytes, SecureBytes(Bytes(c.password)), u"/work/x.pfx");
      EXPECT_FALSE(contents.keys.empty());
    } catch (const ConversionError& error) {
      message = error.Message();
    }
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(KeyDerivationRounds() - before, c.rounds);
  }
}

}  // namespace
}  // namespace quillfen
