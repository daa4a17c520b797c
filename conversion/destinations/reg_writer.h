#pragma once

#include <string>
#include <string_view>

#include "conversion/container_key.h"
#include "host/directory.h"

namespace quillfen {

// One binary value as the registry editor writes it: after each comma that
// brings the line to 77 characters or more, a backslash, a line break and
// two spaces, so that every full continuation line holds 25 bytes.
std::u16string RegEditorHexValue(std::u16string_view name, const std::vector<uint8_t>& bytes);

// Writes the registry editor's export of the key of `key` alone into `file`:
// the byte-order mark, the 5.00 header, an empty line, the key header, one
// binary value per value, an empty line; CR LF breaks, UTF-16LE. Values are
// read and written one at a time, the text a megabyte at a time; a stop
// signal is looked for between values.
void WriteRegEditorExport(ContainerKey& key, NewFile& file);

}  // namespace quillfen
