#include "conversion/contents/certificate.h"

#include <string>
#include <vector>

#include "conversion/contents/object_names.h"
#include "host/ascii.h"
#include "host/unicode.h"
#include "support/crypto.h"
#include "support/der.h"

namespace quillfen {
namespace {

constexpr size_t kLargestCertificate = size_t{1} << 20;

void AppendCodePoint(std::u16string& text, char32_t c) {
  char16_t units[2];
  text.append(units, EncodeUtf16(c <= 0x10ffff ? c : 0xfffd, units));
}

// A value that is no string, as Windows shows it: "#" and the hex digits of
// its DER.
std::u16string DerText(const std::vector<uint8_t>& der) {
  std::u16string text = u"#";
  text += HexDigits(der);
  return text;
}

std::u16string AttributeText(const std::vector<uint8_t>& der) {
  std::vector<uint8_t> bytes;
  std::string kind;
  try {
    const DerStructure value = DerStructure::Decode("DirectoryString", der);
    kind = value.Choice("");
    bytes = value.Bytes(kind);
  } catch (const DerError&) {
    return DerText(der);
  }
  std::u16string text;
  if (kind == "utf8String") {
    text = FromUtf8(std::string(bytes.begin(), bytes.end()));
  } else if (kind == "bmpString" || kind == "universalString") {
    const size_t width = kind == "bmpString" ? 2 : 4;
    if (bytes.size() % width != 0) return DerText(der);
    for (size_t i = 0; i < bytes.size(); i += width) {
      char32_t c = 0;
      for (size_t k = 0; k < width; ++k) c = c << 8 | bytes[i + k];
      AppendCodePoint(text, c);
    }
  } else {
    // PrintableString, NumericString, IA5String, VisibleString hold ASCII;
    // a TeletexString is read as Latin-1, as Windows reads it.
    for (const uint8_t byte : bytes) text += static_cast<char16_t>(byte);
  }
  return text;
}

// Windows quotes a value with a separator or a blank at either end in it.
std::u16string QuotedValue(const std::u16string& value) {
  const bool quote = value.empty() || value.front() == u' ' || value.back() == u' ' ||
                     value.find_first_of(u",+=\"<>#;") != std::u16string::npos;
  if (!quote) return value;
  std::u16string text = u"\"";
  for (const char16_t c : value) {
    text += c;
    if (c == u'"') text += c;
  }
  return text + u"\"";
}

// `path` (a Name) as Windows writes it, and the last common name in it.
std::u16string NameText(const DerStructure& certificate, const std::string& path,
                        std::u16string* common_name) {
  const auto rdns = certificate.ElementsDer(path + ".rdnSequence");
  std::u16string text;
  for (auto rdn = rdns.rbegin(); rdn != rdns.rend(); ++rdn) {
    std::u16string part;
    for (const auto& der :
         DerStructure::Decode("RelativeDistinguishedName", *rdn).ElementsDer("")) {
      const DerStructure attribute = DerStructure::Decode("AttributeTypeAndValue", der);
      const std::string type = attribute.Oid("type");
      const std::u16string value = AttributeText(attribute.Bytes("value"));
      if (common_name != nullptr && type == "2.5.4.3" && common_name->empty()) {
        *common_name = value;
      }
      if (!part.empty()) part += u" + ";
      part += AttributeLabel(type) + u"=" + QuotedValue(value);
    }
    if (!text.empty()) text += u", ";
    text += part;
  }
  return text;
}

DateTime TimeOf(const DerStructure& certificate, const std::string& path) {
  return certificate.Time(path + "." + certificate.Choice(path));
}

}  // namespace

std::u16string HexDigits(std::span<const uint8_t> bytes) {
  std::u16string hex;
  hex.reserve(bytes.size() * 2);
  for (const uint8_t byte : bytes) AppendHexByte(hex, byte);
  return hex;
}

CertificateContents ReadCertificate(std::span<const uint8_t> der) {
  // Real ones are a few kilobytes; names by the hundred thousand in one
  // would cost the run more than it is worth.
  if (der.size() > kLargestCertificate) throw DerError(u"«Certificate»", u"больше 1 МБ");
  const DerStructure certificate = DerStructure::Decode("Certificate", der);
  CertificateContents contents;
  contents.subject = NameText(certificate, "tbsCertificate.subject", &contents.common_name);
  contents.issuer = NameText(certificate, "tbsCertificate.issuer", nullptr);
  std::vector<uint8_t> serial = certificate.Bytes("tbsCertificate.serialNumber");
  // The zero DER puts before a positive number whose high bit is set is no
  // digit of it: the certificate tools leave it out.
  if (serial.size() > 1 && serial[0] == 0 && serial[1] >= 0x80) serial.erase(serial.begin());
  contents.serial = HexDigits(serial);
  contents.not_before = TimeOf(certificate, "tbsCertificate.validity.notBefore");
  contents.not_after = TimeOf(certificate, "tbsCertificate.validity.notAfter");
  contents.thumbprint = HexDigits(Sha1(der));
  contents.public_key = GostPublicKeyOfCertificate(der);
  return contents;
}

Validity ValidityAt(const CertificateContents& certificate, const DateTime& now) {
  if (now < certificate.not_before) return Validity::kNotYetValid;
  if (now > certificate.not_after) return Validity::kExpired;
  return Validity::kValid;
}

}  // namespace quillfen
