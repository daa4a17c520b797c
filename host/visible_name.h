#pragma once

#include <string>
#include <string_view>

namespace quillfen {

// `name` as it may be shown: a name read from an export or a hive may hold
// any character, and a control character (U+0000-U+001F, U+007F-U+009F)
// would break a line, add a column, or reach the terminal as a command. They
// become "\t", "\n", "\r" and "\xHH"; so do the units U+DC80-U+DCFF that
// stand for bytes that were no UTF-8, which would go out as those bytes
// again (C2 9B is a command too). Any other surrogate without its pair, the
// controls that turn text around on the screen (U+202A-U+202E,
// U+2066-U+2069, the marks U+200E, U+200F and U+061C) and the line and
// paragraph separators (U+2028, U+2029) become "\uHHHH". With
// `escapeBackslash` a backslash
// becomes "\\" as well, so that the text reads back unambiguously: a --list
// line always splits into its columns. Files and directories keep the real
// characters; only what is shown changes.
std::u16string VisibleName(std::u16string_view name, bool escapeBackslash = false);

// `name` as VisibleName shows it, in the quotes the messages put around
// names: «name».
std::u16string QuotedName(std::u16string_view name);

}  // namespace quillfen
