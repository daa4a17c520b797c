#pragma once

#include <string>
#include <string_view>

namespace quillfen {

// `name` as it may be shown: a name read from an export or a hive may hold
// any character, and a control character (U+0000-U+001F, U+007F-U+009F)
// would break a line, add a column, or reach the terminal as a command. They
// become "\t", "\n", "\r" and "\xHH". With `escapeBackslash` a backslash
// becomes "\\" as well, so that the text reads back unambiguously: a --list
// line always splits into its columns. Files and directories keep the real
// characters; only what is shown changes.
std::u16string VisibleName(std::u16string_view name, bool escapeBackslash = false);

// `name` as VisibleName shows it, in the quotes the messages put around
// names: «name».
std::u16string QuotedName(std::u16string_view name);

}  // namespace quillfen
