#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quillfen {

// The one place that speaks to libgcrypt: hashes, ciphers, big numbers and
// curves as plain bytes in and out. Failures of the library are thrown as
// RunTimeError.

// The SHA-1 digest of `bytes`: a certificate's thumbprint as the certificate
// tools print it.
std::array<uint8_t, 20> Sha1(std::span<const uint8_t> bytes);

// Sets how much secret a run holds at once (at least what one key's
// recovery needs): libgcrypt's secure memory is one pool of that size, set
// up when the first secret goes in, and never grown with memory nobody
// locked. Asked for later, it changes nothing.
void ReserveSecureMemory(size_t bytes);

// Bytes in memory that libgcrypt keeps out of swap, where the system lets
// the program lock it (ulimit -l), and wipes when it is freed: passwords,
// keys and whatever is derived from them. Public data, a certificate, has
// no place there.
class SecureBytes {
 public:
  SecureBytes() = default;
  // `size` zero bytes.
  explicit SecureBytes(size_t size);
  explicit SecureBytes(std::span<const uint8_t> bytes);
  SecureBytes(SecureBytes&& other) noexcept;
  SecureBytes& operator=(SecureBytes&& other) noexcept;
  SecureBytes(const SecureBytes&) = delete;
  SecureBytes& operator=(const SecureBytes&) = delete;
  ~SecureBytes();

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  uint8_t& operator[](size_t i) { return data_[i]; }
  uint8_t operator[](size_t i) const { return data_[i]; }
  std::span<uint8_t> Span() { return {data_, size_}; }
  std::span<const uint8_t> Span() const { return {data_, size_}; }

 private:
  void Release();

  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// The GOST hash functions: R 34.11-94 with the CryptoPro parameters, and
// R 34.11-2012 ("Stribog") of 256 and 512 bits.
enum class GostHash { kR3411_94CryptoPro, kStribog256, kStribog512 };

// A hash computed piece by piece, its state in secure memory. Reusable:
// Finish starts it over.
class GostDigest {
 public:
  explicit GostDigest(GostHash hash);
  ~GostDigest();
  GostDigest(const GostDigest&) = delete;
  GostDigest& operator=(const GostDigest&) = delete;

  // The digest's length in bytes.
  size_t Size() const;
  void Write(std::span<const uint8_t> bytes);
  // Writes the digest to `out` (Size() bytes) and starts over.
  void Finish(std::span<uint8_t> out);

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

// The S-boxes GOST 28147-89 runs with: CryptoPro's A and TC26's Z, which
// the containers use, and CryptoPro's B, C and D, which a PFX may name.
enum class GostSbox { kCryptoProA, kTc26Z, kCryptoProB, kCryptoProC, kCryptoProD };

// GOST 28147-89 in ECB mode under a 32-byte key; `data` a whole number of
// 8-byte blocks.
SecureBytes Gost28147Ecb(GostSbox sbox, std::span<const uint8_t> key, std::span<const uint8_t> data,
                         bool encrypt);

// The 4-byte GOST 28147-89 MAC (imitovstavka) of `data` under a 32-byte key.
std::array<uint8_t, 4> Gost28147Mac(GostSbox sbox, std::span<const uint8_t> key,
                                    std::span<const uint8_t> data);

// Arithmetic on the GOST curves libgcrypt knows, named by their object
// identifiers ("1.2.643.2.2.35.1"). Numbers are little-endian bytes of any
// length, as the containers and the key files hold them; results are as
// long as the curve's order (scalars) or its field (coordinates).
bool IsKnownCurve(std::string_view oid);

// a·b mod q and a⁻¹ mod q, q the curve's order; nothing when a has no inverse.
SecureBytes MultiplyModOrder(std::string_view oid, std::span<const uint8_t> a,
                             std::span<const uint8_t> b);
std::optional<SecureBytes> InvertModOrder(std::string_view oid, std::span<const uint8_t> a);

// The public key of the private key d: d·G as X ‖ Y, little-endian; nothing
// when d is no private key of the curve (zero, or not below the order).
std::optional<std::vector<uint8_t>> PublicKeyOf(std::string_view oid, std::span<const uint8_t> d);

// Overwrites `bytes` so that the compiler cannot leave it out.
void Wipe(std::span<uint8_t> bytes);

// ---- Password-based encryption, as PFX files use it ----

// The digests a PFX names for its MACs and its key derivations.
enum class Digest { kSha1, kSha256, kStribog256, kStribog512 };

// The digest's length in bytes.
size_t DigestSize(Digest digest);

// HMAC (RFC 2104) of `data` under `key`.
SecureBytes Hmac(Digest digest, std::span<const uint8_t> key, std::span<const uint8_t> data);

// A digest, or with `hmacKey` its HMAC under that key, computed again and
// again, its state in secure memory: what the password-based derivations
// run their rounds on. Finish starts it over, an HMAC from its key.
class RepeatedDigest {
 public:
  explicit RepeatedDigest(Digest digest,
                          std::optional<std::span<const uint8_t>> hmacKey = std::nullopt);
  ~RepeatedDigest();
  RepeatedDigest(const RepeatedDigest&) = delete;
  RepeatedDigest& operator=(const RepeatedDigest&) = delete;

  size_t Size() const;
  void Write(std::span<const uint8_t> bytes);
  // Writes the digest to `out` (Size() bytes) and starts over.
  void Finish(std::span<uint8_t> out);

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

// The derivations of a key from a password below run in steps of a bounded
// number of rounds and look for a stop signal between two steps (throwing
// Stopped), so that however many iterations a file asks for, Ctrl-C ends
// the run within a moment. A round is one digest, or one HMAC, of the
// derivation's chain: the iterations times the digests' blocks the key
// takes.

// How many rounds the derivations have run in this process: the cost that
// the PFX reader bounds, for the tests and the fuzzer to count.
uint64_t KeyDerivationRounds();

// PBKDF2 (RFC 8018) with HMAC over `digest`: `length` bytes. One iteration
// at least.
SecureBytes Pbkdf2(Digest digest, std::span<const uint8_t> password, std::span<const uint8_t> salt,
                   unsigned long iterations, size_t length);

// What a PKCS #12 key derivation is for (its ID byte).
enum class Pkcs12Purpose : uint8_t { kKey = 1, kIv = 2, kMac = 3 };

// The PKCS #12 key derivation (RFC 7292 appendix B.2): `length` bytes from
// the password as a BMPString (big-endian UTF-16, its two zero bytes at the
// end included) and the salt. One iteration at least.
SecureBytes Pkcs12Kdf(Digest digest, Pkcs12Purpose purpose, std::span<const uint8_t> bmpPassword,
                      std::span<const uint8_t> salt, unsigned long iterations, size_t length);

// The S-box of GOST 28147-89 that an encryption parameter set's identifier
// names ("1.2.643.7.1.2.5.1.1"); nothing for any other.
std::optional<GostSbox> GostSboxOf(std::string_view oid);

// GOST 28147-89 in CFB mode under a 32-byte key and an 8-byte IV, with
// CryptoPro key meshing (RFC 4357 section 2.3: a new key after each 1024
// bytes) or without it; `data` of any length.
SecureBytes Gost28147Cfb(GostSbox sbox, bool keyMeshing, std::span<const uint8_t> key,
                         std::span<const uint8_t> iv, std::span<const uint8_t> data, bool encrypt);
// The same encrypting what goes into a file: the ciphertext is no secret
// and stays out of secure memory, however large the data.
std::vector<uint8_t> Gost28147CfbEncrypt(GostSbox sbox, bool keyMeshing,
                                         std::span<const uint8_t> key, std::span<const uint8_t> iv,
                                         std::span<const uint8_t> data);

// The 4-byte GOST 28147-89 MAC of `data` under a 32-byte key, its state
// starting from the 8-byte `iv` instead of zeros.
std::array<uint8_t, 4> Gost28147Mac(GostSbox sbox, std::span<const uint8_t> key,
                                    std::span<const uint8_t> iv, std::span<const uint8_t> data);

// The block ciphers of the PKCS #12 password-based encryptions: 3DES with a
// 24-byte key and RC2 with a 5-byte (40-bit) key, both in CBC mode with an
// 8-byte IV; `data` a whole number of 8-byte blocks, padding left to the
// caller.
enum class CbcCipher { kTripleDes, kRc2_40 };
SecureBytes CbcCrypt(CbcCipher cipher, std::span<const uint8_t> key, std::span<const uint8_t> iv,
                     std::span<const uint8_t> data, bool encrypt);

// Bytes from libgcrypt's strong random generator.
void StrongRandom(std::span<uint8_t> out);

// The CryptoPro KEK diversification (RFC 4357 section 6.5): the 32-byte
// `key` made into a new one by the 8-byte `ukm`.
SecureBytes CryptoProDiversifiedKey(GostSbox sbox, std::span<const uint8_t> key,
                                    std::span<const uint8_t> ukm);

// KDF_GOSTR3411_2012_256 (R 50.1.113-2016 section 4.5): HMAC-Stribog-256
// under `key` of 01 ‖ label ‖ 00 ‖ seed ‖ 01 00, 32 bytes.
SecureBytes KdfGostR3411_2012_256(std::span<const uint8_t> key, std::span<const uint8_t> label,
                                  std::span<const uint8_t> seed);

// The key the CryptoPro provider derives for a PFX key bag: K0 is the
// password as UTF-16LE, Ki the GOST R 34.11-94 (CryptoPro) digest of
// K(i-1) ‖ salt ‖ i as two bytes big-endian, 32 bytes after `iterations`.
SecureBytes CryptoProPfxKey(std::span<const uint8_t> utf16lePassword, std::span<const uint8_t> salt,
                            unsigned long iterations);

}  // namespace quillfen
