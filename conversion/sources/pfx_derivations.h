#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <utility>
#include <vector>

#include "conversion/sources/pfx_reader.h"
#include "support/crypto.h"
#include "support/der.h"

namespace quillfen {

// What a PFX's password derives: each derivation a part of the file asks
// for, what it costs, and the keys it gave, kept for the parts that ask for
// the same one again.

struct PfxDerivation {
  enum class Kind : uint8_t { kPbkdf2, kPkcs12, kProvider };
  // The password's form the derivation starts from.
  enum class Form : uint8_t {
    kUtf8,
    kBmp,      // big-endian UTF-16 and two zero bytes
    kNoBytes,  // the empty password's BMPString as nothing, as some writers derive it
    kUtf16Le,
  };
  PfxDerivation() = default;
  PfxDerivation(Kind kind, Form form) : kind(kind), form(form) {}

  Kind kind = Kind::kPbkdf2;
  Form form = Form::kUtf8;
  Digest digest = Digest::kSha1;                // the provider's is GOST R 34.11-94
  Pkcs12Purpose purpose = Pkcs12Purpose::kKey;  // the PKCS #12 derivation's
  std::vector<uint8_t> salt;
  unsigned long iterations = 1;
  size_t length = 32;

  bool operator==(const PfxDerivation&) const = default;
};

// The rounds `derivation` runs, as KeyDerivationRounds counts them: its
// iterations once for each block of the digest that its key takes.
uint64_t RoundsOf(const PfxDerivation& derivation);

// A PFX's password and the keys derived from it. Its forms other than UTF-8
// are made one at a time, as a derivation needs one, and wiped after it:
// the longest password a run takes is 12 KB in UTF-8.
class PfxPassword {
 public:
  // `utf8` must outlive the object; bytes that are no UTF-8 count as U+FFFD
  // in the other forms.
  PfxPassword(std::span<const uint8_t> utf8, const PfxLimits& limits);

  bool Empty() const { return utf8_.empty(); }
  // From now on the BMPString of this empty password is no bytes at all.
  void TakeBmpAsNoBytes() { bmp_as_no_bytes_ = true; }

  // The key `derivation` gives: derived the first time, then kept. Throws
  // PfxFault, kDamaged, before it derives anything that would take the
  // file's rounds past the limit.
  const SecureBytes& Derive(PfxDerivation derivation);

  // Throws the same when the derivations `planned` together, each counted
  // once, would take more rounds than the limit allows.
  void Plan(std::span<const PfxDerivation> planned) const;

 private:
  SecureBytes Run(const PfxDerivation& derivation) const;

  std::span<const uint8_t> utf8_;
  const PfxLimits& limits_;
  bool bmp_as_no_bytes_ = false;
  uint64_t rounds_ = 0;
  // A deque: a key given out stays where it is while more are derived.
  std::deque<std::pair<PfxDerivation, SecureBytes>> derived_;
};

// Refuses, before its first derivation, a file `pfx` (its authenticated
// safe `content`) whose derivations, as far as they show before any is run,
// cost more than `password` may spend: its MAC's, its encrypted parts' and
// those of the keys in its parts in the clear. A key in an encrypted part
// shows only once the part is decrypted, and is counted then. An iteration
// count past the limit is refused too; what does not decode is left for
// the reader to refuse, before it derives anything.
void PlanDerivations(const DerStructure& pfx, std::span<const uint8_t> content,
                     const PfxPassword& password, const PfxLimits& limits);

}  // namespace quillfen
