#pragma once

#include <string>
#include <string_view>

namespace quillfen {

// Every line break of `text` (CR LF, a lone LF, a lone CR) as CR LF; an LF
// followed by a CR is two breaks.
std::u16string NormalizeLineBreaks(std::u16string_view text);

// True when NormalizeLineBreaks would change nothing: every CR is followed
// by an LF and every LF follows a CR. Lets a caller keep a text of a
// gigabyte where it is instead of copying it.
bool HasOnlyCrLfLineBreaks(std::u16string_view text);

}  // namespace quillfen
