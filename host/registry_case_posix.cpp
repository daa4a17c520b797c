#include <locale.h>
#include <wctype.h>

#include <cerrno>

#include "host/registry_case.h"
#include "host/run_time_error.h"

namespace quillfen {
namespace {

// The letter case of the C library's C.UTF-8 locale: Unicode's own simple
// mappings, the same whatever language the user has chosen (a Turkish
// locale would turn i into İ), and on Debian always there, in libc-bin. A
// table of our own, written or generated, would be one more copy of Unicode
// to keep right; the C library keeps its copy.
locale_t UnicodeCase() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
  if (locale == locale_t(nullptr)) {
    throw RunTimeError(ENOENT,
                       u"The C.UTF-8 locale, by whose letter case names are compared, is not "
                       u"installed");
  }
  return locale;
}

// Windows' upper-case table, which its registry and its file systems share,
// maps a unit to its capital only where the capital's small letter is that
// unit again: the dotless ı is no I, the long ſ no S, the final ς no Σ, µ no
// Μ. So does this. Letters newer than the running Windows may still differ.
char16_t RegistryUpper(char16_t unit, locale_t locale) {
  if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
  const wint_t upper = towupper_l(unit, locale);
  if (upper > 0xFFFF || towlower_l(upper, locale) != unit) return unit;
  return static_cast<char16_t>(upper);
}

}  // namespace

bool SameTextIgnoringCase(std::u16string_view text, std::u16string_view other) {
  if (text.size() != other.size()) return false;
  const locale_t locale = UnicodeCase();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != other[i] && RegistryUpper(text[i], locale) != RegistryUpper(other[i], locale)) {
      return false;
    }
  }
  return true;
}

}  // namespace quillfen
