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

// A container --install wrote: its name as the key store lists it, which is
// the one in its name.key (a copied key keeps the old name there), or the
// source's name for it when name.key could not be read; the directory made
// for it, and whether it holds a certificate.
struct InstalledContainer {
  std::u16string name;
  bool name_key_unread = false;
  std::u16string directory;
  bool has_certificate = false;
};

// What --install did: the user's directory in the key store and each
// container it wrote.
struct Installation {
  std::u16string user_directory;
  std::vector<InstalledContainer> containers;
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
