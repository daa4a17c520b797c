#pragma once

#include <string>

namespace quillfen {

// "1.00.0003": the major number, the minor with two digits at least, the
// revision with four at least.
std::u16string FormatAppVersion(int major, int minor, int revision);
std::u16string FormatAppVersion();

// The title and version, CR LF, the copyright line.
std::u16string GetAboutText();

}  // namespace quillfen
