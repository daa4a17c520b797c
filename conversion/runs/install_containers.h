#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/runs/convert_containers.h"
#include "conversion/runs/run_frame.h"
#include "host/host.h"

namespace quillfen {

// Where and for whom --install puts containers.
struct InstallRequest {
  std::u16string source_file;
  ContainerChoice choice;
  std::optional<std::u16string> user;  // nothing: the user who asked
  std::u16string keys_dir;
};

// What --install did: the user's directory in the key store and, for each
// container, the directory made for it and whether it holds a certificate.
struct Installation {
  std::u16string user_directory;
  std::vector<ConvertedContainer> containers;
  std::u16string note;  // what the source adds to the success message
};

// Writes the chosen containers into the key store's directory of the user,
// KEYS_DIR/USER, made when missing, each into a directory named as --all
// names them. Everything made belongs to the user and is readable by the user
// alone, and every step works on directories held open, never on paths
// another user could change between two steps. Under sudo the source is read
// with the rights of the user who asked, and the key store must be root's.
// All or nothing, flushed and announced before success (see RunFrame);
// false after the one message.
bool InstallContainers(const InstallRequest& request, Host& host, Installation* installation,
                       const Announce& announce = {});

}  // namespace quillfen
