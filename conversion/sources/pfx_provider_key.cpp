// The CryptoPro provider's own PFX key bag (PBE 1.2.840.113549.1.12.1.80):
// a key derived from the password by GOST R 34.11-94, under it a key blob
// whose key is encrypted once more under a key derived by the blob's UKM,
// with a MAC over the key and one over the blob.
#include <algorithm>
#include <array>

#include "conversion/sources/pfx_encryption.h"
#include "host/unicode.h"
#include "support/der.h"

namespace quillfen {
namespace {

// The provider's algorithms of a key blob (ALG_ID), and its keys' lengths.
struct BlobAlgorithm {
  uint16_t alg_id;
  size_t key_size;
  bool diversified;  // 2001 keys: the KEK by RFC 4357's diversification
};
constexpr BlobAlgorithm kBlobAlgorithms[] = {
    {0xAA24, 32, true},  {0x2E23, 32, true},   // GOST R 34.10-2001, exchange and signature
    {0xAA46, 32, false}, {0x2E49, 32, false},  // GOST R 34.10-2012 256
    {0xAA42, 64, false}, {0x2E3D, 64, false},  // GOST R 34.10-2012 512
};

// The blob's header: "07 20 00 00", the ALG_ID, "00 00", "MAG1", the key's
// length, both little-endian.
constexpr size_t kHeaderSize = 16;
// The provider writes salts of 16 bytes; the first 8 are the IV.
constexpr size_t kMaxSalt = 16;
constexpr std::array<uint8_t, 4> kBlobKind = {0x07, 0x20, 0x00, 0x00};
constexpr std::array<uint8_t, 4> kMagic = {'M', 'A', 'G', '1'};
constexpr std::array<uint8_t, 4> kKdfLabel = {0x26, 0xBD, 0xB8, 0x78};

[[noreturn]] void Fail(PfxFault::Kind kind, std::u16string detail = {}) {
  throw PfxFault{kind, std::move(detail)};
}

bool Same(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

uint32_t LittleEndian(std::span<const uint8_t> bytes) {
  uint32_t value = 0;
  for (size_t i = bytes.size(); i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

const BlobAlgorithm& AlgorithmOf(std::span<const uint8_t> header) {
  if (!Same(header.first(4), kBlobKind) || !Same(header.subspan(8, 4), kMagic) ||
      LittleEndian(header.subspan(6, 2)) != 0) {
    Fail(PfxFault::Kind::kUndecipherable, u"неверный заголовок ключа");
  }
  const uint32_t alg_id = LittleEndian(header.subspan(4, 2));
  for (const auto& algorithm : kBlobAlgorithms) {
    if (algorithm.alg_id != alg_id) continue;
    if (LittleEndian(header.subspan(12, 4)) != algorithm.key_size) {
      Fail(PfxFault::Kind::kDamaged, u"неверная длина ключа");
    }
    return algorithm;
  }
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string name = u"ALG_ID 0x";
  for (int shift = 12; shift >= 0; shift -= 4) name += kDigits[alg_id >> shift & 15];
  Fail(PfxFault::Kind::kUnknownKey, name);
}

// The MAC over the blob's key transport, its DER filled with zeros to whole
// blocks.
std::array<uint8_t, 4> TransportMac(std::span<const uint8_t> kek, std::vector<uint8_t> transport) {
  transport.resize((transport.size() + 7) / 8 * 8);
  return Gost28147Mac(GostSbox::kCryptoProA, kek, transport);
}

}  // namespace

PfxDerivation ProviderDerivation(std::span<const uint8_t> parameters, const PfxLimits& limits) {
  const DerStructure pbe = DerStructure::Decode("ProviderPbeParams", parameters);
  PfxDerivation derivation{PfxDerivation::Kind::kProvider, PfxDerivation::Form::kUtf16Le};
  derivation.salt = pbe.Bytes("salt");
  // Every round hashes the whole salt: a longer one than the provider
  // writes would make each dearer.
  if (derivation.salt.size() < 8 || derivation.salt.size() > kMaxSalt) {
    Fail(PfxFault::Kind::kDamaged, u"неверная длина соли");
  }
  derivation.iterations = Iterations(pbe.Bytes("iterations"), limits);
  return derivation;
}

ProviderKey DecryptProviderKey(std::span<const uint8_t> parameters,
                               std::span<const uint8_t> encrypted, PfxPassword& password,
                               const PfxLimits& limits, bool proved, PfxEncryption& described) {
  described = PfxEncryption{};
  described.scheme = kProviderPbe;
  const PfxDerivation derivation = ProviderDerivation(parameters, limits);
  described.iterations = derivation.iterations;
  const SecureBytes& key = password.Derive(derivation);
  const SecureBytes plain = Gost28147Cfb(GostSbox::kCryptoProA, false, key.Span(),
                                         std::span(derivation.salt).first(8), encrypted, false);

  // What the password opened; without a MAC that proved it, a wrong one
  // shows here first.
  std::optional<DerStructure> blob;
  SecureBytes value;
  try {
    const DerStructure bag = DerStructure::Decode("ProviderKeyBag", plain.Span());
    std::vector<uint8_t> bytes = bag.Bytes("value");
    value = SecureBytes(bytes);
    Wipe(bytes);
    if (value.size() <= kHeaderSize) Fail(PfxFault::Kind::kUndecipherable, u"данные обрываются");
    blob = DerStructure::Decode("ProviderKeyBlob", value.Span().subspan(kHeaderSize));
  } catch (const DerError& error) {
    Fail(proved ? PfxFault::Kind::kDamaged : PfxFault::Kind::kWrongPassword, error.Reason());
  } catch (const PfxFault& fault) {
    if (proved || fault.kind != PfxFault::Kind::kUndecipherable) throw;
    Fail(PfxFault::Kind::kWrongPassword);
  }
  const BlobAlgorithm& algorithm = AlgorithmOf(value.Span().first(kHeaderSize));

  const std::vector<uint8_t> ukm = blob->Bytes("transport.ukm");
  std::vector<uint8_t> encrypted_key = blob->Bytes("transport.key.encryptedKey");
  const std::vector<uint8_t> key_mac = blob->Bytes("transport.key.mac");
  if (ukm.size() != 8 || encrypted_key.size() != algorithm.key_size) {
    Fail(PfxFault::Kind::kDamaged, u"неверная длина ключа");
  }
  ProviderKey result;
  result.algorithm = blob->Oid("transport.parameters.algorithm.algorithm");
  result.curve = blob->Oid("transport.parameters.algorithm.parameters.curve");
  if (blob->Has("transport.parameters.algorithm.parameters.digest")) {
    result.digest = blob->Oid("transport.parameters.algorithm.parameters.digest");
  }

  const SecureBytes kek = algorithm.diversified
                              ? CryptoProDiversifiedKey(GostSbox::kCryptoProA, key.Span(), ukm)
                              : KdfGostR3411_2012_256(key.Span(), kKdfLabel, ukm);
  if (!Same(TransportMac(kek.Span(), blob->ElementDer("transport")), blob->Bytes("mac"))) {
    Fail(PfxFault::Kind::kKeyMacMismatch);
  }
  result.d = Gost28147Ecb(GostSbox::kCryptoProA, kek.Span(), encrypted_key, false);
  Wipe(encrypted_key);
  if (!Same(Gost28147Mac(GostSbox::kCryptoProA, kek.Span(), ukm, result.d.Span()), key_mac)) {
    Fail(PfxFault::Kind::kKeyMacMismatch);
  }
  return result;
}

}  // namespace quillfen
