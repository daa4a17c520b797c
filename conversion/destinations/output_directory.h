#pragma once

#include <memory>
#include <string_view>

#include "conversion/destinations/container_output.h"
#include "host/directory.h"
#include "host/host.h"

namespace quillfen {

// The directory of a run's files, held open, and whether it was there
// before: else the run made it, with its missing parents.
struct ReachedDirectory {
  std::shared_ptr<Directory> held;
  bool existed = false;
};

// Reaches the POSIX directory `directory` from the root one level at a
// time, each level opened in the one held before it, and makes what is
// missing through `output`, readable as `access` says. A symbolic link on
// the way is read where it lies and what it leads to walked in its place, as
// the kernel walks a path (at most 40 of them, ".." the parent of the
// directory reached); what a link leads to is never made, and a level the
// run made is never followed. With `refuseChangeable` (root without sudo)
// every directory reached must be one no other user could change, and a
// link in a sticky directory must be root's. Throws ConversionError.
ReachedDirectory ReachOutputDirectory(Host& host, ContainerOutput& output,
                                      std::u16string_view directory, FileAccess access,
                                      bool refuseChangeable);

}  // namespace quillfen
