#include "support/crypto.h"

#include <gcrypt.h>

#include <cerrno>

#include "host/run_time_error.h"

namespace quillfen {
namespace {

// libgcrypt must be set up once before its first use, secure memory (which
// is kept out of swap and wiped when freed) included.
void Initialize() {
  static const bool initialized = [] {
    if (gcry_check_version(GCRYPT_VERSION) == nullptr) {
      throw RunTimeError(EINVAL, u"libgcrypt is older than the program was built for");
    }
    gcry_control(GCRYCTL_SUSPEND_SECMEM_WARN);
    gcry_control(GCRYCTL_INIT_SECMEM, 65536, 0);
    gcry_control(GCRYCTL_RESUME_SECMEM_WARN);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)initialized;
}

}  // namespace

std::array<uint8_t, 20> Sha1(std::span<const uint8_t> bytes) {
  Initialize();
  std::array<uint8_t, 20> digest;
  gcry_md_hash_buffer(GCRY_MD_SHA1, digest.data(), bytes.data(), bytes.size());
  return digest;
}

}  // namespace quillfen
