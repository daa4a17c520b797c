#pragma once

#include <optional>
#include <string>

#include "conversion/converter_args.h"
#include "conversion/sources/container_source.h"

namespace quillfen {

// What a run with options does, with which containers, and where to.
struct Request {
  enum class Action { kConvert, kList, kInstall, kToReg, kInfo, kCert, kExportKey, kExportPfx };

  Action action = Action::kConvert;
  ContainerChoice choice;
  // SourceFile is the export, hive or container directory read; TargetPath
  // what is written (--cert: the directory of the files), empty until a rule
  // fills it.
  ConverterArgs args;

  // --install: the user (nothing: the one who asked) and the key store.
  std::optional<std::u16string> install_user;
  std::u16string keys_dir = u"/var/opt/cprocsp/keys";

  // --to-reg: the user key's SID, the 32-bit view, the container's name.
  // Other actions take --user and the view as part of `choice`.
  std::optional<std::u16string> sid;
  bool wow64 = false;
  std::optional<std::u16string> name;

  // --export-key, --export-pfx, and --info and --cert of a PFX file: where
  // the source's password is read from ("-": standard input); nothing: asked
  // on the terminal when a container or the PFX needs one.
  std::optional<std::u16string> password_file;
  // --export-pfx: where the new files' password is read from; nothing: asked
  // twice on the terminal.
  std::optional<std::u16string> pfx_password_file;
};

}  // namespace quillfen
