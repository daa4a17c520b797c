#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "conversion/destinations/container_output.h"
#include "conversion/recovered_key.h"
#include "conversion/runs/password_source.h"
#include "conversion/sources/container_source.h"
#include "host/host.h"
#include "support/crypto.h"

namespace quillfen {

// The steps --export-key and --export-pfx share: which keys, recovered and
// proved, and their files written.

// A key a run writes into files: whose it is (the container's name, as the
// messages show it), the name its files take (NAME of NAME.key.pem and
// NAME.pfx: the directory name --all would give the container in an empty
// directory), and the key, proved.
struct ChosenKey {
  std::u16string name;
  std::u16string file_name;
  RecoveredKey key;
};

// Every key `choice` takes from `sourceFile`: each chosen container's,
// recovered with a password from `passwords` and proved, or each chosen key
// of a PFX file, read with the source's password from `passwords`; in the
// source's order, and all before anything is written. `directory` is where
// their files go, named in the message when all names are taken. `note`
// receives what the source adds to the success message. Throws
// ConversionError; the masks and keys read are wiped whatever happens.
std::vector<ChosenKey> ChooseKeys(Host& host, std::u16string_view sourceFile,
                                  const ContainerChoice& choice, std::u16string_view directory,
                                  PasswordSource& passwords, std::u16string* note);

// A file of a run that writes keys, and its bytes: a key in secure memory,
// what is no secret alone (a certificate, a PFX under its password) outside.
struct KeyFile {
  std::u16string name;
  SecureBytes secret;
  std::vector<uint8_t> open;

  std::span<const uint8_t> Bytes() const { return secret.empty() ? open : secret.Span(); }
};

// Writes `files` into `directory`, which is made when missing: every name is
// free before anything is written, each file is new and readable by its
// owner alone, and everything is flushed.
void WriteKeyFiles(Host& host, ContainerOutput& output, std::u16string_view directory,
                   const std::vector<KeyFile>& files);

// A key whose files a run wrote: its container's name and its files.
struct ExportedKey {
  std::u16string name;
  std::vector<std::u16string> files;
  bool from_backup = false;
  bool key_alone = false;  // a PFX of a key without a certificate: the message says so
};

// The lines of a success message about `exported`: the directory, a line per
// key with its files (the first `mostLines` of them, a line with the rest's
// number after), `done`, and a line for each key taken from the backup copy.
std::u16string ExportedText(const std::vector<ExportedKey>& exported, std::u16string_view directory,
                            size_t mostLines, std::u16string_view done);

}  // namespace quillfen
