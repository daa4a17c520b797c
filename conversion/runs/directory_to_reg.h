#pragma once

#include <string>

#include "conversion/runs/run_frame.h"
#include "host/host.h"

namespace quillfen {

// A container directory back to the registry: --to-reg.
struct ToRegRequest {
  std::u16string directory;
  std::u16string target;  // empty: the directory's path with the extension "reg"
  std::u16string sid;     // the user key the container goes under
  bool wow64 = false;
  std::u16string name;  // empty: the directory's name without its extension
};

// Writes the file the registry editor writes when it exports the key of the
// directory's container alone (the 5.00 header, an empty line, the key
// header, one binary value per value as RegEditorHexValue writes it, an empty
// line; CR LF breaks) as the new file `request.target`, UTF-16LE with a
// byte-order mark, readable by its owner alone and flushed to the disk.
// Values are read and written one at a time, so memory holds one file's
// bytes and little more. Never writes over anything; leaves nothing after a
// failure. False after the one message; `target` receives the file written,
// `note` what the success message adds (the files left out).
bool ConvertDirectoryToReg(const ToRegRequest& request, Host& host, std::u16string* target,
                           std::u16string* note = nullptr, const Announce& announce = {});

}  // namespace quillfen
