#pragma once

#include <string_view>

namespace quillfen {

// True when `text` and `other` are the same name to the registry, which
// upper-cases each UTF-16 unit on its own, one unit to one unit, and
// compares the results: nothing expands (ß stays ß), nothing folds (the
// Kelvin sign is no K), and a surrogate stays what it is. Throws
// RunTimeError when the host cannot say what a letter's capital is.
bool SameTextIgnoringCase(std::u16string_view text, std::u16string_view other);

}  // namespace quillfen
