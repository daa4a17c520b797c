#include "conversion/contents/container_contents.h"

#include <array>
#include <optional>
#include <string>

#include "conversion/contents/container_values.h"
#include "conversion/contents/key_checks.h"
#include "conversion/contents/stored_key_reader.h"
#include "host/text_decoder.h"
#include "host/unicode.h"
#include "support/der.h"

namespace quillfen {
namespace {

constexpr std::array<std::u16string_view, 6> kUsualFiles = {
    u"header.key", u"masks.key", u"masks2.key", u"name.key", u"primary.key", u"primary2.key"};

// The extension of header.key that holds the private key's validity.
constexpr char kKeyValidity[] = "1.2.643.2.2.37.3.10";

// A header.key of a real container is a few kilobytes, its certificate
// included; one past this is no container's, and reading it would cost
// more than the rest of the run.
constexpr size_t kLargestHeader = size_t{1} << 20;

std::u16string BitsText(const BitString& bits) {
  std::u16string text;
  for (size_t i = 0; i < bits.bits; ++i) text += bits.Bit(i) ? u'1' : u'0';
  return text;
}

// The alternative of `chooser` that `element` is by its tag, or "" for an
// element the module does not know.
std::string KindOf(const char* chooser, const std::vector<uint8_t>& element) {
  try {
    return DerStructure::Decode(chooser, element).Choice("");
  } catch (const DerError&) {
    return {};
  }
}

void AddProblem(ContainerContents& contents, std::u16string_view label, const DerError& error) {
  contents.problems.push_back(std::u16string(label) + u" (" + error.Reason() + u")");
}

std::optional<KeyFamily> Family(const ContainerContents& contents) {
  if (!contents.algorithm) return std::nullopt;
  return KeyFamilyOf(contents.algorithm->oid);
}

class HeaderReader {
 public:
  explicit HeaderReader(ContainerContents& contents) : contents_(contents) {}

  void Read(const std::vector<uint8_t>& bytes) {
    // libtasn1 lets a SEQUENCE end early, so its elements are read here too.
    std::vector<std::vector<uint8_t>> elements;
    std::vector<uint8_t> content, mac;
    try {
      const DerStructure header = DerStructure::Decode("HeaderKeyElements", bytes);
      elements = header.ElementsDer("content");
      content = header.ElementDer("content");
      mac = header.Bytes("mac");
    } catch (const DerError& error) {
      AddProblem(contents_, u"header.key", error);
      return;
    }
    contents_.header_read = true;
    for (const auto& element : elements) {
      const std::string kind = KindOf("HeaderElementTag", element);
      try {
        if (kind == "primaryKey") {
          ReadKeyParameters(element);
        } else if (kind == "primaryFP") {
          contents_.primary_fp = DerStructure::Decode("HeaderElement", element).Bytes(kind);
        } else if (!kind.empty()) {
          ReadElement(kind, element);
        }
      } catch (const DerError& error) {
        AddProblem(contents_, ElementLabel(kind), error);
      }
    }
    if (const auto family = Family(contents_)) {
      contents_.header_intact = HeaderIntact(*family, content, mac);
    }
  }

 private:
  static std::u16string ElementLabel(const std::string& kind) {
    if (kind == "primaryKey") return u"header.key, параметры ключа";
    if (kind == "attributes") return u"header.key, атрибуты контейнера";
    if (kind == "passwordCheck") return u"header.key, проверка пароля";
    if (kind == "extensions") return u"header.key, расширения";
    return u"header.key, элемент «" + std::u16string(kind.begin(), kind.end()) + u"»";
  }

  void ReadElement(const std::string& kind, const std::vector<uint8_t>& bytes) {
    const DerStructure element = DerStructure::Decode("HeaderElement", bytes);
    if (kind == "attributes") {
      contents_.container_bits = BitsText(element.Bits(kind));
    } else if (kind == "passwordCheck") {
      contents_.password_check = element.Bytes(kind);
      contents_.password = HasPassword(*contents_.password_check);
    } else if (kind == "primaryCertificate" || kind == "secondaryCertificate") {
      StoredCertificate stored{element.Bytes(kind), std::nullopt};
      const bool first = kind == "primaryCertificate";
      try {
        stored.contents = ReadCertificate(stored.der);
      } catch (const DerError& error) {
        AddProblem(contents_, first ? u"сертификат" : u"второй сертификат", error);
      }
      (first ? contents_.certificate : contents_.second_certificate) = std::move(stored);
    } else if (kind == "extensions") {
      for (const auto& der : element.ElementsDer(kind)) {
        const DerStructure extension = DerStructure::Decode("Extension", der);
        if (extension.Oid("extnID") != kKeyValidity) continue;
        const DerStructure period =
            DerStructure::Decode("PrivateKeyUsagePeriod", extension.Bytes("extnValue"));
        if (period.Has("notAfter")) contents_.key_not_after = period.Time("notAfter");
      }
    }
  }

  void ReadKeyParameters(const std::vector<uint8_t>& bytes) {
    for (const auto& parameter : DerElements(bytes)) {
      const std::string kind = KindOf("KeyParameterTag", parameter);
      if (kind.empty()) continue;
      const DerStructure element = DerStructure::Decode("KeyParameter", parameter);
      if (kind == "attributes") {
        const BitString bits = element.Bits(kind);
        contents_.key_bits = BitsText(bits);
        if (bits.bits > 0) contents_.exportable = bits.Bit(0);
      } else {
        contents_.algorithm = KeyAlgorithm(element.Oid("algorithm.algorithm"));
        contents_.curve = CurveParameters(element.Oid("algorithm.parameters.curve"));
        if (element.Has("algorithm.parameters.digest")) {
          contents_.digest = DigestAlgorithm(element.Oid("algorithm.parameters.digest"));
        }
      }
    }
  }

  ContainerContents& contents_;
};

// A name beyond ASCII, which IA5String does not hold: UTF-8 when it is
// that, else the ANSI code page's, as names typed on Windows are kept.
std::u16string NameText(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return FromUtf8(bytes);
  std::u16string text;
  for (const char byte : bytes) {
    const auto unit = static_cast<unsigned char>(byte);
    text += unit < 0x80 ? char16_t(unit) : AnsiHighHalf()[unit - 0x80];
  }
  return text;
}

void ReadStoredName(ContainerContents& contents, const std::vector<uint8_t>& bytes) {
  try {
    const std::vector<std::vector<uint8_t>> elements = DerElements(bytes);
    if (elements.empty()) {
      contents.problems.push_back(u"name.key (нет имени)");
      return;
    }
    const std::vector<uint8_t> name =
        DerStructure::Decode("ContainerNameText", elements.front()).Bytes("");
    contents.stored_name = (NameText(std::string(name.begin(), name.end())));
  } catch (const DerError& error) {
    AddProblem(contents, u"name.key", error);
  }
}

}  // namespace

ContainerContents ReadContainerContents(std::span<const ContainerValue> values) {
  ContainerContents contents;
  const auto find = [&](std::u16string_view name) { return FindValue(values, name); };
  for (const std::u16string_view name : kUsualFiles) {
    const ContainerValue* value = find(name);
    if (value == nullptr) {
      contents.missing_files.emplace_back(name);
      continue;
    }
    contents.files.emplace_back(name);
    if (value->bytes.empty()) contents.empty_files.emplace_back(name);
  }
  // Each file on its own: a damaged one leaves the others readable.
  if (const ContainerValue* name = find(u"name.key"); name != nullptr && !name->bytes.empty()) {
    ReadStoredName(contents, name->bytes);
  }
  if (const ContainerValue* header = find(u"header.key");
      header != nullptr && !header->bytes.empty()) {
    if (header->bytes.size() > kLargestHeader) {
      contents.problems.push_back(u"header.key (больше 1 МБ)");
    } else {
      HeaderReader(contents).Read(header->bytes);
    }
  }
  if (const auto family = Family(contents)) {
    for (const auto& [name, intact] : {std::pair{u"masks.key", &contents.masks_intact},
                                       std::pair{u"masks2.key", &contents.masks2_intact}}) {
      if (const ContainerValue* masks = find(name))
        *intact = MasksFileIntact(*family, masks->bytes);
    }
  }
  return contents;
}

ContainerContents ReadKeyContents(ContainerKey& key) {
  std::vector<std::u16string> problems;
  std::vector<ContainerValue> values = ReadAllValues(key, &problems);
  ContainerContents contents = ReadContainerContents(values);
  WipeValues(values);
  contents.problems.insert(contents.problems.begin(), problems.begin(), problems.end());
  return contents;
}

}  // namespace quillfen
