#include "conversion/contents/private_key_pem.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/der.h"

namespace quillfen {
namespace {

// The engine names a digest beside every curve except TC26's 256-bit sets
// and its 512-bit set C, whose identifiers say it already.
const char* DigestBeside(KeyFamily family, std::string_view curve) {
  switch (family) {
    case KeyFamily::k2001:
      return "1.2.643.2.2.30.1";
    case KeyFamily::k2012_256:
      return curve.starts_with("1.2.643.7.1.2.1.1.") ? nullptr : "1.2.643.7.1.1.2.2";
    case KeyFamily::k2012_512:
      break;
  }
  return curve == "1.2.643.7.1.2.1.2.3" ? nullptr : "1.2.643.7.1.1.2.3";
}

const char* SignatureAlgorithm(KeyFamily family) {
  switch (family) {
    case KeyFamily::k2001:
      return "1.2.643.2.2.19";
    case KeyFamily::k2012_256:
      return "1.2.643.7.1.1.1.1";
    case KeyFamily::k2012_512:
      break;
  }
  return "1.2.643.7.1.1.1.2";
}

// Writes `der` in PEM into `pem`, which is as long as this says with null
// for `pem`.
size_t WritePem(std::string_view label, std::span<const uint8_t> der, uint8_t* pem) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::string begin = "-----BEGIN " + std::string(label) + "-----\n";
  const std::string end = "-----END " + std::string(label) + "-----\n";
  const size_t characters = (der.size() + 2) / 3 * 4;
  const size_t length = begin.size() + characters + (characters + 63) / 64 + end.size();
  if (pem == nullptr) return length;
  size_t at = 0;
  const auto put = [&](char c) { pem[at++] = static_cast<uint8_t>(c); };
  for (const char c : begin) put(c);
  for (size_t i = 0, written = 0; i < der.size(); i += 3) {
    const size_t left = der.size() - i;
    const uint32_t group = uint32_t{der[i]} << 16 | (left > 1 ? uint32_t{der[i + 1]} << 8 : 0) |
                           (left > 2 ? uint32_t{der[i + 2]} : 0);
    for (size_t k = 0; k < 4; ++k) {
      put(k <= left ? kDigits[group >> (18 - 6 * k) & 63] : '=');
      if (++written % 64 == 0 || written == characters) put('\n');
    }
  }
  for (const char c : end) put(c);
  return length;
}

}  // namespace

SecureBytes PrivateKeyInfo(KeyFamily family, std::string_view curve, const SecureBytes& d) {
  DerStructure parameters = DerStructure::Create("GostKeyParameters");
  parameters.Write("curve", curve);
  if (const char* digest = DigestBeside(family, curve)) {
    parameters.Write("digest", digest);
  } else {
    parameters.Omit("digest");
  }
  DerStructure info = DerStructure::Create("PrivateKeyInfo");
  info.Write("version", "0");
  info.Write("privateKeyAlgorithm.algorithm", SignatureAlgorithm(family));
  info.WriteBytes("privateKeyAlgorithm.parameters", parameters.Encode());
  // libtasn1 encodes a copy of the structure and frees it without wiping
  // it: the key is never given to it. Zeros stand in for it, and the key
  // goes in over them in secure memory, at the end of the encoding, where
  // the privateKey is with the attributes left out.
  info.WriteBytes("privateKey", std::vector<uint8_t>(d.size()));
  info.Omit("attributes");
  const std::vector<uint8_t> der = info.Encode();
  SecureBytes secured(der);
  std::copy(d.data(), d.data() + d.size(), secured.data() + secured.size() - d.size());
  return secured;
}

SecureBytes Pem(std::string_view label, std::span<const uint8_t> der) {
  SecureBytes pem(WritePem(label, der, nullptr));
  WritePem(label, der, pem.data());
  return pem;
}

std::vector<uint8_t> PublicPem(std::string_view label, std::span<const uint8_t> der) {
  std::vector<uint8_t> pem(WritePem(label, der, nullptr));
  WritePem(label, der, pem.data());
  return pem;
}

}  // namespace quillfen
