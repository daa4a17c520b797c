#pragma once

#include <string>
#include <string_view>

#include "app/converter_args.h"
#include "host/host.h"

namespace quillfen {

inline constexpr char16_t kKeyHeaderPattern[] = u"^\\[HKEY_.*?\\]$";
inline constexpr char16_t kContainerKeyPattern[] =
    u"^\\[HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\(Wow6432Node\\\\)?Crypto Pro\\\\Settings\\\\Users\\\\"
    u".*?\\\\Keys\\\\(.*?)\\]$";

// Converts the export `args.SourceFile` into the container directory
// `args.TargetPath`. True on success; otherwise false after exactly one
// message, with the disk as it was before the call.
bool ConvertRegFile(const ConverterArgs& args, Host& host);

// True when `text` starts with a registry export's header line and a line
// break (after the text was brought to CR LF breaks).
bool HasRegistryHeader(std::u16string_view text);

}  // namespace quillfen
