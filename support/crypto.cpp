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
    if (gcry_check_version(GCRYPT_VERSION) == nullptr) {
      throw RunTimeError(EINVAL, u"libgcrypt is older than the program was built for");
    }
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

int HashAlgorithm(GostHash hash) {
  constexpr int kAlgorithms[] = {GCRY_MD_GOSTR3411_CP, GCRY_MD_STRIBOG256, GCRY_MD_STRIBOG512};
  return kAlgorithms[static_cast<int>(hash)];
}

// The S-boxes by the identifiers libgcrypt knows them under.
const char* SboxOid(GostSbox sbox) {
  return sbox == GostSbox::kCryptoProA ? "1.2.643.2.2.31.1" : "1.2.643.7.1.2.5.1.1";
}

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
    Check(gcry_mpi_ec_new(context.Out(), nullptr, name));
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
  Check(gcry_md_open(&handle_->md, handle_->algorithm, GCRY_MD_FLAG_SECURE));
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
                         GCRY_CIPHER_SECURE));
  Check(gcry_cipher_ctl(cipher, GCRYCTL_SET_SBOX, const_cast<char*>(SboxOid(sbox)), 0));
  Check(gcry_cipher_setkey(cipher, key.data(), key.size()));
  SecureBytes out(data.size());
  Check(encrypt ? gcry_cipher_encrypt(cipher, out.data(), out.size(), data.data(), data.size())
                : gcry_cipher_decrypt(cipher, out.data(), out.size(), data.data(), data.size()));
  return out;
}

std::array<uint8_t, 4> Gost28147Mac(GostSbox sbox, std::span<const uint8_t> key,
                                    std::span<const uint8_t> data) {
  InitializeSecureMemory();
  CheckKey(key);
  Mac mac;
  Check(gcry_mac_open(mac.Out(), GCRY_MAC_GOST28147_IMIT, GCRY_MAC_FLAG_SECURE, nullptr));
  const char* oid = SboxOid(sbox);
  Check(gcry_mac_ctl(mac, GCRYCTL_SET_SBOX, const_cast<char*>(oid), std::strlen(oid)));
  Check(gcry_mac_setkey(mac, key.data(), key.size()));
  Check(gcry_mac_write(mac, data.data(), data.size()));
  std::array<uint8_t, 4> value;
  size_t length = value.size();
  Check(gcry_mac_read(mac, value.data(), &length));
  if (length != value.size()) Check(GPG_ERR_INV_LENGTH);
  return value;
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

}  // namespace quillfen
