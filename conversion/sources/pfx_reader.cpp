#include "conversion/sources/pfx_reader.h"

#include <algorithm>
#include "conversion/pkcs_identifiers.h"

#include "conversion/conversion_error.h"
#include "conversion/sources/pfx_derivations.h"
#include "conversion/sources/pfx_encryption.h"
#include "host/path_functions.h"
#include "host/registry_case.h"
#include "host/unicode.h"
#include "host/visible_name.h"
#include "support/der.h"

namespace quillfen {
namespace {

[[noreturn]] void Fail(PfxFault::Kind kind, std::u16string detail = {}) {
  throw PfxFault{kind, std::move(detail)};
}

bool Same(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// The bytes of an OCTET STRING's DER.
std::vector<uint8_t> Octets(std::span<const uint8_t> der) {
  return DerStructure::Decode("Data", der).Bytes("");
}

struct BagAttributes {
  std::optional<std::u16string> friendly_name;
  std::vector<uint8_t> local_key_id;
};

BagAttributes ReadAttributes(const DerStructure& bag) {
  BagAttributes attributes;
  if (!bag.Has("bagAttributes")) return attributes;
  for (const auto& der : bag.ElementsDer("bagAttributes")) {
    const DerStructure attribute = DerStructure::Decode("PKCS12Attribute", der);
    const std::string id = attribute.Oid("attrId");
    const std::string value = "attrValues.?1";
    if (id == kPkcs9LocalKeyId && attribute.Has(value)) {
      attributes.local_key_id =
          DerStructure::Decode("LocalKeyId", attribute.Bytes(value)).Bytes("");
    } else if (id == kPkcs9FriendlyName && attribute.Has(value)) {
      const auto bmp = DerStructure::Decode("FriendlyName", attribute.Bytes(value)).Bytes("");
      if (bmp.size() % 2 != 0) Fail(PfxFault::Kind::kDamaged, u"неверное имя");
      std::u16string name;
      for (size_t k = 0; k < bmp.size(); k += 2)
        name += static_cast<char16_t>(bmp[k] << 8 | bmp[k + 1]);
      attributes.friendly_name = std::move(name);
    }
  }
  return attributes;
}

// The private key of a GOST PrivateKeyInfo's privateKey: the number
// little-endian, or a number and a mask that multiply to it, as such or in
// an OCTET STRING; or an INTEGER.
SecureBytes KeyNumber(std::string_view curve, size_t size, std::span<const uint8_t> field) {
  const auto from_parts = [&](std::span<const uint8_t> parts) -> std::optional<SecureBytes> {
    if (parts.size() == size) return SecureBytes(parts);
    if (parts.size() == 2 * size) {
      return MultiplyModOrder(curve, parts.first(size), parts.subspan(size));
    }
    return std::nullopt;
  };
  if (auto d = from_parts(field)) return std::move(*d);
  try {
    std::vector<uint8_t> octets = DerStructure::Decode("GostPrivateKeyOctets", field).Bytes("");
    auto d = from_parts(octets);
    Wipe(octets);
    if (d) return std::move(*d);
  } catch (const DerError&) {
  }
  try {
    std::vector<uint8_t> number = DerStructure::Decode("GostPrivateKeyNumber", field).Bytes("");
    std::span<const uint8_t> digits = number;
    while (!digits.empty() && digits.front() == 0) digits = digits.subspan(1);
    if (digits.size() <= size && (number.empty() || (number.front() & 0x80) == 0)) {
      SecureBytes d(size);
      std::reverse_copy(digits.begin(), digits.end(), d.data());
      Wipe(number);
      return d;
    }
    Wipe(number);
  } catch (const DerError&) {
  }
  Fail(PfxFault::Kind::kDamaged, u"неверная запись ключа");
}

PfxKey ReadPrivateKeyInfo(std::span<const uint8_t> der) {
  const DerStructure info = DerStructure::Decode("PrivateKeyInfo", der);
  PfxKey key;
  key.algorithm = info.Oid("privateKeyAlgorithm.algorithm");
  const auto family = KeyFamilyOf(key.algorithm);
  if (!family) Fail(PfxFault::Kind::kUnknownKey, FromUtf8(key.algorithm));
  key.family = *family;
  const size_t size = KeySizeOf(key.family);
  const DerStructure parameters = DerStructure::Decode(
      "GostPrivateKeyParameters", info.Bytes("privateKeyAlgorithm.parameters"));
  key.curve = parameters.Oid("curve");
  if (!CurveFitsFamily(key.curve, key.family)) {
    Fail(PfxFault::Kind::kUnknownCurve, FromUtf8(key.curve));
  }
  if (parameters.Has("digest")) key.digest = parameters.Oid("digest");
  std::vector<uint8_t> field = info.Bytes("privateKey");
  try {
    key.d = KeyNumber(key.curve, size, field);
  } catch (...) {
    Wipe(field);
    throw;
  }
  Wipe(field);
  return key;
}

// The GOST public key of a certificate of the file; empty for one the
// program cannot read, as another authority's in a chain may be.
std::vector<uint8_t> KeyOfCertificate(std::span<const uint8_t> der) {
  try {
    return GostPublicKeyOfCertificate(der);
  } catch (const DerError&) {
    return {};
  }
}

// A key in the clear, copied out of the decoder into secure memory; the
// copy between is wiped.
SecureBytes SecretBytes(const DerStructure& der, const std::string& path) {
  std::vector<uint8_t> bytes = der.Bytes(path);
  SecureBytes secret{std::span<const uint8_t>(bytes)};
  Wipe(bytes);
  return secret;
}

struct FoundCertificate {
  std::vector<uint8_t> der;
  BagAttributes attributes;
};

class PfxReader {
 public:
  PfxReader(const SecureBytes& password, const PfxLimits& limits)
      : password_(password.Span(), limits), limits_(limits) {}

  PfxContents Read(std::span<const uint8_t> bytes) {
    // libtasn1 calls a file cut short a wrong encoding; its length says
    // what it is.
    const auto header = ReadDerHeader(bytes);
    if (header && header->header_size + header->content_size > bytes.size()) {
      Fail(PfxFault::Kind::kDamaged, u"данные обрываются");
    }
    const DerStructure pfx = DerStructure::Decode("PFX", bytes);
    if (pfx.Bytes("version") != std::vector<uint8_t>{3}) {
      Fail(PfxFault::Kind::kDamaged, u"неверная версия");
    }
    const std::string type = pfx.Oid("authSafe.contentType");
    if (type != kPkcs7Data) Fail(PfxFault::Kind::kUnknownContent, FromUtf8(type));
    const std::vector<uint8_t> content = Octets(pfx.Bytes("authSafe.content"));
    PlanDerivations(pfx, content, password_, limits_);
    if (pfx.Has("macData")) {
      contents_.mac = CheckMac(pfx.ElementDer("macData"), content, password_, limits_);
      proved_ = true;
    }
    const DerStructure safe = DerStructure::Decode("AuthenticatedSafe", content);
    for (const auto& der : safe.ElementsDer({})) {
      const DerStructure part = DerStructure::Decode("ContentInfo", der);
      const std::string part_type = part.Oid("contentType");
      if (part_type == kPkcs7Data) {
        ReadSafeContents(DerStructure::Decode("SafeContents", Octets(part.Bytes("content"))),
                         std::nullopt);
      } else if (part_type == kPkcs7EncryptedData) {
        ReadEncryptedContents(DerStructure::Decode("EncryptedData", part.Bytes("content")));
      } else {
        Fail(PfxFault::Kind::kUnknownContent, FromUtf8(part_type));
      }
    }
    if (contents_.keys.empty()) Fail(PfxFault::Kind::kNoKey);
    for (PfxKey& key : contents_.keys) Prove(key);
    return std::move(contents_);
  }

 private:
  void CountEncryptedPart() {
    if (++encrypted_parts_ > kMaxPfxEncryptedParts) {
      Fail(PfxFault::Kind::kDamaged, u"слишком много зашифрованных частей");
    }
  }

  // `open` on what a password decrypted: a part that does not decode, or
  // whose padding is wrong, was opened by a wrong password unless the MAC
  // proved the password.
  template <typename Open>
  auto Opened(Open open) {
    const auto kind = proved_ ? PfxFault::Kind::kDamaged : PfxFault::Kind::kWrongPassword;
    try {
      return open();
    } catch (const DerError& error) {
      Fail(kind, error.Reason());
    } catch (const PfxFault& fault) {
      if (fault.kind != PfxFault::Kind::kUndecipherable) throw;
      Fail(kind, fault.detail);
    }
  }

  void ReadEncryptedContents(const DerStructure& data) {
    CountEncryptedPart();
    const std::string info = "encryptedContentInfo";
    PfxEncryption encryption;
    const std::vector<uint8_t> encrypted = data.Has(info + ".encryptedContent")
                                               ? data.Bytes(info + ".encryptedContent")
                                               : std::vector<uint8_t>();
    const SecureBytes plain = Opened([&] {
      return Decrypt(data.ElementDer(info + ".contentEncryptionAlgorithm"), encrypted, password_,
                     limits_, encryption);
    });
    ReadSafeContents(Opened([&] { return DerStructure::Decode("SafeContents", plain.Span()); }),
                     encryption);
  }

  void ReadSafeContents(const DerStructure& safe, const std::optional<PfxEncryption>& encryption) {
    const auto bags = safe.ElementsDer({});
    bags_ += bags.size();
    if (bags_ > kMaxPfxBags) Fail(PfxFault::Kind::kDamaged, u"слишком много частей");
    for (const auto& der : bags) {
      const DerStructure bag = DerStructure::Decode("SafeBag", der);
      const std::string id = bag.Oid("bagId");
      if (id == kPkcs12CertBag) {
        const DerStructure certificate = DerStructure::Decode("CertBag", bag.Bytes("bagValue"));
        if (certificate.Oid("certId") != kPkcs9X509Certificate) continue;
        certificates_.push_back({Octets(certificate.Bytes("certValue")), ReadAttributes(bag)});
        if (encryption && !contents_.certificate_encryption) {
          contents_.certificate_encryption = encryption;
        }
      } else if (id == kPkcs12ShroudedKeyBag || id == kPkcs12KeyBag) {
        PfxKey key = id == kPkcs12KeyBag ? ReadPrivateKeyInfo(SecretBytes(bag, "bagValue").Span())
                                         : ReadShroudedKey(bag.Bytes("bagValue"));
        const BagAttributes attributes = ReadAttributes(bag);
        key.friendly_name = attributes.friendly_name;
        key.local_key_id = attributes.local_key_id;
        contents_.keys.push_back(std::move(key));
      }
    }
  }

  PfxKey ReadShroudedKey(std::span<const uint8_t> der) {
    CountEncryptedPart();
    const DerStructure info = DerStructure::Decode("EncryptedPrivateKeyInfo", der);
    const std::vector<uint8_t> encrypted = info.Bytes("encryptedData");
    if (info.Oid("encryptionAlgorithm.algorithm") != kProviderPbe) {
      PfxEncryption encryption;
      const SecureBytes plain = Opened([&] {
        return Decrypt(info.ElementDer("encryptionAlgorithm"), encrypted, password_, limits_,
                       encryption);
      });
      PfxKey key = Opened([&] { return ReadPrivateKeyInfo(plain.Span()); });
      key.encryption = std::move(encryption);
      return key;
    }
    contents_.kind = PfxKind::kProviderExport;
    PfxKey key;
    const std::vector<uint8_t> parameters = info.Has("encryptionAlgorithm.parameters")
                                                ? info.Bytes("encryptionAlgorithm.parameters")
                                                : std::vector<uint8_t>();
    ProviderKey found =
        DecryptProviderKey(parameters, encrypted, password_, limits_, proved_, key.encryption);
    key.algorithm = std::move(found.algorithm);
    key.curve = std::move(found.curve);
    key.digest = std::move(found.digest);
    key.d = std::move(found.d);
    const auto family = KeyFamilyOf(key.algorithm);
    if (!family) Fail(PfxFault::Kind::kUnknownKey, FromUtf8(key.algorithm));
    key.family = *family;
    if (!CurveFitsFamily(key.curve, key.family)) {
      Fail(PfxFault::Kind::kUnknownCurve, FromUtf8(key.curve));
    }
    if (key.d.size() != KeySizeOf(key.family))
      Fail(PfxFault::Kind::kDamaged, u"неверная длина ключа");
    return key;
  }

  // d is a key of its curve, and d·G the public key of its certificate: the
  // one with the key's localKeyID, else the only one beside the only key;
  // else any whose public key d·G is.
  void Prove(PfxKey& key) {
    const auto public_key = PublicKeyOf(key.curve, key.d.Span());
    if (!public_key) Fail(PfxFault::Kind::kDamaged, u"неверный ключ");
    const FoundCertificate* paired = nullptr;
    if (!key.local_key_id.empty()) {
      for (const auto& certificate : certificates_) {
        if (certificate.attributes.local_key_id == key.local_key_id) paired = &certificate;
      }
    }
    if (paired == nullptr && contents_.keys.size() == 1 && certificates_.size() == 1) {
      paired = &certificates_.front();
    }
    if (paired != nullptr && !Same(KeyOfCertificate(paired->der), *public_key)) {
      Fail(PfxFault::Kind::kCertificateMismatch);
    }
    for (size_t i = 0; paired == nullptr && i < certificates_.size(); ++i) {
      if (Same(KeyOfCertificate(certificates_[i].der), *public_key)) {
        paired = &certificates_[i];
      }
    }
    if (paired == nullptr) return;
    key.certificate = paired->der;
    if (!key.friendly_name) key.friendly_name = paired->attributes.friendly_name;
  }

  PfxPassword password_;
  const PfxLimits& limits_;
  bool proved_ = false;
  size_t encrypted_parts_ = 0;
  size_t bags_ = 0;
  PfxContents contents_;
  std::vector<FoundCertificate> certificates_;
};

std::u16string FaultText(const PfxFault& fault, const std::u16string& file) {
  const std::u16string pfx = u"файла PFX " + file;
  switch (fault.kind) {
    case PfxFault::Kind::kDamaged:
    case PfxFault::Kind::kUndecipherable:
    case PfxFault::Kind::kTooManyIterations:
      return u"Файл PFX " + file + u" повреждён (" + fault.detail + u").";
    case PfxFault::Kind::kWrongPassword:
      return u"Неверный пароль " + pfx + u".";
    case PfxFault::Kind::kUnknownEncryption:
      return u"Алгоритм шифрования " + pfx + u" (" + fault.detail + u") программа не знает.";
    case PfxFault::Kind::kUnknownParameters:
      return u"Параметры шифрования " + pfx + u" (" + fault.detail + u") программа не знает.";
    case PfxFault::Kind::kUnknownMac:
      return u"Алгоритм имитовставки " + pfx + u" (" + fault.detail + u") программа не знает.";
    case PfxFault::Kind::kUnknownKey:
      return u"Алгоритм ключа " + pfx + u" (" + fault.detail + u") программа не знает.";
    case PfxFault::Kind::kUnknownCurve:
      return u"Параметры ключа " + pfx + u" (" + fault.detail + u") программа не знает.";
    case PfxFault::Kind::kUnknownContent:
      return u"Вид содержимого " + pfx + u" (" + fault.detail + u") программа не знает.";
    case PfxFault::Kind::kKeyMacMismatch:
      return u"Ключ " + pfx + u" повреждён: его имитовставка не сходится.";
    case PfxFault::Kind::kCertificateMismatch:
      return u"Ключ " + pfx + u" не сходится с его сертификатом.";
    case PfxFault::Kind::kNoKey:
      break;
  }
  return u"В файле PFX " + file + u" нет закрытого ключа.";
}

// The header at the start of `bytes` when it is of the universal class, of
// `tag` and constructed or not as asked.
std::optional<DerHeader> Universal(std::span<const uint8_t> bytes, unsigned long tag,
                                   bool constructed) {
  const auto header = ReadDerHeader(bytes);
  if (!header || header->tag_class != DerHeader::TagClass::kUniversal || header->tag != tag ||
      header->constructed != constructed) {
    return std::nullopt;
  }
  return header;
}

// ReadPfx, or nothing instead of the wrong password's message when
// `wrongIsNothing`.
std::optional<PfxContents> ReadPfx(std::span<const uint8_t> bytes, const SecureBytes& password,
                                   std::u16string_view sourceFile, const PfxLimits& limits,
                                   bool wrongIsNothing) {
  const std::u16string file = QuotedName(LastPathElement(sourceFile));
  if (bytes.size() > kMaxPfxSize) {
    throw PathError(sourceFile, u"Файл PFX " + file + u" слишком велик (больше 8 МБ).");
  }
  try {
    return PfxReader(password, limits).Read(bytes);
  } catch (const PfxFault& fault) {
    if (wrongIsNothing && fault.kind == PfxFault::Kind::kWrongPassword) return std::nullopt;
    throw PathError(sourceFile, FaultText(fault, file));
  } catch (const DerError& error) {
    throw PathError(sourceFile, u"Файл PFX " + file + u" повреждён (" + error.Reason() + u").");
  }
}

}  // namespace

bool IsPfx(std::span<const uint8_t> bytes) {
  constexpr unsigned long kSequence = 16, kInteger = 2, kOid = 6;
  const auto pfx = Universal(bytes, kSequence, true);
  if (!pfx) return false;
  bytes = bytes.subspan(pfx->header_size);
  const auto version = Universal(bytes, kInteger, false);
  if (!version || version->header_size + version->content_size > bytes.size()) return false;
  try {
    const size_t size = version->header_size + version->content_size;
    if (DerStructure::Decode("PfxVersion", bytes.first(size)).Bytes("") !=
        std::vector<uint8_t>{3}) {
      return false;
    }
    bytes = bytes.subspan(size);
    const auto info = Universal(bytes, kSequence, true);
    if (!info) return false;
    bytes = bytes.subspan(info->header_size);
    const auto type = Universal(bytes, kOid, false);
    if (!type || type->header_size + type->content_size > bytes.size()) return false;
    return DerStructure::Decode("ContentType", bytes.first(type->header_size + type->content_size))
               .Oid("") == kPkcs7Data;
  } catch (const DerError&) {
    return false;
  }
}

std::vector<std::u16string> PfxKeyNames(const PfxContents& contents, std::u16string_view sourceFile,
                                        PathStyle style) {
  const std::u16string file = RemoveFileExtension(LastPathElement(sourceFile, style), style);
  if (contents.keys.size() == 1) return {file};
  std::vector<std::u16string> names;
  for (const PfxKey& key : contents.keys) {
    const auto taken = [&](const std::u16string& name) {
      return std::any_of(names.begin(), names.end(),
                         [&](const auto& other) { return SameTextIgnoringCase(other, name); });
    };
    std::u16string name = key.friendly_name.value_or(u"");
    // A friendlyName may be the name a number gives: the next number then.
    for (size_t number = names.size() + 1; name.empty() || taken(name); ++number) {
      name = file + u" " + FromUtf8(std::to_string(number));
    }
    names.push_back(std::move(name));
  }
  return names;
}

PfxContents ReadPfx(std::span<const uint8_t> bytes, const SecureBytes& password,
                    std::u16string_view sourceFile, const PfxLimits& limits) {
  return *ReadPfx(bytes, password, sourceFile, limits, false);
}

std::optional<PfxContents> ReadPfxWithoutPassword(std::span<const uint8_t> bytes,
                                                  std::u16string_view sourceFile,
                                                  const PfxLimits& limits) {
  return ReadPfx(bytes, SecureBytes(), sourceFile, limits, true);
}

}  // namespace quillfen
