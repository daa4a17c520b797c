#pragma once

#include <string>
#include <string_view>

namespace quillfen {

// The usage text: the about text, the usage line as it always was, then the
// calls with options and what each option does.
std::u16string UsageText(std::u16string_view executableName);

}  // namespace quillfen
