#include "conversion/sources/pfx_derivations.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "conversion/pkcs_identifiers.h"
#include "conversion/sources/pfx_encryption.h"
#include "host/unicode.h"

namespace quillfen {
namespace {

[[noreturn]] void TooCostly(const PfxLimits& limits) {
  throw PfxFault{PfxFault::Kind::kDamaged, u"на все его ключи нужно больше " +
                                               FromUtf8(std::to_string(limits.max_rounds)) +
                                               u" итераций"};
}

// The units of `utf8` as UTF-16, big-endian and two zero bytes after them
// (a BMPString) or little-endian; bytes that are no UTF-8 count as U+FFFD.
SecureBytes Utf16Of(std::span<const uint8_t> utf8, bool bmp) {
  const std::string_view text(reinterpret_cast<const char*>(utf8.data()), utf8.size());
  const auto each_unit = [&](const auto& put) {
    for (size_t i = 0; i < text.size();) {
      char32_t c = 0;
      size_t length = DecodeUtf8Sequence(text, i, &c);
      if (length == 0) {
        c = U'\xFFFD';
        length = 1;
      }
      char16_t pair[2];
      const size_t count = EncodeUtf16(c, pair);
      for (size_t k = 0; k < count; ++k) put(pair[k]);
      Wipe({reinterpret_cast<uint8_t*>(pair), sizeof pair});
      i += length;
    }
  };
  // Counted first, so that no form is made larger than it is.
  size_t units = 0;
  each_unit([&](char16_t) { ++units; });
  SecureBytes form(2 * units + (bmp ? 2 : 0));
  size_t at = 0;
  each_unit([&](char16_t unit) {
    form[at + (bmp ? 0 : 1)] = static_cast<uint8_t>(unit >> 8);
    form[at + (bmp ? 1 : 0)] = static_cast<uint8_t>(unit);
    at += 2;
  });
  return form;
}

// The derivations `read` gives; none when what it reads does not decode or
// is refused for anything but its iterations, which the reader refuses in
// its turn, before it derives anything for it.
template <typename Read>
void Take(std::vector<PfxDerivation>& planned, const Read& read) {
  try {
    for (auto& derivation : read()) planned.push_back(std::move(derivation));
  } catch (const DerError&) {
  } catch (const PfxFault& fault) {
    if (fault.kind == PfxFault::Kind::kTooManyIterations) throw;
  }
}

// What the reader reaches of a file: the encrypted parts and keys it
// decrypts before it refuses more, in its order, and the bags of the parts
// in the clear until they are more than it reads.
class Walk {
 public:
  Walk(std::vector<PfxDerivation>& planned, const PfxLimits& limits)
      : planned_(planned), limits_(limits) {}

  bool Done() const { return encrypted_ > kMaxPfxEncryptedParts || bags_ > kMaxPfxBags; }

  void EncryptedPart(const DerStructure& part) {
    if (++encrypted_ > kMaxPfxEncryptedParts) return;
    Take(planned_, [&] {
      const DerStructure data = DerStructure::Decode("EncryptedData", part.Bytes("content"));
      return DerivationsOf(data.ElementDer("encryptedContentInfo.contentEncryptionAlgorithm"),
                           limits_);
    });
  }

  void PartInTheClear(const DerStructure& part) {
    const auto octets = DerStructure::Decode("Data", part.Bytes("content")).Bytes("");
    const auto bags = DerStructure::Decode("SafeContents", octets).ElementsDer({});
    bags_ += bags.size();
    for (size_t i = 0; i < bags.size() && !Done(); ++i) {
      const DerStructure bag = DerStructure::Decode("SafeBag", bags[i]);
      if (bag.Oid("bagId") != kPkcs12ShroudedKeyBag) continue;
      if (++encrypted_ > kMaxPfxEncryptedParts) return;
      Take(planned_, [&] {
        const DerStructure info =
            DerStructure::Decode("EncryptedPrivateKeyInfo", bag.Bytes("bagValue"));
        return DerivationsOf(info.ElementDer("encryptionAlgorithm"), limits_);
      });
    }
  }

 private:
  std::vector<PfxDerivation>& planned_;
  const PfxLimits& limits_;
  size_t encrypted_ = 0;
  size_t bags_ = 0;
};

}  // namespace

uint64_t RoundsOf(const PfxDerivation& derivation) {
  if (derivation.kind == PfxDerivation::Kind::kProvider) return derivation.iterations;
  const size_t size = DigestSize(derivation.digest);
  return uint64_t{derivation.iterations} * ((derivation.length + size - 1) / size);
}

PfxPassword::PfxPassword(std::span<const uint8_t> utf8, const PfxLimits& limits)
    : utf8_(utf8), limits_(limits) {}

const SecureBytes& PfxPassword::Derive(PfxDerivation derivation) {
  using Form = PfxDerivation::Form;
  if (derivation.form == Form::kBmp && bmp_as_no_bytes_) derivation.form = Form::kNoBytes;
  for (const auto& [done, key] : derived_) {
    if (done == derivation) return key;
  }
  const uint64_t rounds = RoundsOf(derivation);
  if (rounds > limits_.max_rounds - std::min(rounds_, limits_.max_rounds)) TooCostly(limits_);
  rounds_ += rounds;
  SecureBytes key = Run(derivation);
  derived_.emplace_back(std::move(derivation), std::move(key));
  return derived_.back().second;
}

void PfxPassword::Plan(std::span<const PfxDerivation> planned) const {
  uint64_t rounds = 0;
  for (auto at = planned.begin(); at != planned.end(); ++at) {
    if (std::find(planned.begin(), at, *at) == at) rounds += RoundsOf(*at);
  }
  if (rounds > limits_.max_rounds) TooCostly(limits_);
}

SecureBytes PfxPassword::Run(const PfxDerivation& derivation) const {
  using Form = PfxDerivation::Form;
  SecureBytes form;
  std::span<const uint8_t> password;
  if (derivation.form == Form::kUtf8) password = utf8_;
  if (derivation.form == Form::kBmp || derivation.form == Form::kUtf16Le) {
    form = Utf16Of(utf8_, derivation.form == Form::kBmp);
    password = form.Span();
  }
  const PfxDerivation& d = derivation;
  switch (d.kind) {
    case PfxDerivation::Kind::kPbkdf2:
      return Pbkdf2(d.digest, password, d.salt, d.iterations, d.length);
    case PfxDerivation::Kind::kPkcs12:
      return Pkcs12Kdf(d.digest, d.purpose, password, d.salt, d.iterations, d.length);
    case PfxDerivation::Kind::kProvider:
      break;
  }
  return CryptoProPfxKey(password, d.salt, d.iterations);
}

void PlanDerivations(const DerStructure& pfx, std::span<const uint8_t> content,
                     const PfxPassword& password, const PfxLimits& limits) {
  std::vector<PfxDerivation> planned;
  if (pfx.Has("macData")) {
    Take(planned,
         [&] { return MacDerivations(pfx.ElementDer("macData"), password.Empty(), limits); });
  }
  Walk walk(planned, limits);
  try {
    const auto parts = DerStructure::Decode("AuthenticatedSafe", content).ElementsDer({});
    for (size_t i = 0; i < parts.size() && !walk.Done(); ++i) {
      const DerStructure part = DerStructure::Decode("ContentInfo", parts[i]);
      const std::string type = part.Oid("contentType");
      if (type == kPkcs7EncryptedData) {
        walk.EncryptedPart(part);
      } else if (type == kPkcs7Data) {
        walk.PartInTheClear(part);
      } else {
        break;  // the reader goes no further
      }
    }
  } catch (const DerError&) {
    // The reader goes no further than this either.
  }
  password.Plan(planned);
}

}  // namespace quillfen
