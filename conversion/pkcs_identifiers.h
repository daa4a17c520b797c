#pragma once

namespace quillfen {

// The object identifiers of PKCS #5, #7, #9 and #12 that the PFX files and
// the certificate bundles the program reads and writes are made of, each
// declared once.

// PKCS #7 content types (RFC 2315).
inline constexpr char kPkcs7Data[] = "1.2.840.113549.1.7.1";
inline constexpr char kPkcs7SignedData[] = "1.2.840.113549.1.7.2";
inline constexpr char kPkcs7EncryptedData[] = "1.2.840.113549.1.7.6";

// PKCS #9 attributes and the certificate type of a certificate bag.
inline constexpr char kPkcs9FriendlyName[] = "1.2.840.113549.1.9.20";
inline constexpr char kPkcs9LocalKeyId[] = "1.2.840.113549.1.9.21";
inline constexpr char kPkcs9X509Certificate[] = "1.2.840.113549.1.9.22.1";

// PKCS #12 bag types.
inline constexpr char kPkcs12KeyBag[] = "1.2.840.113549.1.12.10.1.1";
inline constexpr char kPkcs12ShroudedKeyBag[] = "1.2.840.113549.1.12.10.1.2";
inline constexpr char kPkcs12CertBag[] = "1.2.840.113549.1.12.10.1.3";

// PKCS #12's own password-based encryptions, and the CryptoPro provider's
// key bag encryption.
inline constexpr char kPkcs12PbeSha3Des[] = "1.2.840.113549.1.12.1.3";
inline constexpr char kPkcs12PbeShaRc2_40[] = "1.2.840.113549.1.12.1.6";
inline constexpr char kProviderPbe[] = "1.2.840.113549.1.12.1.80";

// PKCS #5: PBES2 and its key derivation, and PBKDF2's default PRF.
inline constexpr char kPbes2[] = "1.2.840.113549.1.5.13";
inline constexpr char kPbkdf2[] = "1.2.840.113549.1.5.12";
inline constexpr char kHmacSha1[] = "1.2.840.113549.2.7";

}  // namespace quillfen
