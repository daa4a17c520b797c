#pragma once

#include "host/accounts.h"
#include "host/console.h"
#include "host/file_system.h"
#include "host/message.h"

namespace quillfen {

// What a conversion may touch: the disk, the user's eyes, on POSIX the
// system's users, and the console a password is asked on.
struct Host {
  FileSystem& files;
  Messenger& messenger;
  Accounts* accounts = nullptr;
  Console* console = nullptr;
};

}  // namespace quillfen
