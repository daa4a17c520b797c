#include "conversion/sources/pfx_encryption.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "conversion/pkcs_identifiers.h"
#include "host/unicode.h"
#include "support/der.h"

namespace quillfen {
namespace {

constexpr char kGost28147[] = "1.2.643.2.2.21";

// Salts are a few dozen bytes; a longer one is no salt.
constexpr size_t kMaxSalt = 1024;
constexpr size_t kGostKeySize = 32;

[[noreturn]] void Fail(PfxFault::Kind kind, std::u16string detail = {}) {
  throw PfxFault{kind, std::move(detail)};
}

[[noreturn]] void Damaged(std::u16string_view reason) {
  Fail(PfxFault::Kind::kDamaged, std::u16string(reason));
}

std::vector<uint8_t> Salt(const DerStructure& structure, std::string_view path) {
  std::vector<uint8_t> salt = structure.Bytes(path);
  if (salt.empty() || salt.size() > kMaxSalt) Damaged(u"неверная длина соли");
  return salt;
}

bool Same(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// The PRFs of PBKDF2 by their identifiers.
std::optional<Digest> PrfOf(std::string_view oid) {
  static constexpr struct {
    std::string_view oid;
    Digest digest;
  } kPrfs[] = {
      {kHmacSha1, Digest::kSha1},
      {"1.2.840.113549.2.9", Digest::kSha256},
      {"1.2.643.7.1.1.4.1", Digest::kStribog256},
      {"1.2.643.7.1.1.4.2", Digest::kStribog512},
  };
  for (const auto& prf : kPrfs) {
    if (prf.oid == oid) return prf.digest;
  }
  return std::nullopt;
}

// The MAC's digests: SHA's key comes from the PKCS #12 derivation, Stribog's
// from PBKDF2, as OpenSSL's GOST engine makes it.
struct MacDigest {
  std::string_view oid;
  Digest digest;
  bool pbkdf2;
};
constexpr MacDigest kMacDigests[] = {
    {"1.3.14.3.2.26", Digest::kSha1, false},
    {"2.16.840.1.101.3.4.2.1", Digest::kSha256, false},
    {"1.2.643.7.1.1.2.2", Digest::kStribog256, true},
    {"1.2.643.7.1.1.2.3", Digest::kStribog512, true},
};

// PBES2's parameters: the key's derivation, and GOST 28147-89's IV and
// S-box.
struct Pbes2 {
  PfxDerivation key;
  std::vector<uint8_t> iv;
  GostSbox sbox;
};

Pbes2 ReadPbes2(std::span<const uint8_t> parameters, const PfxLimits& limits,
                PfxEncryption& described) {
  const DerStructure pbes2 = DerStructure::Decode("PBES2-params", parameters);
  const std::string kdf = pbes2.Oid("keyDerivationFunc.algorithm");
  described.cipher = pbes2.Oid("encryptionScheme.algorithm");
  if (kdf != kPbkdf2) Fail(PfxFault::Kind::kUnknownEncryption, FromUtf8(kdf));
  if (described.cipher != kGost28147) {
    Fail(PfxFault::Kind::kUnknownEncryption, FromUtf8(described.cipher));
  }
  const DerStructure pbkdf2 =
      DerStructure::Decode("PBKDF2-params", pbes2.Bytes("keyDerivationFunc.parameters"));
  Pbes2 read{{PfxDerivation::Kind::kPbkdf2, PfxDerivation::Form::kUtf8}, {}, {}};
  read.key.salt = Salt(pbkdf2, "salt");
  read.key.iterations = described.iterations = Iterations(pbkdf2.Bytes("iterationCount"), limits);
  read.key.length = kGostKeySize;
  if (pbkdf2.Has("keyLength") && pbkdf2.Bytes("keyLength") != std::vector<uint8_t>{32}) {
    Damaged(u"неверная длина ключа");
  }
  described.prf = pbkdf2.Has("prf") ? pbkdf2.Oid("prf.algorithm") : kHmacSha1;
  const auto prf = PrfOf(described.prf);
  if (!prf) Fail(PfxFault::Kind::kUnknownEncryption, FromUtf8(described.prf));
  read.key.digest = *prf;

  const DerStructure gost =
      DerStructure::Decode("Gost28147-89-Parameters", pbes2.Bytes("encryptionScheme.parameters"));
  read.iv = gost.Bytes("iv");
  if (read.iv.size() != 8) Damaged(u"неверная длина IV");
  const std::string set = gost.Oid("encryptionParamSet");
  const auto sbox = GostSboxOf(set);
  if (!sbox) Fail(PfxFault::Kind::kUnknownParameters, FromUtf8(set));
  read.sbox = *sbox;
  return read;
}

// The PKCS #12 encryption's derivations: the key's and the IV's.
std::vector<PfxDerivation> ReadPkcs12Pbe(std::span<const uint8_t> parameters, bool des,
                                         const PfxLimits& limits, PfxEncryption& described) {
  const DerStructure pbe = DerStructure::Decode("PKCS12PbeParams", parameters);
  PfxDerivation key{PfxDerivation::Kind::kPkcs12, PfxDerivation::Form::kBmp};
  key.salt = Salt(pbe, "salt");
  key.iterations = described.iterations = Iterations(pbe.Bytes("iterations"), limits);
  key.length = des ? 24 : 5;
  PfxDerivation iv = key;
  iv.purpose = Pkcs12Purpose::kIv;
  iv.length = 8;
  return {std::move(key), std::move(iv)};
}

SecureBytes DecryptPkcs12(std::span<const uint8_t> parameters, std::span<const uint8_t> encrypted,
                          PfxPassword& password, const PfxLimits& limits,
                          PfxEncryption& described) {
  const bool des = described.scheme == kPkcs12PbeSha3Des;
  const auto derivations = ReadPkcs12Pbe(parameters, des, limits, described);
  if (encrypted.empty() || encrypted.size() % 8 != 0) Damaged(u"неверная длина шифртекста");
  const SecureBytes& key = password.Derive(derivations[0]);
  const SecureBytes& iv = password.Derive(derivations[1]);
  const SecureBytes padded = CbcCrypt(des ? CbcCipher::kTripleDes : CbcCipher::kRc2_40, key.Span(),
                                      iv.Span(), encrypted, false);
  const uint8_t pad = padded[padded.size() - 1];
  const auto tail = padded.Span().last(std::min<size_t>(pad, padded.size()));
  if (pad == 0 || pad > 8 ||
      std::any_of(tail.begin(), tail.end(), [&](uint8_t b) { return b != pad; })) {
    Fail(PfxFault::Kind::kUndecipherable, u"неверное дополнение");
  }
  return SecureBytes(padded.Span().first(padded.size() - pad));
}

// MacData: how its key is derived, and the MAC it must give.
struct MacPlan {
  PfxMac described;
  const MacDigest* digest;
  PfxDerivation key;
  std::vector<uint8_t> expected;
};

MacPlan ReadMac(std::span<const uint8_t> macData, const PfxLimits& limits) {
  const DerStructure mac = DerStructure::Decode("MacData", macData);
  MacPlan read;
  read.described.digest = mac.Oid("mac.digestAlgorithm.algorithm");
  const auto found = std::find_if(std::begin(kMacDigests), std::end(kMacDigests),
                                  [&](const auto& d) { return d.oid == read.described.digest; });
  if (found == std::end(kMacDigests)) {
    Fail(PfxFault::Kind::kUnknownMac, FromUtf8(read.described.digest));
  }
  read.digest = found;
  // PBKDF2's key is the last 32 of 96 bytes; the first 64 were meant for an
  // encryption key that the file does not use.
  read.key = found->pbkdf2 ? PfxDerivation{PfxDerivation::Kind::kPbkdf2, PfxDerivation::Form::kUtf8}
                           : PfxDerivation{PfxDerivation::Kind::kPkcs12, PfxDerivation::Form::kBmp};
  read.key.digest = found->digest;
  read.key.purpose = Pkcs12Purpose::kMac;
  read.key.salt = Salt(mac, "macSalt");
  read.key.iterations = read.described.iterations =
      mac.Has("iterations") ? Iterations(mac.Bytes("iterations"), limits) : 1;
  read.key.length = found->pbkdf2 ? 96 : DigestSize(found->digest);
  read.expected = mac.Bytes("mac.digest");
  return read;
}

}  // namespace

unsigned long Iterations(std::span<const uint8_t> integer, const PfxLimits& limits) {
  // Two's complement, big-endian: a first bit set is a negative number.
  if (integer.empty() || (integer[0] & 0x80) != 0) Damaged(u"неверное число итераций");
  const auto too_many = [&] {
    Fail(PfxFault::Kind::kTooManyIterations,
         u"число итераций больше " + FromUtf8(std::to_string(limits.max_iterations)));
  };
  unsigned long long value = 0;
  for (const uint8_t byte : integer) {
    if (value > limits.max_iterations) too_many();
    value = value << 8 | byte;
  }
  if (value == 0) Damaged(u"неверное число итераций");
  if (value > limits.max_iterations) too_many();
  return static_cast<unsigned long>(value);
}

std::vector<PfxDerivation> DerivationsOf(std::span<const uint8_t> algorithm,
                                         const PfxLimits& limits) {
  const DerStructure identifier = DerStructure::Decode("AlgorithmIdentifier", algorithm);
  PfxEncryption described;
  described.scheme = identifier.Oid("algorithm");
  const std::vector<uint8_t> parameters =
      identifier.Has("parameters") ? identifier.Bytes("parameters") : std::vector<uint8_t>();
  if (described.scheme == kPbes2) return {ReadPbes2(parameters, limits, described).key};
  if (described.scheme == kProviderPbe) return {ProviderDerivation(parameters, limits)};
  if (described.scheme == kPkcs12PbeSha3Des || described.scheme == kPkcs12PbeShaRc2_40) {
    return ReadPkcs12Pbe(parameters, described.scheme == kPkcs12PbeSha3Des, limits, described);
  }
  Fail(PfxFault::Kind::kUnknownEncryption, FromUtf8(described.scheme));
}

std::vector<PfxDerivation> MacDerivations(std::span<const uint8_t> macData, bool emptyPassword,
                                          const PfxLimits& limits) {
  MacPlan read = ReadMac(macData, limits);
  std::vector<PfxDerivation> derivations = {read.key};
  if (emptyPassword && read.key.form == PfxDerivation::Form::kBmp) {
    read.key.form = PfxDerivation::Form::kNoBytes;
    derivations.push_back(std::move(read.key));
  }
  return derivations;
}

PfxMac CheckMac(std::span<const uint8_t> macData, std::span<const uint8_t> content,
                PfxPassword& password, const PfxLimits& limits) {
  MacPlan read = ReadMac(macData, limits);
  const Digest digest = read.digest->digest;
  const auto matches = [&] {
    const SecureBytes& derived = password.Derive(read.key);
    const auto key = read.digest->pbkdf2 ? derived.Span().last(32) : derived.Span();
    return Same(Hmac(digest, key, content).Span(), read.expected);
  };
  if (matches()) return read.described;
  // An empty password as no bytes at all, as some writers derive it.
  if (password.Empty() && read.key.form == PfxDerivation::Form::kBmp) {
    read.key.form = PfxDerivation::Form::kNoBytes;
    if (matches()) {
      password.TakeBmpAsNoBytes();
      return read.described;
    }
  }
  Fail(PfxFault::Kind::kWrongPassword);
}

SecureBytes Decrypt(std::span<const uint8_t> algorithm, std::span<const uint8_t> encrypted,
                    PfxPassword& password, const PfxLimits& limits, PfxEncryption& described) {
  const DerStructure identifier = DerStructure::Decode("AlgorithmIdentifier", algorithm);
  described = PfxEncryption{};
  described.scheme = identifier.Oid("algorithm");
  const std::vector<uint8_t> parameters =
      identifier.Has("parameters") ? identifier.Bytes("parameters") : std::vector<uint8_t>();
  if (described.scheme == kPbes2) {
    const Pbes2 pbes2 = ReadPbes2(parameters, limits, described);
    const SecureBytes& key = password.Derive(pbes2.key);
    return Gost28147Cfb(pbes2.sbox, true, key.Span(), pbes2.iv, encrypted, false);
  }
  if (described.scheme == kPkcs12PbeSha3Des || described.scheme == kPkcs12PbeShaRc2_40) {
    return DecryptPkcs12(parameters, encrypted, password, limits, described);
  }
  Fail(PfxFault::Kind::kUnknownEncryption, FromUtf8(described.scheme));
}

}  // namespace quillfen
