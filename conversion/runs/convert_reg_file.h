#pragma once

#include <string>

#include "conversion/converter_args.h"
#include "conversion/runs/run_frame.h"
#include "host/host.h"

namespace quillfen {

// Converts the first container of `args.SourceFile` into the container
// directory `args.TargetPath`. True on success; otherwise false after
// exactly one message, with the disk as it was before the call.
// `note` receives what the source adds to the success message.
bool ConvertRegFile(const ConverterArgs& args, Host& host, std::u16string* note = nullptr,
                    const Announce& announce = {});

}  // namespace quillfen
