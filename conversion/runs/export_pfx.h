#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/runs/key_files.h"
#include "conversion/runs/run_frame.h"
#include "conversion/sources/container_source.h"
#include "host/host.h"

namespace quillfen {

// --export-pfx: which containers (or keys of a PFX) of which source, into
// which directory, the source's password and the new files' password.
struct PfxExportRequest {
  std::u16string source_file;
  ContainerChoice choice;
  std::u16string directory;
  std::optional<std::u16string> password_file;
  std::optional<std::u16string> pfx_password_file;
};

// What --export-pfx wrote: a line per key, and whether the files' password is
// empty, so that the key in them is protected by nothing.
struct ExportedPfx {
  std::vector<ExportedKey> keys;
  bool unprotected = false;
};

// The key of each chosen container as NAME.pfx in the standard profile that
// Windows, the provider and OpenSSL import, with its certificate when it has
// one; NAME being the directory --all would give the container. Every key is
// recovered and proved, and the files' password had, before any file is
// written; files are new, 0600 and flushed, and a failure leaves nothing of
// the run. True on success; otherwise false after the one message.
bool ExportPfx(const PfxExportRequest& request, Host& host, ExportedPfx* exported,
               std::u16string* note = nullptr, const Announce& announce = {});

// The success message: the directory, a line per key with its file (the
// first `mostLines` of them), and the word that the files are not protected
// when their password is empty.
std::u16string ExportedPfxText(const ExportedPfx& exported, std::u16string_view directory,
                               size_t mostLines);

}  // namespace quillfen
