#include "tests/test_containers.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "host/unicode.h"

namespace quillfen {
namespace {

std::vector<uint8_t> Element(const char* alternative, const auto& write) {
  DerStructure element = DerStructure::Create("HeaderElement");
  element.Write("", alternative);
  write(element);
  return element.Encode();
}

std::vector<uint8_t> KeyParameters(const TestHeader& header) {
  DerStructure attributes = DerStructure::Create("KeyParameter");
  attributes.Write("", "attributes");
  attributes.WriteBits("attributes", header.key_bits);
  DerStructure algorithm = DerStructure::Create("KeyParameter");
  algorithm.Write("", "algorithm");
  algorithm.Write("algorithm.algorithm", header.algorithm);
  algorithm.Write("algorithm.parameters.curve", header.curve);
  if (header.digest) {
    algorithm.Write("algorithm.parameters.digest", *header.digest);
  } else {
    algorithm.Omit("algorithm.parameters.digest");
  }
  DerStructure parameters = DerStructure::Create("Elements");
  std::vector<std::vector<uint8_t>> elements = {attributes.Encode(), algorithm.Encode()};
  elements.insert(elements.end(), header.unknown_key_parameters.begin(),
                  header.unknown_key_parameters.end());
  for (const auto& element : elements) {
    parameters.Write("", "NEW");
    parameters.WriteBytes("?LAST", element);
  }
  return parameters.Encode();
}

}  // namespace

std::vector<uint8_t> TestHeaderKey(const TestHeader& header) {
  std::vector<std::vector<uint8_t>> content;
  content.push_back(
      Element("kind", [](DerStructure& e) { e.Write("kind", "1.2.643.2.2.37.2.1"); }));
  content.push_back(Element(
      "attributes", [&](DerStructure& e) { e.WriteBits("attributes", header.container_bits); }));
  content.push_back(KeyParameters(header));
  content.push_back(Element("passwordCheck", [&](DerStructure& e) {
    e.WriteBytes("passwordCheck", header.password_check);
  }));
  if (header.certificate) {
    content.push_back(Element("primaryCertificate", [&](DerStructure& e) {
      e.WriteBytes("primaryCertificate", *header.certificate);
    }));
  }
  if (header.second_certificate) {
    content.push_back(Element("secondaryCertificate", [&](DerStructure& e) {
      e.WriteBytes("secondaryCertificate", *header.second_certificate);
    }));
  }
  content.push_back(Element("primaryFP", [](DerStructure& e) {
    e.WriteBytes("primaryFP", FromHex("0102030405060708"));
  }));
  if (header.key_not_after) {
    DerStructure period = DerStructure::Create("PrivateKeyUsagePeriod");
    period.Omit("notBefore");
    period.Write("notAfter", *header.key_not_after);
    const std::vector<uint8_t> value = period.Encode();
    content.push_back(Element("extensions", [&](DerStructure& e) {
      e.Write("extensions", "NEW");
      e.Write("extensions.?LAST.extnID", "1.2.643.2.2.37.3.10");
      e.WriteBytes("extensions.?LAST.extnValue", value);
    }));
  }
  content.insert(content.end(), header.unknown_elements.begin(), header.unknown_elements.end());

  DerStructure key = DerStructure::Create("HeaderKeyElements");
  for (const auto& element : content) {
    key.Write("content", "NEW");
    key.WriteBytes("content.?LAST", element);
  }
  key.WriteBytes("mac", FromHex("a57f63e1"));
  return key.Encode();
}

std::vector<uint8_t> TestNameKey(const std::string& name) {
  DerStructure key = DerStructure::Create("NameKey");
  key.WriteBytes("name", std::vector<uint8_t>(name.begin(), name.end()));
  return key.Encode();
}

ValueList TestContainerValues(const TestHeader& header, const std::string& name) {
  return {
      {u"header.key", TestHeaderKey(header)},
      {u"masks.key", std::vector<uint8_t>(56, 0x11)},
      {u"masks2.key", std::vector<uint8_t>(56, 0x22)},
      {u"name.key", TestNameKey(name)},
      {u"primary.key", std::vector<uint8_t>(36, 0x33)},
      {u"primary2.key", std::vector<uint8_t>(36, 0x44)},
  };
}

std::vector<uint8_t> KnownAnswerFile(const std::string& path) {
  const std::string text = KnownAnswerText(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::string KnownAnswerText(const std::string& path) {
#ifdef _WIN32
  // Under Wine the tree is on drive Z:, which is the host's root.
  const std::string root = "Z:" QUILLFEN_SOURCE_DIR;
#else
  const std::string root = QUILLFEN_SOURCE_DIR;
#endif
  const std::string name = root + "/tests/data/known-answers/" + path;
  std::ifstream in(name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + name);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> KnownAnswerCertificate(const std::string& directory) {
  return DerStructure::Decode("HeaderKey", KnownAnswerFile(directory + "/header.key"))
      .Bytes("content.primaryCertificate");
}

ValueList KnownAnswerValues(const std::string& directory) {
  ValueList values;
  for (const char* name :
       {"header.key", "masks.key", "masks2.key", "name.key", "primary.key", "primary2.key"}) {
    values.emplace_back(FromUtf8(name), KnownAnswerFile(directory + "/" + name));
  }
  return values;
}

namespace {

// A SEQUENCE of the elements given, whole DER each.
std::vector<uint8_t> SequenceOf(const std::vector<std::vector<uint8_t>>& elements) {
  DerStructure sequence = DerStructure::Create("Elements");
  for (const auto& element : elements) {
    sequence.Write("", "NEW");
    sequence.WriteBytes("?LAST", element);
  }
  return sequence.Encode();
}

// `content` (whole elements one after another) under `tag`: the bytes of
// an OCTET STRING, whose tag is then put in. libtasn1 appends an element
// only after a walk over those before it: for a hundred thousand, minutes.
std::vector<uint8_t> Wrapped(uint8_t tag, const std::vector<uint8_t>& content) {
  DerStructure octets = DerStructure::Create("GostPrivateKeyOctets");
  octets.WriteBytes("", content);
  std::vector<uint8_t> der = octets.Encode();
  der[0] = tag;
  return der;
}

// `element` `count` times over.
std::vector<uint8_t> Repeated(const std::vector<uint8_t>& element, size_t count) {
  std::vector<uint8_t> bytes;
  bytes.reserve(element.size() * count);
  for (size_t i = 0; i < count; ++i) bytes.insert(bytes.end(), element.begin(), element.end());
  return bytes;
}

}  // namespace

std::vector<uint8_t> CertificateWithNames(size_t names) {
  const DerStructure known =
      DerStructure::Decode("Certificate", KnownAnswerCertificate("kat256.000"));
  DerStructure name = DerStructure::Create("RelativeDistinguishedName");
  name.Write("", "NEW");
  name.Write("?LAST.type", "2.5.4.3");
  name.WriteBytes("?LAST.value", FromHex("13016e"));  // PrintableString "n"
  const std::vector<uint8_t> rdn = name.Encode();
  std::vector<uint8_t> rdns;
  for (const auto& own : known.ElementsDer("tbsCertificate.subject.rdnSequence")) {
    rdns.insert(rdns.end(), own.begin(), own.end());
  }
  const std::vector<uint8_t> more = Repeated(rdn, names);
  rdns.insert(rdns.end(), more.begin(), more.end());
  std::vector<std::vector<uint8_t>> tbs = known.ElementsDer("tbsCertificate");
  // After the version, when there is one: serial, signature, issuer, validity.
  tbs.at(tbs.front()[0] == 0xa0 ? 5 : 4) = Wrapped(0x30, rdns);
  return SequenceOf(
      {SequenceOf(tbs), known.ElementDer("signatureAlgorithm"), known.ElementDer("signature")});
}

std::vector<uint8_t> HeaderExtensions(size_t count) {
  DerStructure extension = DerStructure::Create("Extension");
  extension.Write("extnID", "1.2.643.2.2.37.3.11");
  extension.WriteBytes("extnValue", std::vector<uint8_t>{1});
  return Wrapped(0xac, Repeated(extension.Encode(), count));  // [12], constructed
}

std::vector<ContainerValue> AsContainerValues(const ValueList& values) {
  std::vector<ContainerValue> container;
  for (const auto& [name, bytes] : values) container.push_back({name, bytes});
  return container;
}

}  // namespace quillfen
