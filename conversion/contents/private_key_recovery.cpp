#include "conversion/contents/private_key_recovery.h"

#include "conversion/contents/container_contents.h"
#include "conversion/contents/container_values.h"
#include "conversion/contents/key_checks.h"
#include "conversion/contents/stored_key_reader.h"
#include "conversion/conversion_error.h"
#include "host/unicode.h"
#include "host/visible_name.h"
#include "support/joined.h"

namespace quillfen {
namespace {

// A message of pieces; joined by appending, which GCC 12 does not take for
// overlapping copies as it does a chain of `+`.
std::u16string Text(std::initializer_list<std::u16string_view> pieces) {
  std::u16string text;
  for (const auto piece : pieces) text += piece;
  return text;
}

const std::vector<uint8_t>* ValueBytes(std::span<const ContainerValue> values,
                                       std::u16string_view name) {
  const ContainerValue* value = FindValue(values, name);
  return value == nullptr ? nullptr : &value->bytes;
}

// What one recovery holds in secure memory at once with the longest
// password a run takes (4096 bytes): the password as UTF-16, its
// derivation form of four bytes a unit, and the hashes' states; and what
// each key proved holds until it is written, its PEM.
constexpr size_t kRecoveryMemory = 32 << 10;
constexpr size_t kHeldKeyMemory = 512;

// A message that ends the run, about the source.
struct Failure {
  std::u16string_view source_file;

  ConversionError operator()(const std::u16string& text) const {
    return PathError(source_file, text);
  }
};

// One container's recovery, step by step, with what its messages say.
struct Recovery {
  Failure fail;
  std::u16string quoted;  // the container's name
  std::u16string damaged;

  // What header.key says to check the password and prove the key by, once
  // it is there, read, of a family and curve the program knows, and intact;
  // the certificate's DER into `certificate` when there is one.
  KeyFacts FactsOf(std::span<const ContainerValue> values,
                   std::optional<std::vector<uint8_t>>* certificate) const;

  // The password as the derivation reads it, in the form that gives the
  // container's check value: UTF-16, or else Windows-1251. Empty, and
  // nothing asked, when the container has no password.
  SecureBytes PinFor(const KeyFacts& facts, ContainerPasswords& passwords,
                     std::u16string_view container) const;

  // The key from the first copy that unlocks and proves it, primary.key with
  // masks.key or else their backups.
  RecoveredKey Unlock(std::span<const ContainerValue> values, const KeyFacts& facts,
                      const SecureBytes& pin,
                      const std::optional<std::vector<uint8_t>>& certificate) const;
};

KeyFacts Recovery::FactsOf(std::span<const ContainerValue> values,
                           std::optional<std::vector<uint8_t>>* certificate) const {
  const ContainerContents contents = ReadContainerContents(values);
  if (ValueBytes(values, u"header.key") == nullptr) {
    throw fail(Text({u"В контейнере ", quoted, u" нет файла header.key."}));
  }
  if (!contents.header_read || !contents.algorithm || !contents.curve) {
    throw fail(Text(
        {u"Не удалось прочитать header.key контейнера ", quoted, u": ",
         contents.problems.empty() ? u"нет параметров ключа" : Joined(contents.problems, u"; "),
         u"."}));
  }
  const auto family = KeyFamilyOf(contents.algorithm->oid);
  if (!family) {
    throw fail(Text({u"Алгоритм ключа контейнера ", quoted, u" (",
                     FromUtf8(contents.algorithm->oid), u") программа не знает."}));
  }
  const std::string& curve = contents.curve->oid;
  if (!CurveFitsFamily(curve, *family)) {
    throw fail(Text({u"Параметры ключа контейнера ", quoted, u" (", FromUtf8(curve),
                     u") программа не знает."}));
  }
  if (contents.header_intact != true) {
    throw fail(Text(
        {u"Файл header.key контейнера ", quoted, u" повреждён: его имитовставка не сходится."}));
  }

  KeyFacts facts;
  facts.family = *family;
  facts.curve_oid = curve;
  if (contents.password_check && contents.password_check->size() == facts.check_value.size()) {
    std::copy(contents.password_check->begin(), contents.password_check->end(),
              facts.check_value.begin());
  }
  facts.primary_fp = contents.primary_fp.value_or(std::vector<uint8_t>());
  if (contents.certificate) {
    if (!contents.HasCertificate() || contents.certificate->contents->public_key.empty()) {
      throw fail(damaged);
    }
    facts.public_key = contents.certificate->contents->public_key;
    *certificate = contents.certificate->der;
  }
  return facts;
}

SecureBytes Recovery::PinFor(const KeyFacts& facts, ContainerPasswords& passwords,
                             std::u16string_view container) const {
  SecureBytes pin;
  if (HasPassword(facts.check_value)) {
    pin = PinOf(passwords.Get(container));
    if (!PasswordMatches(facts, pin.Span())) {
      // Not held beside the other form: the two of the longest password
      // would double what the run needs.
      pin = SecureBytes();
      auto other = Windows1251PinOf(passwords.Get(container));
      if (!other || !PasswordMatches(facts, other->Span())) {
        throw fail(Text({u"Неверный пароль контейнера ", quoted, u"."}));
      }
      pin = std::move(*other);
    }
  }
  return pin;
}

RecoveredKey Recovery::Unlock(std::span<const ContainerValue> values, const KeyFacts& facts,
                              const SecureBytes& pin,
                              const std::optional<std::vector<uint8_t>>& certificate) const {
  const std::u16string_view copies[2][2] = {{u"masks.key", u"primary.key"},
                                            {u"masks2.key", u"primary2.key"}};
  bool any_copy = false;
  for (int copy = 0; copy < 2; ++copy) {
    const auto* masks = ValueBytes(values, copies[copy][0]);
    const auto* primary = ValueBytes(values, copies[copy][1]);
    if (masks == nullptr || primary == nullptr) continue;
    any_copy = true;
    const auto stored = ReadStoredKey(*masks, *primary);
    if (!stored) continue;
    if (auto d = UnlockKey(facts, *stored, pin.Span())) {
      return RecoveredKey{facts.family, facts.curve_oid, std::move(*d), certificate, copy == 1};
    }
  }
  if (!any_copy) {
    throw fail(Text({u"В контейнере ", quoted, u" нет файлов masks.key и primary.key."}));
  }
  throw fail(damaged);
}

}  // namespace

void ReserveKeyMemory(size_t keys, size_t otherSecrets) {
  ReserveSecureMemory(kRecoveryMemory + keys * kHeldKeyMemory + otherSecrets);
}

RecoveredKey RecoverKey(std::span<const ContainerValue> values, ContainerPasswords& passwords,
                        std::u16string_view sourceFile, std::u16string_view container) {
  const std::u16string quoted = QuotedName(container);
  const Recovery recovery{Failure{sourceFile}, quoted,
                          Text({u"Ключ контейнера ", quoted, u" не сходится с его сертификатом."})};
  std::optional<std::vector<uint8_t>> certificate;
  const KeyFacts facts = recovery.FactsOf(values, &certificate);
  const SecureBytes pin = recovery.PinFor(facts, passwords, container);
  return recovery.Unlock(values, facts, pin, certificate);
}

}  // namespace quillfen
