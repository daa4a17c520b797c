#pragma once

#include <string>

namespace quillfen {

// Every line break of `text` (CR LF, a lone LF, a lone CR) as CR LF; an LF
// followed by a CR is two breaks. Works in place when it can, so a whole
// export is not held twice.
std::u16string NormalizeLineBreaks(std::u16string text);

}  // namespace quillfen
