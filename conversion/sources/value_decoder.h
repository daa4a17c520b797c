#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen {

// A container key's value line: a quoted name of two runs of letters or
// digits joined by a full stop, "=hex:", and the bytes.
inline constexpr char16_t kValueLinePattern[] =
    u"^\"([a-z0-9]+\\.[a-z0-9]+)\"=hex:([a-f0-9,\\\\]+)$";

// The name part of that pattern alone, for values that come without a line.
inline constexpr char16_t kValueNamePattern[] = u"^[a-z0-9]+\\.[a-z0-9]+$";

// True for a name that the value-line pattern takes as a value's name.
bool IsContainerValueName(std::u16string_view name);

// The key body as value lines: every line after the first loses its leading
// spaces, and a backslash right before a line break joins its line with the
// next (in one pass: a backslash that only this joining brings to a line's
// end stays). Tabs stay where they are.
std::u16string JoinContinuationLines(std::u16string_view body);

// The bytes of a value's data text: one byte per comma-separated item, each
// exactly two hexadecimal digits. No value when any item is not.
std::optional<std::vector<uint8_t>> DecodeHexItems(std::u16string_view data);

}  // namespace quillfen
