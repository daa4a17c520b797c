#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conversion/contents/key_derivation.h"
#include "tests/test_exports.h"

namespace quillfen {

// A key for a container a test makes: by the reader's steps in reverse, as
// an independent writer would, so that a test can hold the program to any
// key, curve and password.
struct TestKey {
  KeyFamily family = KeyFamily::k2012_256;
  std::string algorithm;  // header.key's identifier: signature or agreement
  std::string curve;
  std::string digest;      // empty: left out
  std::vector<uint8_t> d;  // little-endian, as long as the curve's order
  std::u16string password;
  bool certificate = true;  // a self-signed one that OpenSSL makes
  // The password in its Windows-1251 form, as some writers store it.
  bool windows1251 = false;
  std::string header_curve;  // what header.key names, when not `curve`
};

// The three kinds, each with a key of its own.
TestKey Test2001Key();
TestKey Test2012Key256();
TestKey Test2012Key512();

// The container's values, as a directory or an export holds them:
// header.key, masks.key, masks2.key, name.key (holding `name`), primary.key,
// primary2.key, in the registry editor's order.
ValueList KeyContainerValues(const TestKey& key, const std::string& name);

// The PEM key file OpenSSL's GOST engine writes for the key, and the PEM of
// its certificate in the container.
std::string ExpectedKeyPem(const TestKey& key);
std::string ExpectedCertificatePem(const ValueList& values);

// The value called `name`, to damage it.
std::vector<uint8_t>& ValueOf(ValueList& values, const std::u16string& name);

}  // namespace quillfen
