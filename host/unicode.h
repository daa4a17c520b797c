#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillfen {

// UTF-8 <-> UTF-16. Bytes that are not valid UTF-8 become the lone
// surrogates U+DC80..U+DCFF and turn back into the same bytes, so a POSIX
// file name of any bytes survives the trip through the program's text.
std::u16string FromUtf8(std::string_view bytes);
std::string ToUtf8(std::u16string_view text);

// False when `text` holds a surrogate that is not half of a pair: no
// character, and on POSIX what bytes that are no UTF-8 became.
bool IsValidUtf16(std::u16string_view text);

// The sequence at `bytes[i]`: its length (1 to 4) with its code point in
// `*code_point`, or 0 when it is not well-formed or not complete.
size_t DecodeUtf8Sequence(std::string_view bytes, size_t i, char32_t* code_point);

// How many bytes a sequence with this lead byte has: 1 to 4, or 0 for a byte
// that leads none.
size_t Utf8SequenceLength(unsigned char lead);

// True when `bytes` are well-formed UTF-8 from start to end.
bool IsValidUtf8(std::string_view bytes);

// The code point `c` (at most U+10FFFF) as UTF-16 into `units`: one unit, or
// a surrogate pair above U+FFFF. How many units it took.
size_t EncodeUtf16(char32_t c, char16_t units[2]);

// The code point `c` (at most U+10FFFF) as UTF-8 into `bytes`; how many
// bytes it took.
size_t EncodeUtf8(char32_t c, uint8_t bytes[4]);

}  // namespace quillfen
