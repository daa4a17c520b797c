#include "conversion/sources/pfx_encryption.h"

#include <algorithm>
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

SecureBytes DecryptPbes2(std::span<const uint8_t> parameters, std::span<const uint8_t> encrypted,
                         const PfxPassword& password, const PfxLimits& limits,
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
  const std::vector<uint8_t> salt = Salt(pbkdf2, "salt");
  described.iterations = Iterations(pbkdf2.Bytes("iterationCount"), limits);
  if (pbkdf2.Has("keyLength") && pbkdf2.Bytes("keyLength") != std::vector<uint8_t>{32}) {
    Damaged(u"неверная длина ключа");
  }
  described.prf = pbkdf2.Has("prf") ? pbkdf2.Oid("prf.algorithm") : kHmacSha1;
  const auto prf = PrfOf(described.prf);
  if (!prf) Fail(PfxFault::Kind::kUnknownEncryption, FromUtf8(described.prf));

  const DerStructure gost =
      DerStructure::Decode("Gost28147-89-Parameters", pbes2.Bytes("encryptionScheme.parameters"));
  const std::vector<uint8_t> iv = gost.Bytes("iv");
  if (iv.size() != 8) Damaged(u"неверная длина IV");
  const std::string set = gost.Oid("encryptionParamSet");
  const auto sbox = GostSboxOf(set);
  if (!sbox) Fail(PfxFault::Kind::kUnknownParameters, FromUtf8(set));
  const SecureBytes key =
      Pbkdf2(*prf, password.utf8.Span(), salt, described.iterations, kGostKeySize);
  return Gost28147Cfb(*sbox, true, key.Span(), iv, encrypted, false);
}

SecureBytes DecryptPkcs12(std::span<const uint8_t> parameters, std::span<const uint8_t> encrypted,
                          const PfxPassword& password, const PfxLimits& limits,
                          PfxEncryption& described) {
  const DerStructure pbe = DerStructure::Decode("PKCS12PbeParams", parameters);
  const std::vector<uint8_t> salt = Salt(pbe, "salt");
  described.iterations = Iterations(pbe.Bytes("iterations"), limits);
  if (encrypted.empty() || encrypted.size() % 8 != 0) Damaged(u"неверная длина шифртекста");
  const bool des = described.scheme == kPkcs12PbeSha3Des;
  const SecureBytes key = Pkcs12Kdf(Digest::kSha1, Pkcs12Purpose::kKey, password.bmp.Span(), salt,
                                    described.iterations, des ? 24 : 5);
  const SecureBytes iv = Pkcs12Kdf(Digest::kSha1, Pkcs12Purpose::kIv, password.bmp.Span(), salt,
                                   described.iterations, 8);
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

}  // namespace

PfxPassword PasswordForms(std::span<const uint8_t> utf8) {
  const std::string_view text(reinterpret_cast<const char*>(utf8.data()), utf8.size());
  // Two bytes a unit at most, for each byte of UTF-8.
  SecureBytes units(2 * utf8.size());
  size_t count = 0;
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    size_t length = DecodeUtf8Sequence(text, i, &c);
    if (length == 0) {
      c = U'\xFFFD';
      length = 1;
    }
    char16_t pair[2];
    const size_t n = EncodeUtf16(c, pair);
    for (size_t k = 0; k < n; ++k) {
      units[2 * count] = static_cast<uint8_t>(pair[k]);
      units[2 * count + 1] = static_cast<uint8_t>(pair[k] >> 8);
      ++count;
    }
    Wipe({reinterpret_cast<uint8_t*>(pair), sizeof pair});
    i += length;
  }
  PfxPassword password;
  password.utf8 = SecureBytes(utf8);
  password.utf16_le = SecureBytes(units.Span().first(2 * count));
  password.bmp = SecureBytes(2 * count + 2);
  for (size_t k = 0; k < count; ++k) {
    password.bmp[2 * k] = units[2 * k + 1];
    password.bmp[2 * k + 1] = units[2 * k];
  }
  return password;
}

unsigned long Iterations(std::span<const uint8_t> integer, const PfxLimits& limits) {
  // Two's complement, big-endian: a first bit set is a negative number.
  if (integer.empty() || (integer[0] & 0x80) != 0) Damaged(u"неверное число итераций");
  unsigned long long value = 0;
  for (const uint8_t byte : integer) {
    if (value > limits.max_iterations) Fail(PfxFault::Kind::kTooManyIterations);
    value = value << 8 | byte;
  }
  if (value == 0) Damaged(u"неверное число итераций");
  if (value > limits.max_iterations) Fail(PfxFault::Kind::kTooManyIterations);
  return static_cast<unsigned long>(value);
}

PfxMac CheckMac(std::span<const uint8_t> macData, std::span<const uint8_t> content,
                PfxPassword& password, const PfxLimits& limits) {
  const DerStructure mac = DerStructure::Decode("MacData", macData);
  PfxMac described;
  described.digest = mac.Oid("mac.digestAlgorithm.algorithm");
  const auto found = std::find_if(std::begin(kMacDigests), std::end(kMacDigests),
                                  [&](const MacDigest& d) { return d.oid == described.digest; });
  if (found == std::end(kMacDigests)) Fail(PfxFault::Kind::kUnknownMac, FromUtf8(described.digest));
  const std::vector<uint8_t> salt = Salt(mac, "macSalt");
  described.iterations = mac.Has("iterations") ? Iterations(mac.Bytes("iterations"), limits) : 1;
  const std::vector<uint8_t> expected = mac.Bytes("mac.digest");

  if (found->pbkdf2) {
    // The last 32 of 96 bytes; the first 64 were meant for an encryption
    // key that the file does not use.
    const SecureBytes derived =
        Pbkdf2(found->digest, password.utf8.Span(), salt, described.iterations, 96);
    const SecureBytes key(derived.Span().last(32));
    if (Same(Hmac(found->digest, key.Span(), content).Span(), expected)) return described;
    Fail(PfxFault::Kind::kWrongPassword);
  }
  const auto matches = [&](std::span<const uint8_t> bmp) {
    const SecureBytes key = Pkcs12Kdf(found->digest, Pkcs12Purpose::kMac, bmp, salt,
                                      described.iterations, DigestSize(found->digest));
    return Same(Hmac(found->digest, key.Span(), content).Span(), expected);
  };
  if (matches(password.bmp.Span())) return described;
  // An empty password as no bytes at all, as some writers derive it.
  if (password.bmp.size() == 2 && matches({})) {
    password.bmp = SecureBytes();
    return described;
  }
  Fail(PfxFault::Kind::kWrongPassword);
}

SecureBytes Decrypt(std::span<const uint8_t> algorithm, std::span<const uint8_t> encrypted,
                    const PfxPassword& password, const PfxLimits& limits,
                    PfxEncryption& described) {
  const DerStructure identifier = DerStructure::Decode("AlgorithmIdentifier", algorithm);
  described = PfxEncryption{};
  described.scheme = identifier.Oid("algorithm");
  const std::vector<uint8_t> parameters =
      identifier.Has("parameters") ? identifier.Bytes("parameters") : std::vector<uint8_t>();
  if (described.scheme == kPbes2) {
    return DecryptPbes2(parameters, encrypted, password, limits, described);
  }
  if (described.scheme == kPkcs12PbeSha3Des || described.scheme == kPkcs12PbeShaRc2_40) {
    return DecryptPkcs12(parameters, encrypted, password, limits, described);
  }
  Fail(PfxFault::Kind::kUnknownEncryption, FromUtf8(described.scheme));
}

}  // namespace quillfen
