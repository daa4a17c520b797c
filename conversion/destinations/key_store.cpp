#include "conversion/destinations/key_store.h"

#include "conversion/conversion_error.h"
#include "conversion/destinations/key_store_access.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"

namespace quillfen {

std::u16string KeyStore::Open(const std::shared_ptr<Directory>& store,
                              const std::u16string& keysDir, const Account& user) {
  path_ = BuildFileName2(keysDir, user.name, host_.files.Style());
  directory_ = UserDirectory(as_program_, store, keysDir, user, path_);
  user_ = user;
  try {
    host_.accounts->ActAs(*user_);
  } catch (const RunTimeError& error) {
    throw SystemError(path_, kDirectoryFailed, error);
  }
  namer_.emplace(&host_.files, path_);
  return path_;
}

std::u16string KeyStore::NameFor(std::u16string_view containerName) {
  return namer_->Take(containerName);
}

std::u16string KeyStore::Write(const std::u16string& name, ContainerKey& key) {
  as_user_.WriteContainerIn(directory_, path_, name, key);
  return BuildFileName2(path_, name, host_.files.Style());
}

void KeyStore::Finish() {
  as_user_.Sync();
  try {
    host_.accounts->ActAsSelf();
  } catch (const RunTimeError& error) {
    throw SystemError(path_, kWriteFailed, error);
  }
}

void KeyStore::Rollback() {
  Accounts& accounts = *host_.accounts;
  // What the user's rights made goes with the user's rights: the directory
  // is the user's to change under the program's feet, and the program's own
  // rights there could remove what the user points them at.
  bool as_the_user = user_.has_value();
  if (as_the_user) {
    try {
      accounts.ActAs(*user_);
    } catch (const RunTimeError&) {
      as_the_user = false;
    }
  }
  if (as_the_user) as_user_.Rollback();
  try {
    accounts.ActAsSelf();
  } catch (const RunTimeError&) {
  }
  as_program_.Rollback();
}

}  // namespace quillfen
