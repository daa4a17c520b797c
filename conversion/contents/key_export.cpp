#include "conversion/contents/key_export.h"

#include "conversion/contents/key_recovery.h"
#include "conversion/contents/stored_key_reader.h"
#include "conversion/conversion_error.h"
#include "host/unicode.h"
#include "support/der.h"

namespace quillfen {
namespace {

// A message of pieces; joined by appending, which GCC 12 does not take for
// overlapping copies as it does a chain of `+`.
std::u16string Text(std::initializer_list<std::u16string_view> pieces) {
  std::u16string text;
  for (const auto piece : pieces) text += piece;
  return text;
}

// What the key needs of header.key.
struct KeyHeader {
  std::string algorithm;
  std::string curve;
  std::vector<uint8_t> password_check;
  std::vector<uint8_t> primary_fp;
  std::optional<std::vector<uint8_t>> certificate;
  std::vector<uint8_t> content;  // the content's DER, for its MAC
  std::vector<uint8_t> mac;
};

KeyHeader ReadKeyHeader(const std::vector<uint8_t>& der) {
  const DerStructure header = DerStructure::Decode("HeaderKey", der);
  KeyHeader read;
  read.algorithm = header.Oid("content.primaryKey.algorithm.algorithm");
  read.curve = header.Oid("content.primaryKey.algorithm.parameters.curve");
  if (header.Has("content.passwordCheck")) {
    read.password_check = header.Bytes("content.passwordCheck");
  }
  if (header.Has("content.primaryFP")) read.primary_fp = header.Bytes("content.primaryFP");
  if (header.Has("content.primaryCertificate")) {
    read.certificate = header.Bytes("content.primaryCertificate");
  }
  read.content = header.ElementDer("content");
  read.mac = header.Bytes("mac");
  return read;
}

// X ‖ Y of a certificate's GOST public key; nothing when the certificate
// cannot be read.
std::optional<std::vector<uint8_t>> PublicKeyOfCertificate(const std::vector<uint8_t>& der) {
  try {
    const auto certificate = DerStructure::Decode("Certificate", der);
    const auto bits = certificate.Bits("tbsCertificate.subjectPublicKeyInfo.subjectPublicKey");
    return DerStructure::Decode("GostPublicKey", bits.bytes).Bytes("");
  } catch (const DerError&) {
    return std::nullopt;
  }
}

}  // namespace

RecoveredKey RecoverKey(const KeyFiles& files, PasswordSource& passwords,
                        std::u16string_view sourceFile, std::u16string_view container) {
  const auto fail = [&](const std::u16string& text) { return PathError(sourceFile, text); };
  const std::u16string damaged =
      Text({u"Ключ контейнера «", container, u"» не сходится с его сертификатом."});
  if (!files.header) {
    throw fail(Text({u"В контейнере «", container, u"» нет файла header.key."}));
  }
  KeyHeader header;
  try {
    header = ReadKeyHeader(*files.header);
  } catch (const DerError& error) {
    throw fail(
        Text({u"Файл header.key контейнера «", container, u"» повреждён: ", error.Text(), u"."}));
  }
  const auto family = KeyFamilyOf(header.algorithm);
  if (!family) {
    throw fail(Text({u"Алгоритм ключа контейнера «", container, u"» (", FromUtf8(header.algorithm),
                     u") программа не знает."}));
  }
  if (!IsKnownCurve(header.curve)) {
    throw fail(Text({u"Параметры ключа контейнера «", container, u"» (", FromUtf8(header.curve),
                     u") программа не знает."}));
  }
  if (!HeaderIntact(*family, header.content, header.mac)) {
    throw fail(Text({u"Файл header.key контейнера «", container,
                     u"» повреждён: его имитовставка не сходится."}));
  }

  KeyFacts facts;
  facts.family = *family;
  facts.curve_oid = header.curve;
  if (header.password_check.size() == facts.check_value.size()) {
    std::copy(header.password_check.begin(), header.password_check.end(),
              facts.check_value.begin());
  }
  facts.primary_fp = header.primary_fp;
  if (header.certificate) {
    facts.public_key = PublicKeyOfCertificate(*header.certificate);
    if (!facts.public_key) throw fail(damaged);
  }

  SecureBytes pin;
  if (HasPassword(facts.check_value)) {
    pin = PinOf(passwords.Get(container));
    if (!PasswordMatches(facts, pin.Span())) {
      auto other = Windows1251PinOf(passwords.Get(container));
      if (!other || !PasswordMatches(facts, other->Span())) {
        throw fail(Text({u"Неверный пароль контейнера «", container, u"»."}));
      }
      pin = std::move(*other);
    }
  }

  if (!(files.masks && files.primary) && !(files.masks2 && files.primary2)) {
    throw fail(Text({u"В контейнере «", container, u"» нет файлов masks.key и primary.key."}));
  }
  const std::optional<std::vector<uint8_t>>* pairs[2][2] = {{&files.masks, &files.primary},
                                                            {&files.masks2, &files.primary2}};
  for (int copy = 0; copy < 2; ++copy) {
    const auto& masks = *pairs[copy][0];
    const auto& primary = *pairs[copy][1];
    if (!masks || !primary) continue;
    const auto stored = ReadStoredKey(*masks, *primary);
    if (!stored) continue;
    if (auto d = UnlockKey(facts, *stored, pin.Span())) {
      return RecoveredKey{*family, header.curve, std::move(*d), header.certificate, copy == 1};
    }
  }
  throw fail(damaged);
}

}  // namespace quillfen
