#include "conversion/contents/object_names.h"

#include <utility>

#include "host/unicode.h"

namespace quillfen {
namespace {

struct Known {
  std::string_view oid;
  std::u16string_view name;
};

template <size_t N>
std::u16string Find(const Known (&table)[N], std::string_view oid) {
  for (const Known& known : table) {
    if (known.oid == oid) return std::u16string(known.name);
  }
  return {};
}

constexpr Known kAlgorithms[] = {
    {"1.2.643.2.2.19", u"ГОСТ Р 34.10-2001, подпись"},
    {"1.2.643.2.2.98", u"ГОСТ Р 34.10-2001, обмен"},
    {"1.2.643.7.1.1.1.1", u"ГОСТ Р 34.10-2012 256 бит, подпись"},
    {"1.2.643.7.1.1.6.1", u"ГОСТ Р 34.10-2012 256 бит, обмен"},
    {"1.2.643.7.1.1.1.2", u"ГОСТ Р 34.10-2012 512 бит, подпись"},
    {"1.2.643.7.1.1.6.2", u"ГОСТ Р 34.10-2012 512 бит, обмен"},
};

constexpr Known kCurves[] = {
    {"1.2.643.2.2.35.0", u"CryptoPro Test"},   {"1.2.643.2.2.35.1", u"CryptoPro A"},
    {"1.2.643.2.2.35.2", u"CryptoPro B"},      {"1.2.643.2.2.35.3", u"CryptoPro C"},
    {"1.2.643.2.2.36.0", u"CryptoPro XchA"},   {"1.2.643.2.2.36.1", u"CryptoPro XchB"},
    {"1.2.643.7.1.2.1.1.1", u"TC26 256 A"},    {"1.2.643.7.1.2.1.1.2", u"TC26 256 B"},
    {"1.2.643.7.1.2.1.1.3", u"TC26 256 C"},    {"1.2.643.7.1.2.1.1.4", u"TC26 256 D"},
    {"1.2.643.7.1.2.1.2.0", u"TC26 512 Test"}, {"1.2.643.7.1.2.1.2.1", u"TC26 512 A"},
    {"1.2.643.7.1.2.1.2.2", u"TC26 512 B"},    {"1.2.643.7.1.2.1.2.3", u"TC26 512 C"},
};

constexpr Known kDigests[] = {
    {"1.2.643.2.2.9", u"ГОСТ Р 34.11-94"},
    {"1.2.643.2.2.30.1", u"ГОСТ Р 34.11-94, параметры CryptoPro"},
    {"1.2.643.7.1.1.2.2", u"ГОСТ Р 34.11-2012 256 бит"},
    {"1.2.643.7.1.1.2.3", u"ГОСТ Р 34.11-2012 512 бит"},
    {"1.3.14.3.2.26", u"SHA-1"},
    {"2.16.840.1.101.3.4.2.1", u"SHA-256"},
};

constexpr Known kPfxEncryptionParts[] = {
    {"1.2.840.113549.1.5.13", u"PBES2"},
    {"1.2.840.113549.1.12.1.3", u"pbeWithSHAAnd3-KeyTripleDES-CBC"},
    {"1.2.840.113549.1.12.1.6", u"pbeWithSHAAnd40BitRC2-CBC"},
    {"1.2.840.113549.1.12.1.80", u"КриптоПро, ГОСТ Р 34.11-94 и ГОСТ 28147-89"},
    {"1.2.643.2.2.21", u"ГОСТ 28147-89"},
    {"1.2.643.7.1.1.4.1", u"HMAC ГОСТ Р 34.11-2012 256 бит"},
    {"1.2.643.7.1.1.4.2", u"HMAC ГОСТ Р 34.11-2012 512 бит"},
    {"1.2.840.113549.2.7", u"HMAC SHA-1"},
    {"1.2.840.113549.2.9", u"HMAC SHA-256"},
};

// The keys of Windows' CertNameToStr, and the names a CryptoPro system
// gives the Russian attributes.
constexpr Known kAttributes[] = {
    {"2.5.4.3", u"CN"},
    {"2.5.4.4", u"SN"},
    {"2.5.4.5", u"SERIALNUMBER"},
    {"2.5.4.6", u"C"},
    {"2.5.4.7", u"L"},
    {"2.5.4.8", u"S"},
    {"2.5.4.9", u"STREET"},
    {"2.5.4.10", u"O"},
    {"2.5.4.11", u"OU"},
    {"2.5.4.12", u"T"},
    {"2.5.4.13", u"Description"},
    {"2.5.4.17", u"PostalCode"},
    {"2.5.4.42", u"G"},
    {"2.5.4.43", u"I"},
    {"2.5.4.46", u"dnQualifier"},
    {"1.2.840.113549.1.9.1", u"E"},
    {"1.2.840.113549.1.9.2", u"UnstructuredName"},
    {"0.9.2342.19200300.100.1.25", u"DC"},
    {"1.2.643.3.131.1.1", u"ИНН"},
    {"1.2.643.100.1", u"ОГРН"},
    {"1.2.643.100.3", u"СНИЛС"},
    {"1.2.643.100.4", u"ИНН ЮЛ"},
    {"1.2.643.100.5", u"ОГРНИП"},
};

}  // namespace

std::u16string NamedOid::Text() const {
  return name.empty() ? FromUtf8(oid) : name + u" (" + FromUtf8(oid) + u")";
}

NamedOid KeyAlgorithm(std::string_view oid) { return {std::string(oid), Find(kAlgorithms, oid)}; }

bool IsExchangeAlgorithm(std::string_view oid) {
  return oid == "1.2.643.2.2.98" || oid == "1.2.643.7.1.1.6.1" || oid == "1.2.643.7.1.1.6.2";
}

NamedOid CurveParameters(std::string_view oid) { return {std::string(oid), Find(kCurves, oid)}; }

NamedOid DigestAlgorithm(std::string_view oid) { return {std::string(oid), Find(kDigests, oid)}; }

NamedOid PfxEncryptionPart(std::string_view oid) {
  return {std::string(oid), Find(kPfxEncryptionParts, oid)};
}

std::u16string AttributeLabel(std::string_view oid) {
  const std::u16string known = Find(kAttributes, oid);
  return known.empty() ? u"OID." + FromUtf8(oid) : known;
}

}  // namespace quillfen
