#include "support/library_lacks.h"

#include <cstdint>

#include "host/unicode.h"

namespace quillfen {
namespace {

// The leading number of `text`, which it removes with the dot after it;
// nothing when `text` does not start with a digit.
bool NextNumber(std::string_view& text, uint64_t& number) {
  number = 0;
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9' && digits < 18) {
    number = number * 10 + static_cast<uint64_t>(text[digits] - '0');
    ++digits;
  }
  if (digits == 0) return false;
  text.remove_prefix(digits);
  if (text.starts_with('.')) {
    text.remove_prefix(1);
  } else {
    text = {};
  }
  return true;
}

}  // namespace

LibraryLacks::LibraryLacks(std::u16string_view library, std::u16string_view what,
                           std::u16string_view needed) {
  message_ = u"Библиотека ";
  message_ += library;
  message_ += u" не поддерживает ";
  message_ += what;
  if (!needed.empty()) {
    message_ += u" (нужна версия ";
    message_ += needed;
    message_ += u" или новее)";
  }
  message_ += u'.';
}

LibraryLacks LacksSince(std::u16string_view name, std::string_view version,
                        std::u16string_view state, std::u16string_view what,
                        std::string_view since) {
  std::u16string library(name);
  library += u' ';
  library += FromUtf8(version);
  if (!state.empty()) {
    library += u' ';
    library += state;
  }
  return LibraryLacks(library, what, IsOlderVersion(version, since) ? FromUtf8(since) : u"");
}

bool IsOlderVersion(std::string_view version, std::string_view than) {
  while (!version.empty() || !than.empty()) {
    uint64_t mine = 0, theirs = 0;
    const bool has_mine = version.empty() || NextNumber(version, mine);
    const bool has_theirs = than.empty() || NextNumber(than, theirs);
    if (!has_mine || !has_theirs) return false;
    if (mine != theirs) return mine < theirs;
  }
  return false;
}

}  // namespace quillfen
