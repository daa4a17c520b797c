// Any bytes as a PFX file and its password: the file is either read, each
// key a key of its curve, named and shown as --info shows it, or refused
// with one message; nothing else may happen. The first byte is the
// password's length, the password follows, then the file; an empty password
// is the run's without a password file, which needs none asked.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "conversion/contents/info_text.h"
#include "conversion/conversion_error.h"
#include "conversion/sources/pfx_reader.h"
#include "fuzz/fuzz_check.h"
#include "host/registry_case.h"
#include "support/crypto.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillfen;
  if (size == 0) return 0;
  const size_t length = std::min<size_t>(data[0], size - 1);
  const SecureBytes password(std::span(data + 1, length));
  const std::span<const uint8_t> file(data + 1 + length, size - 1 - length);
  (void)IsPfx(file);
  // The seeds' 2000 iterations pass, and their 12,000 rounds at most; a
  // count a mutation made larger is refused before it is spent, and no file
  // spends more rounds than the limit.
  PfxLimits limits;
  limits.max_iterations = 2048;
  limits.max_rounds = 16384;
  const uint64_t rounds = KeyDerivationRounds();
  try {
    std::optional<PfxContents> read;
    if (length == 0) {
      read = ReadPfxWithoutPassword(file, u"/work/in.pfx", limits);
      if (!read) return 0;
    } else {
      read = ReadPfx(file, password, u"/work/in.pfx", limits);
    }
    const PfxContents& contents = *read;
    FUZZ_CHECK(!contents.keys.empty());
    const auto names = PfxKeyNames(contents, u"/work/in.pfx", PathStyle::kPosix);
    FUZZ_CHECK(names.size() == contents.keys.size());
    FUZZ_CHECK(!PfxFileBlock(u"/work/in.pfx", contents).empty());
    FUZZ_CHECK(!contents.mac || (contents.mac->iterations >= 1 &&
                                 contents.mac->iterations <= limits.max_iterations));
    for (const PfxKey& key : contents.keys) {
      FUZZ_CHECK(IsKnownCurve(key.curve));
      FUZZ_CHECK(PublicKeyOf(key.curve, key.d.Span()).has_value());
      FUZZ_CHECK(key.encryption.iterations <= limits.max_iterations);
      FUZZ_CHECK(PfxKeyBlock(names[&key - contents.keys.data()], key, {2026, 1, 1, 0, 0, 0})
                     .starts_with(u"Контейнер «"));
    }
    // Every name chooses one key.
    for (size_t i = 0; i < names.size(); ++i) {
      for (size_t k = 0; k < i; ++k) FUZZ_CHECK(!SameTextIgnoringCase(names[i], names[k]));
    }
  } catch (const ConversionError& error) {
    FUZZ_CHECK(!error.Message().empty());
  }
  FUZZ_CHECK(KeyDerivationRounds() - rounds <= limits.max_rounds);
  return 0;
}
