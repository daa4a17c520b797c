#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "conversion/pfx_contents.h"
#include "conversion/runs/convert_containers.h"
#include "conversion/runs/password_source.h"
#include "host/file_system.h"
#include "host/host.h"

namespace quillfen {

// A PFX file as the source of a run (--info, --cert, --export-key,
// --export-pfx): what it holds, read with the source's password, and the
// names of the containers its keys make.
struct OpenedPfx {
  PfxContents contents;
  std::vector<std::u16string> names;  // one a key, in the file's order
};

// Reads the PFX `bytes` of `sourceFile` with the source's password: the one
// --password-file gives; else none when the file needs none, as the
// provider's exports need none; else the one asked on the terminal. Throws
// ConversionError.
OpenedPfx ReadPfxSource(Host& host, const FileBytes& bytes, std::u16string_view sourceFile,
                        PasswordSource& passwords);

// The keys of `pfx` that `choice` takes, by their places in the file, and
// the names their files take in `directory`, as a container's would. Throws
// ConversionError, about `sourceFile`, when the choice finds none.
struct ChosenPfxKeys {
  std::vector<size_t> keys;
  std::vector<std::u16string> file_names;
};
ChosenPfxKeys ChoosePfxKeys(const OpenedPfx& pfx, const ContainerChoice& choice,
                            std::u16string_view sourceFile, std::u16string_view directory);
// The same without files.
std::vector<size_t> ChoosePfxKeys(const OpenedPfx& pfx, const ContainerChoice& choice,
                                  std::u16string_view sourceFile);

}  // namespace quillfen
