#include "support/crypto.h"

#include <gcrypt.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "host/run_time_error.h"
#include "host/unicode.h"
#include "support/gost_curves.h"
#include "support/library_lacks.h"
#include "support/owned_handle.h"

namespace quillfen {
namespace {

// The program shows one message of its own: what libgcrypt would print, a
// warning about memory it could not lock among them, goes nowhere.
void DiscardLog(void*, int, const char*, va_list) {}

// What every run gets: what one key's recovery needs with the longest
// password a run takes, and what a system whose lock limit is the old
// default of 64 KiB locks whole.
constexpr size_t kLeastSecureMemory = 65536;
size_t secure_memory_size = kLeastSecureMemory;

// libgcrypt must be set up once before its first use.
void Initialize() {
  static const bool initialized = [] {
    // Any libgcrypt of this ABI will do: what one lacks is told when a run
    // asks for it (Check with a Feature).
    gcry_check_version(nullptr);
    gcry_set_log_handler(DiscardLog, nullptr);
    gcry_control(GCRYCTL_DISABLE_SECMEM_WARN);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)initialized;
}

// Secure memory, which is kept out of swap where the system lets the
// program lock it and is wiped when freed, is one pool of the size the run
// asked for, set up before the first secret goes in. It never grows: more
// would come from memory nobody locked.
void InitializeSecureMemory() {
  Initialize();
  static const bool initialized = [] {
    // Not locked (ulimit -l too small): the secrets are still wiped when freed.
    gcry_control(GCRYCTL_INIT_SECMEM, static_cast<unsigned int>(secure_memory_size), 0);
    return true;
  }();
  (void)initialized;
}

// Every error code libgcrypt returns ends here: memory that ran out as such,
// anything else with libgcrypt's own words.
void Check(gcry_error_t error) {
  if (error == 0) return;
  if (gcry_err_code(error) == GPG_ERR_ENOMEM) throw std::bad_alloc();
  throw RunTimeError(EINVAL, u"libgcrypt: " + FromUtf8(gcry_strerror(error)));
}

// What the program asks of libgcrypt that not every libgcrypt gives: as the
// message names it, and the version that brought it.
struct Feature {
  std::u16string_view name;
  std::string_view since;
};

// A failure that means the library lacks `feature`: it is older than the
// feature, was built without it, or runs in FIPS mode, which refuses GOST.
void Check(gcry_error_t error, const Feature& feature) {
  switch (gcry_err_code(error)) {
    case GPG_ERR_DIGEST_ALGO:
    case GPG_ERR_CIPHER_ALGO:
    case GPG_ERR_MAC_ALGO:
    case GPG_ERR_UNKNOWN_CURVE:
    case GPG_ERR_VALUE_NOT_FOUND:
    case GPG_ERR_NOT_SUPPORTED:
    case GPG_ERR_NOT_IMPLEMENTED: {
      throw LacksSince(u"libgcrypt", gcry_check_version(nullptr),
                       gcry_fips_mode_active() ? u"в режиме FIPS" : u"", feature.name,
                       feature.since);
    }
    default:
      Check(error);
  }
}

constexpr Feature kHashFeatures[] = {
    {u"ГОСТ Р 34.11-94", "1.7"}, {u"ГОСТ Р 34.11-2012", "1.6"}, {u"ГОСТ Р 34.11-2012", "1.6"}};
constexpr Feature kCipherFeature = {u"ГОСТ 28147-89", "1.6"};
constexpr Feature kMeshingFeature = {u"ГОСТ 28147-89 с преобразованием ключа КриптоПро", "1.9"};
constexpr Feature kMacFeature = {u"ГОСТ 28147-89 MAC", "1.9"};

int HashAlgorithm(GostHash hash) {
  constexpr int kAlgorithms[] = {GCRY_MD_GOSTR3411_CP, GCRY_MD_STRIBOG256, GCRY_MD_STRIBOG512};
  return kAlgorithms[static_cast<int>(hash)];
}

// The S-boxes by the identifiers libgcrypt knows them under, in the order
// of GostSbox, with what a library without one is told to lack.
struct Sbox {
  const char* oid;
  Feature feature;
};
constexpr Sbox kSboxes[] = {
    {"1.2.643.2.2.31.1", {u"узлы замены CryptoPro-A ГОСТ 28147-89", "1.7"}},
    {"1.2.643.7.1.2.5.1.1", {u"узлы замены TC26-Z ГОСТ 28147-89", "1.7"}},
    {"1.2.643.2.2.31.2", {u"узлы замены CryptoPro-B ГОСТ 28147-89", "1.7"}},
    {"1.2.643.2.2.31.3", {u"узлы замены CryptoPro-C ГОСТ 28147-89", "1.7"}},
    {"1.2.643.2.2.31.4", {u"узлы замены CryptoPro-D ГОСТ 28147-89", "1.7"}}};

const Sbox& SboxOf(GostSbox sbox) { return kSboxes[static_cast<int>(sbox)]; }
const char* SboxOid(GostSbox sbox) { return SboxOf(sbox).oid; }

void CheckKey(std::span<const uint8_t> key) {
  if (key.size() != 32) throw RunTimeError(EINVAL, u"libgcrypt: GOST 28147-89 keys are 32 bytes");
}

void ReleaseCipher(gcry_cipher_hd_t handle) { gcry_cipher_close(handle); }
void ReleaseMac(gcry_mac_hd_t handle) { gcry_mac_close(handle); }
void ReleaseContext(gcry_ctx_t context) { gcry_ctx_release(context); }
void ReleasePoint(gcry_mpi_point_t point) { gcry_mpi_point_release(point); }
void ReleaseNumber(gcry_mpi_t number) { gcry_mpi_release(number); }
using Cipher = OwnedHandle<gcry_cipher_hd_t, ReleaseCipher>;
using Mac = OwnedHandle<gcry_mac_hd_t, ReleaseMac>;
using Context = OwnedHandle<gcry_ctx_t, ReleaseContext>;
using Point = OwnedHandle<gcry_mpi_point_t, ReleasePoint>;
using Number = OwnedHandle<gcry_mpi_t, ReleaseNumber>;

// A curve by its identifier, with its order.
struct Curve {
  explicit Curve(std::string_view oid) {
    Initialize();
    const char* name = GcryptCurveName(oid);
    if (name == nullptr) Check(GPG_ERR_UNKNOWN_CURVE);
    // libgcrypt 1.9 named the 2012 curves by their size and added TC26's
    // 256-bit ones.
    const std::u16string feature = u"кривую " + FromUtf8(name);
    Check(gcry_mpi_ec_new(context.Out(), nullptr, name),
          {feature, std::string_view(name).starts_with("GOST2001-") ? "1.7" : "1.9"});
    order.Reset(gcry_mpi_ec_get_mpi("n", context, 1));
    field.Reset(gcry_mpi_ec_get_mpi("p", context, 1));
    if (order == nullptr || field == nullptr) Check(GPG_ERR_UNKNOWN_CURVE);
  }
  size_t OrderBytes() const { return (gcry_mpi_get_nbits(order) + 7) / 8; }
  size_t FieldBytes() const { return (gcry_mpi_get_nbits(field) + 7) / 8; }

  Context context;
  Number order;
  Number field;
};

// A little-endian number into a new MPI; libgcrypt keeps it in secure memory
// because the bytes it reads are there.
void ReadNumber(std::span<const uint8_t> little_endian, Number& number) {
  SecureBytes big_endian(little_endian.size());
  for (size_t i = 0; i < little_endian.size(); ++i) {
    big_endian[i] = little_endian[little_endian.size() - 1 - i];
  }
  Check(
      gcry_mpi_scan(number.Out(), GCRYMPI_FMT_USG, big_endian.data(), big_endian.size(), nullptr));
}

// `number` as `size` little-endian bytes into `out`.
void WriteNumber(gcry_mpi_t number, size_t size, uint8_t* out) {
  SecureBytes big_endian(size);
  size_t written = 0;
  Check(gcry_mpi_print(GCRYMPI_FMT_USG, big_endian.data(), size, &written, number));
  for (size_t i = 0; i < written; ++i) out[i] = big_endian[written - 1 - i];
  std::memset(out + written, 0, size - written);
}

}  // namespace

void ReserveSecureMemory(size_t bytes) { secure_memory_size = std::max(kLeastSecureMemory, bytes); }

std::array<uint8_t, 20> Sha1(std::span<const uint8_t> bytes) {
  Initialize();
  std::array<uint8_t, 20> digest;
  gcry_md_hash_buffer(GCRY_MD_SHA1, digest.data(), bytes.data(), bytes.size());
  return digest;
}

SecureBytes::SecureBytes(size_t size) : size_(size) {
  if (size == 0) return;
  InitializeSecureMemory();
  data_ = static_cast<uint8_t*>(gcry_calloc_secure(size, 1));
  if (data_ == nullptr) throw std::bad_alloc();
}

SecureBytes::SecureBytes(std::span<const uint8_t> bytes) : SecureBytes(bytes.size()) {
  if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

SecureBytes::SecureBytes(SecureBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

SecureBytes& SecureBytes::operator=(SecureBytes&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

SecureBytes::~SecureBytes() { Release(); }

void SecureBytes::Release() {
  if (data_ == nullptr) return;
  Wipe({data_, size_});
  gcry_free(data_);
  data_ = nullptr;
  size_ = 0;
}

struct GostDigest::Handle {
  gcry_md_hd_t md = nullptr;
  int algorithm = 0;
};

GostDigest::GostDigest(GostHash hash) : handle_(std::make_unique<Handle>()) {
  InitializeSecureMemory();
  handle_->algorithm = HashAlgorithm(hash);
  Check(gcry_md_open(&handle_->md, handle_->algorithm, GCRY_MD_FLAG_SECURE),
        kHashFeatures[static_cast<int>(hash)]);
}

GostDigest::~GostDigest() { gcry_md_close(handle_->md); }

size_t GostDigest::Size() const { return gcry_md_get_algo_dlen(handle_->algorithm); }

void GostDigest::Write(std::span<const uint8_t> bytes) {
  gcry_md_write(handle_->md, bytes.data(), bytes.size());
}

void GostDigest::Finish(std::span<uint8_t> out) {
  const unsigned char* digest = gcry_md_read(handle_->md, handle_->algorithm);
  if (digest == nullptr || out.size() != Size()) Check(GPG_ERR_DIGEST_ALGO);
  std::memcpy(out.data(), digest, out.size());
  gcry_md_reset(handle_->md);
}

SecureBytes Gost28147Ecb(GostSbox sbox, std::span<const uint8_t> key, std::span<const uint8_t> data,
                         bool encrypt) {
  InitializeSecureMemory();
  CheckKey(key);
  Cipher cipher;
  Check(gcry_cipher_open(cipher.Out(), GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB,
                         GCRY_CIPHER_SECURE),
        kCipherFeature);
  Check(gcry_cipher_ctl(cipher, GCRYCTL_SET_SBOX, const_cast<char*>(SboxOid(sbox)), 0),
        SboxOf(sbox).feature);
  Check(gcry_cipher_setkey(cipher, key.data(), key.size()));
  SecureBytes out(data.size());
  Check(encrypt ? gcry_cipher_encrypt(cipher, out.data(), out.size(), data.data(), data.size())
                : gcry_cipher_decrypt(cipher, out.data(), out.size(), data.data(), data.size()));
  return out;
}

std::array<uint8_t, 4> Gost28147Mac(GostSbox sbox, std::span<const uint8_t> key,
                                    std::span<const uint8_t> data) {
  // libgcrypt starts the MAC from zeros when no IV is set.
  constexpr uint8_t kZeros[8] = {};
  return Gost28147Mac(sbox, key, kZeros, data);
}

bool IsKnownCurve(std::string_view oid) { return GcryptCurveName(oid) != nullptr; }

SecureBytes MultiplyModOrder(std::string_view oid, std::span<const uint8_t> a,
                             std::span<const uint8_t> b) {
  const Curve curve(oid);
  Number x, y;
  ReadNumber(a, x);
  ReadNumber(b, y);
  Number product;
  product.Reset(gcry_mpi_snew(0));
  gcry_mpi_mulm(product, x, y, curve.order);
  SecureBytes out(curve.OrderBytes());
  WriteNumber(product, out.size(), out.data());
  return out;
}

std::optional<SecureBytes> InvertModOrder(std::string_view oid, std::span<const uint8_t> a) {
  const Curve curve(oid);
  Number x;
  ReadNumber(a, x);
  Number inverse;
  inverse.Reset(gcry_mpi_snew(0));
  if (!gcry_mpi_invm(inverse, x, curve.order)) return std::nullopt;
  SecureBytes out(curve.OrderBytes());
  WriteNumber(inverse, out.size(), out.data());
  return out;
}

std::optional<std::vector<uint8_t>> PublicKeyOf(std::string_view oid, std::span<const uint8_t> d) {
  const Curve curve(oid);
  Number scalar;
  ReadNumber(d, scalar);
  if (gcry_mpi_cmp_ui(scalar, 0) == 0 || gcry_mpi_cmp(scalar, curve.order) >= 0) {
    return std::nullopt;
  }
  Point generator, point;
  generator.Reset(gcry_mpi_ec_get_point("g", curve.context, 1));
  point.Reset(gcry_mpi_point_new(0));
  if (generator == nullptr || point == nullptr) throw std::bad_alloc();
  gcry_mpi_ec_mul(point, scalar, generator, curve.context);
  Number x, y;
  x.Reset(gcry_mpi_new(0));
  y.Reset(gcry_mpi_new(0));
  if (gcry_mpi_ec_get_affine(x, y, point, curve.context) != 0) return std::nullopt;
  const size_t size = curve.FieldBytes();
  std::vector<uint8_t> key(2 * size);
  WriteNumber(x, size, key.data());
  WriteNumber(y, size, key.data() + size);
  return key;
}

void Wipe(std::span<uint8_t> bytes) {
  volatile uint8_t* p = bytes.data();
  for (size_t i = 0; i < bytes.size(); ++i) p[i] = 0;
}

// ---- Password-based encryption, as PFX files use it ----

namespace {

struct DigestAlgorithms {
  int md;
  int hmac;
};

DigestAlgorithms AlgorithmsOf(Digest digest) {
  constexpr DigestAlgorithms kAlgorithms[] = {
      {GCRY_MD_SHA1, GCRY_MAC_HMAC_SHA1},
      {GCRY_MD_SHA256, GCRY_MAC_HMAC_SHA256},
      {GCRY_MD_STRIBOG256, GCRY_MAC_HMAC_STRIBOG256},
      {GCRY_MD_STRIBOG512, GCRY_MAC_HMAC_STRIBOG512},
  };
  return kAlgorithms[static_cast<int>(digest)];
}

void CheckBlocks(std::span<const uint8_t> data) {
  if (data.size() % 8 != 0) Check(GPG_ERR_INV_LENGTH);
}

}  // namespace

size_t DigestSize(Digest digest) {
  Initialize();
  return gcry_md_get_algo_dlen(AlgorithmsOf(digest).md);
}

SecureBytes Hmac(Digest digest, std::span<const uint8_t> key, std::span<const uint8_t> data) {
  InitializeSecureMemory();
  Mac mac;
  Check(gcry_mac_open(mac.Out(), AlgorithmsOf(digest).hmac, GCRY_MAC_FLAG_SECURE, nullptr));
  // HMAC pads a key to its block, so an empty key is the block of zeros.
  static const uint8_t kZero = 0;
  Check(key.empty() ? gcry_mac_setkey(mac, &kZero, 1)
                    : gcry_mac_setkey(mac, key.data(), key.size()));
  Check(gcry_mac_write(mac, data.data(), data.size()));
  SecureBytes value(DigestSize(digest));
  size_t length = value.size();
  Check(gcry_mac_read(mac, value.data(), &length));
  if (length != value.size()) Check(GPG_ERR_INV_LENGTH);
  return value;
}

struct RepeatedDigest::Handle {
  gcry_md_hd_t md = nullptr;
  int algorithm = 0;
};

RepeatedDigest::RepeatedDigest(Digest digest, std::optional<std::span<const uint8_t>> hmacKey)
    : handle_(std::make_unique<Handle>()) {
  InitializeSecureMemory();
  handle_->algorithm = AlgorithmsOf(digest).md;
  const unsigned flags = GCRY_MD_FLAG_SECURE | (hmacKey ? GCRY_MD_FLAG_HMAC : 0);
  Check(gcry_md_open(&handle_->md, handle_->algorithm, flags));
  if (!hmacKey) return;
  // HMAC pads a key to its block, so an empty key is the block of zeros.
  static const uint8_t kZero = 0;
  const gcry_error_t error = hmacKey->empty()
                                 ? gcry_md_setkey(handle_->md, &kZero, 1)
                                 : gcry_md_setkey(handle_->md, hmacKey->data(), hmacKey->size());
  if (error != 0) {
    gcry_md_close(handle_->md);
    Check(error);
  }
}

RepeatedDigest::~RepeatedDigest() { gcry_md_close(handle_->md); }

size_t RepeatedDigest::Size() const { return gcry_md_get_algo_dlen(handle_->algorithm); }

void RepeatedDigest::Write(std::span<const uint8_t> bytes) {
  gcry_md_write(handle_->md, bytes.data(), bytes.size());
}

void RepeatedDigest::Finish(std::span<uint8_t> out) {
  const unsigned char* digest = gcry_md_read(handle_->md, handle_->algorithm);
  if (digest == nullptr || out.size() != Size()) Check(GPG_ERR_DIGEST_ALGO);
  std::memcpy(out.data(), digest, out.size());
  // An HMAC starts over from its key.
  gcry_md_reset(handle_->md);
}

std::optional<GostSbox> GostSboxOf(std::string_view oid) {
  for (size_t i = 0; i < std::size(kSboxes); ++i) {
    if (oid == kSboxes[i].oid) return static_cast<GostSbox>(i);
  }
  return std::nullopt;
}

namespace {

// GOST 28147-89 CFB over `bytes` in place.
void Gost28147CfbInPlace(GostSbox sbox, bool keyMeshing, std::span<const uint8_t> key,
                         std::span<const uint8_t> iv, std::span<uint8_t> bytes, bool encrypt) {
  InitializeSecureMemory();
  CheckKey(key);
  if (iv.size() != 8) Check(GPG_ERR_INV_LENGTH);
  Cipher cipher;
  Check(gcry_cipher_open(cipher.Out(),
                         keyMeshing ? GCRY_CIPHER_GOST28147_MESH : GCRY_CIPHER_GOST28147,
                         GCRY_CIPHER_MODE_CFB, GCRY_CIPHER_SECURE),
        keyMeshing ? kMeshingFeature : kCipherFeature);
  Check(gcry_cipher_ctl(cipher, GCRYCTL_SET_SBOX, const_cast<char*>(SboxOid(sbox)), 0),
        SboxOf(sbox).feature);
  Check(gcry_cipher_setkey(cipher, key.data(), key.size()));
  Check(gcry_cipher_setiv(cipher, iv.data(), iv.size()));
  if (bytes.empty()) return;
  Check(encrypt ? gcry_cipher_encrypt(cipher, bytes.data(), bytes.size(), nullptr, 0)
                : gcry_cipher_decrypt(cipher, bytes.data(), bytes.size(), nullptr, 0));
}

}  // namespace

SecureBytes Gost28147Cfb(GostSbox sbox, bool keyMeshing, std::span<const uint8_t> key,
                         std::span<const uint8_t> iv, std::span<const uint8_t> data, bool encrypt) {
  SecureBytes out(data);
  Gost28147CfbInPlace(sbox, keyMeshing, key, iv, out.Span(), encrypt);
  return out;
}

std::vector<uint8_t> Gost28147CfbEncrypt(GostSbox sbox, bool keyMeshing,
                                         std::span<const uint8_t> key, std::span<const uint8_t> iv,
                                         std::span<const uint8_t> data) {
  std::vector<uint8_t> out(data.begin(), data.end());
  try {
    Gost28147CfbInPlace(sbox, keyMeshing, key, iv, out, true);
  } catch (...) {
    Wipe(out);
    throw;
  }
  return out;
}

std::array<uint8_t, 4> Gost28147Mac(GostSbox sbox, std::span<const uint8_t> key,
                                    std::span<const uint8_t> iv, std::span<const uint8_t> data) {
  InitializeSecureMemory();
  CheckKey(key);
  if (iv.size() != 8) Check(GPG_ERR_INV_LENGTH);
  Mac mac;
  Check(gcry_mac_open(mac.Out(), GCRY_MAC_GOST28147_IMIT, GCRY_MAC_FLAG_SECURE, nullptr),
        kMacFeature);
  const char* oid = SboxOid(sbox);
  Check(gcry_mac_ctl(mac, GCRYCTL_SET_SBOX, const_cast<char*>(oid), std::strlen(oid)),
        SboxOf(sbox).feature);
  Check(gcry_mac_setkey(mac, key.data(), key.size()));
  Check(gcry_mac_setiv(mac, iv.data(), iv.size()));
  Check(gcry_mac_write(mac, data.data(), data.size()));
  std::array<uint8_t, 4> value;
  size_t length = value.size();
  Check(gcry_mac_read(mac, value.data(), &length));
  if (length != value.size()) Check(GPG_ERR_INV_LENGTH);
  return value;
}

SecureBytes CbcCrypt(CbcCipher cipher, std::span<const uint8_t> key, std::span<const uint8_t> iv,
                     std::span<const uint8_t> data, bool encrypt) {
  InitializeSecureMemory();
  const bool des = cipher == CbcCipher::kTripleDes;
  if (key.size() != (des ? 24u : 5u) || iv.size() != 8) Check(GPG_ERR_INV_KEYLEN);
  CheckBlocks(data);
  Cipher handle;
  Check(gcry_cipher_open(handle.Out(), des ? GCRY_CIPHER_3DES : GCRY_CIPHER_RFC2268_40,
                         GCRY_CIPHER_MODE_CBC, GCRY_CIPHER_SECURE));
  Check(gcry_cipher_setkey(handle, key.data(), key.size()));
  Check(gcry_cipher_setiv(handle, iv.data(), iv.size()));
  SecureBytes out(data);
  if (!out.empty()) {
    Check(encrypt ? gcry_cipher_encrypt(handle, out.data(), out.size(), nullptr, 0)
                  : gcry_cipher_decrypt(handle, out.data(), out.size(), nullptr, 0));
  }
  return out;
}

void StrongRandom(std::span<uint8_t> out) {
  InitializeSecureMemory();
  gcry_randomize(out.data(), out.size(), GCRY_STRONG_RANDOM);
}

SecureBytes CryptoProDiversifiedKey(GostSbox sbox, std::span<const uint8_t> key,
                                    std::span<const uint8_t> ukm) {
  CheckKey(key);
  if (ukm.size() != 8) Check(GPG_ERR_INV_LENGTH);
  SecureBytes k(key);
  for (size_t i = 0; i < 8; ++i) {
    // The key's eight 32-bit words summed in two: those whose bit of the
    // UKM's byte is set, and the others; the sums are the IV.
    uint32_t set = 0, clear = 0;
    for (size_t j = 0; j < 8; ++j) {
      const uint32_t word = uint32_t{k[4 * j]} | uint32_t{k[4 * j + 1]} << 8 |
                            uint32_t{k[4 * j + 2]} << 16 | uint32_t{k[4 * j + 3]} << 24;
      (ukm[i] >> j & 1 ? set : clear) += word;
    }
    std::array<uint8_t, 8> iv;
    for (size_t b = 0; b < 4; ++b) {
      iv[b] = static_cast<uint8_t>(set >> 8 * b);
      iv[4 + b] = static_cast<uint8_t>(clear >> 8 * b);
    }
    k = Gost28147Cfb(sbox, false, k.Span(), iv, k.Span(), true);
  }
  return k;
}

SecureBytes KdfGostR3411_2012_256(std::span<const uint8_t> key, std::span<const uint8_t> label,
                                  std::span<const uint8_t> seed) {
  // Neither the label nor the seed is secret.
  std::vector<uint8_t> input = {0x01};
  input.insert(input.end(), label.begin(), label.end());
  input.push_back(0x00);
  input.insert(input.end(), seed.begin(), seed.end());
  input.insert(input.end(), {0x01, 0x00});  // the length, 256 bits, big-endian
  return Hmac(Digest::kStribog256, key, input);
}

}  // namespace quillfen
