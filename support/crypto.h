#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace quillfen {

// The one place that speaks to libgcrypt: hashes, ciphers, big numbers and
// curves as plain bytes in and out. Failures of the library are thrown as
// RunTimeError.

// The SHA-1 digest of `bytes`: a certificate's thumbprint as the certificate
// tools print it.
std::array<uint8_t, 20> Sha1(std::span<const uint8_t> bytes);

}  // namespace quillfen
