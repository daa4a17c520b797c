#pragma once

#include "host/file_system.h"
#include "host/message.h"

namespace quillfen {

// What a conversion may touch: the disk and the user's eyes.
struct Host {
  FileSystem& files;
  Messenger& messenger;
};

}  // namespace quillfen
