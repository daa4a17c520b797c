#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/runs/key_files.h"
#include "conversion/runs/run_frame.h"
#include "conversion/sources/container_source.h"
#include "host/host.h"

namespace quillfen {

// --export-key: which containers of which source, into which directory, and
// where the password comes from.
struct ExportRequest {
  std::u16string source_file;
  ContainerChoice choice;
  std::u16string directory;
  std::optional<std::u16string> password_file;
};

// The private key of each chosen container as NAME.key.pem (PKCS #8, as
// OpenSSL writes GOST keys) and its certificate, when it has one, as
// NAME.cert.pem, NAME being the directory --all would give the container.
// Every key is recovered and proved before any file is written; files are
// new, 0600 and flushed, and a failure leaves nothing of the run. True on
// success; otherwise false after the one message.
// `announce` shows the success message, as the last step of the run.
bool ExportKeys(const ExportRequest& request, Host& host, std::vector<ExportedKey>* exported,
                std::u16string* note = nullptr, const Announce& announce = {});

// The success message: the directory, a line per container with its files
// (the first `mostLines` of them), the word that the key files are not
// encrypted, and a line for each key taken from the backup copy.
std::u16string ExportedKeysText(const std::vector<ExportedKey>& exported,
                                std::u16string_view directory, size_t mostLines);

}  // namespace quillfen
