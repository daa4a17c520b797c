#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/container_key.h"
#include "conversion/contents/container_contents.h"
#include "conversion/sources/container_source.h"
#include "host/host.h"
#include "support/date_time.h"

namespace quillfen {

// --info: a block per chosen container of `sourceFile` (an export, a hive
// or a container directory), separated by empty lines, into `text`, with
// certificates judged at `now`. A container that cannot be read is said in
// its block; only when none could be read at all, the blocks are the one
// failure message. A PFX file, read with the password of `passwordFile` or
// of the terminal, gives a block of its own and one per chosen key. False
// after the one message.
bool ShowContainerInfo(std::u16string_view sourceFile, const ContainerChoice& choice, Host& host,
                       const DateTime& now, std::u16string* text, std::u16string* note = nullptr,
                       const std::optional<std::u16string>& passwordFile = std::nullopt);

}  // namespace quillfen
