#pragma once

#include <memory>
#include <optional>
#include <string>

#include "conversion/destinations/container_output.h"
#include "host/accounts.h"
#include "host/directory.h"
#include "host/file_system.h"

namespace quillfen {

// Who installs for whom: the user whose store it is, and under sudo the user
// who asked, whose rights bound what the run may read and where it writes.
struct Parties {
  Account user;
  std::optional<Account> sudo_caller;  // not root, behind sudo
};

// The parties of an installation for `asked` (nothing: the user who asked).
// Throws ConversionError when a user is not found, or when one who is not
// root asks for another user's store.
Parties PartiesOf(Accounts& accounts, const std::optional<std::u16string>& asked);

// The key store's directory, held open and never through a link. Under
// sudo it must be root's and closed to writers but root, or one with the
// sticky bit: else the user who asked could have put it there, or could
// change it under root's hands. Throws ConversionError.
std::shared_ptr<Directory> OpenStore(FileSystem& files, const std::u16string& keys_dir,
                                     const Parties& parties);

// The user's directory in the store, whose path messages show as `path`:
// made by `as_program` when missing, given to the user and flushed before
// anything goes in; when present, only one that is the user's own and that
// no one else may write to. Throws ConversionError.
std::shared_ptr<Directory> UserDirectory(ContainerOutput& as_program,
                                         const std::shared_ptr<Directory>& store,
                                         const std::u16string& keys_dir, const Account& user,
                                         const std::u16string& path);

}  // namespace quillfen
