#pragma once

#include <string>
#include <string_view>

namespace quillfen {

// An object identifier with the name people know it by, empty when the
// program does not know it.
struct NamedOid {
  std::string oid;
  std::u16string name;

  // "CryptoPro XchA (1.2.643.2.2.36.0)", or the bare identifier.
  std::u16string Text() const;
};

// GOST R 34.10 key algorithms, with whether the key is for exchange
// (agreement) or signature.
NamedOid KeyAlgorithm(std::string_view oid);
// True for the agreement (exchange) identifiers of the GOST algorithms.
bool IsExchangeAlgorithm(std::string_view oid);
// The curves' parameter sets by their published identifiers.
NamedOid CurveParameters(std::string_view oid);
NamedOid DigestAlgorithm(std::string_view oid);

// What protects a PFX: its password-based encryptions, their ciphers and the
// PRFs of their key derivations.
NamedOid PfxEncryptionPart(std::string_view oid);

// A name's attribute as Windows writes it before "=": "CN", "O", and the
// Russian ones as people know them ("ИНН", "ОГРН", "СНИЛС"); an unknown
// one as "OID.1.2.3".
std::u16string AttributeLabel(std::string_view oid);

}  // namespace quillfen
