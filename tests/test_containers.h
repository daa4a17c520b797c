#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "conversion/container_key.h"
#include "support/der.h"
#include "tests/hex.h"
#include "tests/test_exports.h"

namespace quillfen {

// What a test puts into a header.key, written with the program's own DER
// facade: by default a 256-bit exchange key on CryptoPro XchA without a
// password and without a certificate.
struct TestHeader {
  std::string algorithm = "1.2.643.7.1.1.6.1";
  std::string curve = "1.2.643.2.2.36.0";
  std::optional<std::string> digest = "1.2.643.7.1.1.2.2";
  BitString key_bits{{0xa0}, 3};
  BitString container_bits{{0x40}, 2};
  std::vector<uint8_t> password_check{0, 0, 0, 0};
  std::optional<std::vector<uint8_t>> certificate;
  std::optional<std::vector<uint8_t>> second_certificate;
  std::optional<std::string> key_not_after = "20271208004752Z";
  // Whole DER elements the reader does not know, after the known ones of the
  // content and of the key's parameters.
  std::vector<std::vector<uint8_t>> unknown_elements;
  std::vector<std::vector<uint8_t>> unknown_key_parameters;
};

std::vector<uint8_t> TestHeaderKey(const TestHeader& header);
std::vector<uint8_t> TestNameKey(const std::string& name);

// The six values of a container: header.key and name.key as given, the
// masks and the masked keys of fixed bytes.
ValueList TestContainerValues(const TestHeader& header, const std::string& name);

// The values of a known-answer container of tests/data/known-answers
// ("kat256.000"), in the registry's order.
ValueList KnownAnswerValues(const std::string& directory);
// A file of tests/data/known-answers, as bytes and as text.
std::vector<uint8_t> KnownAnswerFile(const std::string& path);
std::string KnownAnswerText(const std::string& path);
// The certificate in the header.key of a known-answer container, as DER.
std::vector<uint8_t> KnownAnswerCertificate(const std::string& directory);

// The certificate of the known-answer container kat256 with `names` more
// common names after its subject's own, an RDN each (its signature no
// longer holds; nothing here checks one): what a walk over names is
// measured on.
std::vector<uint8_t> CertificateWithNames(size_t names);

// A header.key element of `count` extensions of a kind nobody reads.
std::vector<uint8_t> HeaderExtensions(size_t count);

std::vector<ContainerValue> AsContainerValues(const ValueList& values);

}  // namespace quillfen
