#pragma once

#include "host/accounts.h"
#include "host/file_system.h"
#include "host/message.h"

namespace quillfen {

// What a conversion may touch: the disk, the user's eyes, and on POSIX the
// system's users.
struct Host {
  FileSystem& files;
  Messenger& messenger;
  Accounts* accounts = nullptr;
};

}  // namespace quillfen
