// The keys PFX files derive from their passwords: PBKDF2, the PKCS #12
// derivation and the CryptoPro provider's own, on the digests of the crypto
// facade. Each runs its rounds in steps and looks for a stop signal between
// two: a file may ask for a million rounds of a slow digest, seconds of
// work that no library call would let Ctrl-C cut short.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "host/run_time_error.h"
#include "host/stop_signals.h"
#include "support/crypto.h"

namespace quillfen {
namespace {

// The slowest round, an HMAC of Streebog, takes some microseconds: a step
// takes milliseconds, and a stop signal waits no longer.
constexpr unsigned long kRoundsAStep = 1024;

uint64_t rounds_run = 0;

// Each of these digests works on 64-byte blocks; the PKCS #12 derivation
// fills its input to them.
constexpr size_t kDigestBlock = 64;

void CheckIterations(unsigned long iterations) {
  if (iterations == 0) throw RunTimeError(EINVAL, u"libgcrypt: no iterations");
}

// `round(i)` for i from 0 to `count` - 1, a step at a time.
template <typename Round>
void RunRounds(unsigned long count, const Round& round) {
  for (unsigned long done = 0; done < count;) {
    const unsigned long step = std::min(count - done, kRoundsAStep);
    for (unsigned long i = done; i < done + step; ++i) round(i);
    done += step;
    rounds_run += step;
    StopIfRequested();
  }
}

// `value` + `addend` + 1 modulo 2^(8·size), both big-endian, into `value`.
void AddPlusOne(std::span<uint8_t> value, std::span<const uint8_t> addend) {
  unsigned carry = 1;
  for (size_t i = value.size(); i-- > 0;) {
    carry += value[i] + addend[i];
    value[i] = static_cast<uint8_t>(carry);
    carry >>= 8;
  }
}

}  // namespace

uint64_t KeyDerivationRounds() { return rounds_run; }

SecureBytes Pbkdf2(Digest digest, std::span<const uint8_t> password, std::span<const uint8_t> salt,
                   unsigned long iterations, size_t length) {
  CheckIterations(iterations);
  RepeatedDigest hmac(digest, password);
  const size_t size = hmac.Size();
  SecureBytes out(length), u(size), t(size);
  for (uint32_t block = 1; size_t{block - 1} * size < length; ++block) {
    const std::array<uint8_t, 4> index = {uint8_t(block >> 24), uint8_t(block >> 16),
                                          uint8_t(block >> 8), uint8_t(block)};
    std::fill_n(t.data(), size, uint8_t{0});
    // U1 = HMAC(salt ‖ INT(block)), U(i+1) = HMAC(U(i)); the block is the
    // sum of all of them.
    RunRounds(iterations, [&](unsigned long i) {
      if (i == 0) {
        hmac.Write(salt);
        hmac.Write(index);
      } else {
        hmac.Write(u.Span());
      }
      hmac.Finish(u.Span());
      for (size_t k = 0; k < size; ++k) t[k] ^= u[k];
    });
    const size_t at = size_t{block - 1} * size;
    std::memcpy(out.data() + at, t.data(), std::min(size, length - at));
  }
  return out;
}

SecureBytes Pkcs12Kdf(Digest digest, Pkcs12Purpose purpose, std::span<const uint8_t> bmpPassword,
                      std::span<const uint8_t> salt, unsigned long iterations, size_t length) {
  CheckIterations(iterations);
  RepeatedDigest hash(digest);
  const size_t u = hash.Size(), v = kDigestBlock;
  // I = the salt, then the password, each repeated to a whole number of
  // blocks.
  const auto filled = [](std::span<const uint8_t> bytes) {
    return (bytes.size() + kDigestBlock - 1) / kDigestBlock * kDigestBlock;
  };
  SecureBytes input(filled(salt) + filled(bmpPassword));
  for (size_t i = 0; i < filled(salt); ++i) input[i] = salt[i % salt.size()];
  for (size_t i = 0; i < filled(bmpPassword); ++i) {
    input[filled(salt) + i] = bmpPassword[i % bmpPassword.size()];
  }
  std::array<uint8_t, kDigestBlock> diversifier;
  diversifier.fill(static_cast<uint8_t>(purpose));

  SecureBytes out(length), a(u), b(v);
  for (size_t at = 0; at < length; at += u) {
    RunRounds(iterations, [&](unsigned long round) {
      if (round == 0) {
        hash.Write(diversifier);
        hash.Write(input.Span());
      } else {
        hash.Write(a.Span());
      }
      hash.Finish(a.Span());
    });
    std::memcpy(out.data() + at, a.data(), std::min(u, length - at));
    for (size_t i = 0; i < v; ++i) b[i] = a[i % u];
    for (size_t block = 0; block < input.size(); block += v) {
      AddPlusOne(input.Span().subspan(block, v), b.Span());
    }
  }
  return out;
}

SecureBytes CryptoProPfxKey(std::span<const uint8_t> utf16lePassword, std::span<const uint8_t> salt,
                            unsigned long iterations) {
  CheckIterations(iterations);
  GostDigest digest(GostHash::kR3411_94CryptoPro);
  SecureBytes k(utf16lePassword);
  SecureBytes next(digest.Size());
  RunRounds(iterations, [&](unsigned long round) {
    const unsigned long i = round + 1;
    const std::array<uint8_t, 2> counter = {static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
    digest.Write(k.Span());
    digest.Write(salt);
    digest.Write(counter);
    digest.Finish(next.Span());
    std::swap(k, next);
    if (next.size() != k.size()) next = SecureBytes(k.size());
  });
  return k;
}

}  // namespace quillfen
