#include "conversion/contents/info_text.h"

#include <vector>

#include "host/unicode.h"
#include "host/visible_name.h"
#include "support/der.h"
#include "support/joined.h"

namespace quillfen {
namespace {

constexpr char16_t kNone[] = u"—";

std::u16string ValidityWord(Validity validity) {
  switch (validity) {
    case Validity::kValid:
      return u"действителен";
    case Validity::kExpired:
      return u"истёк";
    case Validity::kNotYetValid:
      break;
  }
  return u"ещё не действителен";
}

// "Label: value" lines; a label without a value heads the lines below it.
class Lines {
 public:
  explicit Lines(std::u16string_view title) : text_(title) {}
  void Add(std::u16string_view label, std::u16string_view value) {
    text_ += u"\r\n";
    text_ += label;
    text_ += value.empty() ? u":" : u": ";
    // Names, subjects and what could not be read come from the files: a
    // control character there must not break a line.
    text_ += VisibleName(value);
  }
  std::u16string Take() { return std::move(text_); }

 private:
  std::u16string text_;
};

void AddCertificate(Lines& lines, std::u16string_view label,
                    const std::optional<StoredCertificate>& stored, const DateTime& now) {
  if (!stored->contents) {
    lines.Add(label, u"не прочитан");
    return;
  }
  const CertificateContents& certificate = *stored->contents;
  lines.Add(label, {});
  lines.Add(u"  Субъект", certificate.subject);
  lines.Add(u"  Издатель", certificate.issuer);
  lines.Add(u"  Серийный номер", certificate.serial);
  lines.Add(u"  Действителен", u"с " + FormatDateTime(certificate.not_before) + u" по " +
                                   FormatDateTime(certificate.not_after) + u" (" +
                                   ValidityWord(ValidityAt(certificate, now)) + u")");
  lines.Add(u"  Отпечаток SHA-1", certificate.thumbprint);
}

std::u16string KeyAttributes(const ContainerContents& contents) {
  std::vector<std::u16string> known;
  if (contents.exportable)
    known.push_back(*contents.exportable ? u"экспортируемый" : u"неэкспортируемый");
  if (contents.algorithm && !contents.algorithm->name.empty()) {
    known.push_back(IsExchangeAlgorithm(contents.algorithm->oid) ? u"ключ обмена"
                                                                 : u"ключ подписи");
  }
  std::u16string text = Joined(known, u", ");
  if (contents.key_bits) {
    text += (text.empty() ? u"биты " : u" (биты ") + *contents.key_bits;
    if (!known.empty()) text += u")";
  }
  return text;
}

// The container's own MACs: what damage shows without the password.
std::u16string IntegrityText(const ContainerContents& contents) {
  std::vector<std::u16string> checked;
  for (const auto& [file, intact] : {std::pair{u"header.key", contents.header_intact},
                                     std::pair{u"masks.key", contents.masks_intact},
                                     std::pair{u"masks2.key", contents.masks2_intact}}) {
    if (!intact) continue;
    checked.push_back(std::u16string(file) + (*intact ? u" в порядке" : u" повреждён"));
  }
  return Joined(checked, u", ");
}

// "PBES2 (…): PBKDF2 с HMAC … (…), итераций: 2000; ГОСТ 28147-89 (…)".
std::u16string EncryptionText(const PfxEncryption& encryption) {
  std::u16string text = PfxEncryptionPart(encryption.scheme).Text();
  const std::u16string iterations = u"итераций: " + FromUtf8(std::to_string(encryption.iterations));
  if (encryption.prf.empty()) return text + u", " + iterations;
  return text + u": PBKDF2 с " + PfxEncryptionPart(encryption.prf).Text() + u", " + iterations +
         u"; " + PfxEncryptionPart(encryption.cipher).Text();
}

}  // namespace

std::u16string PfxFileBlock(std::u16string_view path, const PfxContents& contents) {
  Lines lines(u"Файл PFX: " + VisibleName(path));
  lines.Add(u"Вид", contents.kind == PfxKind::kStandard
                        ? u"стандартный (Р 50.1.112-2016)"
                        : u"экспорт КриптоПро (ключ под 1.2.840.113549.1.12.1.80)");
  if (contents.mac) {
    lines.Add(u"Имитовставка", u"HMAC " + DigestAlgorithm(contents.mac->digest).Text() +
                                   u", итераций: " +
                                   FromUtf8(std::to_string(contents.mac->iterations)));
  } else {
    lines.Add(u"Имитовставка", u"нет (в файле нет MacData)");
  }
  lines.Add(u"Шифрование сертификатов", contents.certificate_encryption
                                            ? EncryptionText(*contents.certificate_encryption)
                                            : u"нет");
  return lines.Take();
}

std::u16string PfxKeyBlock(std::u16string_view name, const PfxKey& key, const DateTime& now) {
  Lines lines(u"Контейнер " + QuotedName(name));
  if (key.friendly_name) lines.Add(u"Имя в файле PFX (friendlyName)", *key.friendly_name);
  lines.Add(u"Шифрование ключа",
            key.encryption.scheme.empty() ? u"нет" : EncryptionText(key.encryption));
  lines.Add(u"Алгоритм", KeyAlgorithm(key.algorithm).Text());
  lines.Add(u"Параметры кривой", CurveParameters(key.curve).Text());
  if (!key.digest.empty()) lines.Add(u"Хэш-функция", DigestAlgorithm(key.digest).Text());
  if (!key.certificate) {
    lines.Add(u"Сертификат", u"нет");
    return lines.Take();
  }
  std::optional<StoredCertificate> stored = StoredCertificate{*key.certificate, std::nullopt};
  try {
    stored->contents = ReadCertificate(*key.certificate);
  } catch (const DerError&) {
  }
  AddCertificate(lines, u"Сертификат", stored, now);
  return lines.Take();
}

std::u16string InfoBlock(const ContainerPlace& place, const ContainerContents& contents,
                         const DateTime& now) {
  Lines lines(u"Контейнер " + QuotedName(place.name));
  if (!place.directory.empty()) {
    lines.Add(u"Каталог", place.directory);
  } else {
    lines.Add(u"Пользователь",
              place.user + (place.wow64 ? u", Wow6432Node (32-битное хранилище)" : u""));
  }
  if (contents.stored_name) lines.Add(u"Имя в name.key", *contents.stored_name);
  if (contents.algorithm) lines.Add(u"Алгоритм", contents.algorithm->Text());
  if (contents.curve) lines.Add(u"Параметры кривой", contents.curve->Text());
  if (contents.digest) lines.Add(u"Хэш-функция", contents.digest->Text());
  if (const std::u16string attributes = KeyAttributes(contents); !attributes.empty()) {
    lines.Add(u"Атрибуты ключа", attributes);
  }
  if (contents.container_bits)
    lines.Add(u"Атрибуты контейнера", u"биты " + *contents.container_bits);
  if (contents.password)
    lines.Add(u"Пароль", *contents.password ? u"установлен" : u"не установлен");
  if (const std::u16string integrity = IntegrityText(contents); !integrity.empty()) {
    lines.Add(u"Имитовставки", integrity);
  }
  if (contents.key_not_after) {
    lines.Add(u"Закрытый ключ действителен до",
              FormatDateTime(*contents.key_not_after) +
                  (now > *contents.key_not_after ? u" (истёк)" : u""));
  }
  if (contents.header_read) {
    if (contents.certificate) {
      AddCertificate(lines, u"Сертификат", contents.certificate, now);
    } else {
      lines.Add(u"Сертификат", u"нет");
    }
    if (contents.second_certificate) {
      AddCertificate(lines, u"Второй сертификат", contents.second_certificate, now);
    }
  }
  lines.Add(u"Файлы", contents.files.empty() ? kNone : Joined(contents.files, u", "));
  if (!contents.missing_files.empty())
    lines.Add(u"Нет файлов", Joined(contents.missing_files, u", "));
  if (!contents.empty_files.empty())
    lines.Add(u"Пустые файлы", Joined(contents.empty_files, u", "));
  for (const auto& problem : contents.problems) lines.Add(u"Не удалось прочитать", problem);
  return lines.Take();
}

CertificateSummary SummaryOfCertificate(const ContainerContents& contents) {
  if (!contents.HasCertificate()) return {kNone, kNone};
  const CertificateContents& certificate = *contents.certificate->contents;
  return {certificate.common_name.empty() ? kNone : certificate.common_name,
          FormatDay(certificate.not_after)};
}

}  // namespace quillfen
