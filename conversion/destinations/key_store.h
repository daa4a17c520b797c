#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/container_key.h"
#include "conversion/destinations/container_names.h"
#include "conversion/destinations/container_output.h"
#include "host/accounts.h"
#include "host/directory.h"
#include "host/host.h"

namespace quillfen {

// The key store's directory of one user, KEYS_DIR/USER, as --install writes
// containers into it: each into a directory named as --all names them.
// Everything made belongs to the user and is readable by the user alone, and
// every step works on directories held open, never on paths another user
// could change between two steps. The user's directory, when this store
// makes it, is made with the program's own rights; everything inside it with
// the user's.
class KeyStore {
 public:
  explicit KeyStore(Host& host) : host_(host), as_program_(host), as_user_(host) {}

  // The user's directory in `store` (KEYS_DIR, held open and shown as
  // `keysDir`), made when missing, checked when present (UserDirectory);
  // from then on the program acts as the user. Returns the directory's path.
  // Throws ConversionError.
  std::u16string Open(const std::shared_ptr<Directory>& store, const std::u16string& keysDir,
                      const Account& user);

  // The next container's directory name (DirectoryNamer::Take).
  std::u16string NameFor(std::u16string_view containerName);

  // Writes `key` as the new directory `name` of the user's directory; its
  // path.
  std::u16string Write(const std::u16string& name, ContainerKey& key);

  // Flushes what was written to the disk, then acts as the program again.
  void Finish();

  // Removes what was made, newest first; what the user's rights made goes
  // with the user's rights. Best effort, after a failure.
  void Rollback();

 private:
  Host& host_;
  ContainerOutput as_program_;
  ContainerOutput as_user_;
  std::optional<Account> user_;
  std::shared_ptr<Directory> directory_;
  std::u16string path_;
  std::optional<DirectoryNamer> namer_;
};

}  // namespace quillfen
