#include "conversion/destinations/key_store.h"

#include <cerrno>

#include "conversion/contents/container_contents.h"
#include "conversion/contents/kept_values.h"
#include "conversion/conversion_error.h"
#include "conversion/destinations/container_names.h"
#include "conversion/destinations/container_output.h"
#include "conversion/runs/convert_reg_file.h"
#include "host/directory.h"
#include "host/error_reporter.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/visible_name.h"

namespace quillfen {
namespace {

constexpr char16_t kWhoAsked[] = u"Не удалось узнать, кто запустил программу.";

// Who installs for whom: the user whose store it is, and under sudo the user
// who asked, whose rights bound what the run may read and where it writes.
struct Parties {
  Account user;
  std::optional<Account> sudo_caller;  // not root, behind sudo
};

Account Required(Accounts& accounts, const std::u16string& name) {
  std::optional<Account> found;
  try {
    found = accounts.Find(name);
  } catch (const RunTimeError& error) {
    throw ConversionError(
        ErrorText(error, u"Не удалось найти пользователя " + QuotedName(name) + u"."));
  }
  if (!found) throw ConversionError(u"Пользователь " + QuotedName(name) + u" не найден.");
  return *found;
}

Parties PartiesOf(Accounts& accounts, const std::optional<std::u16string>& asked) {
  Account current;
  std::optional<std::u16string> sudo_name;
  try {
    current = accounts.Current();
    sudo_name = accounts.SudoCaller();
  } catch (const RunTimeError& error) {
    throw ConversionError(ErrorText(error, kWhoAsked));
  }
  Parties parties;
  std::optional<Account> caller;
  if (sudo_name) caller = Required(accounts, *sudo_name);
  parties.user = asked ? Required(accounts, *asked) : caller ? *caller : current;
  if (current.uid != 0 && parties.user.uid != current.uid) {
    throw ConversionError(u"Установить контейнер в хранилище ключей другого пользователя (" +
                          QuotedName(parties.user.name) + u") может только root.");
  }
  if (caller && caller->uid != 0) parties.sudo_caller = caller;
  return parties;
}

// The key store's directory, held open. Under sudo it must be root's and
// closed to writers but root, or one with the sticky bit: else the user who
// asked could have put it there, or could change it under root's hands.
std::shared_ptr<Directory> OpenStore(FileSystem& files, const std::u16string& keys_dir,
                                     const Parties& parties) {
  std::shared_ptr<Directory> store;
  try {
    store = files.OpenDirectory(keys_dir, LastLink::kRefuse);
  } catch (const RunTimeError& error) {
    constexpr char16_t kNotFound[] =
        u"Каталог хранилища ключей не найден: КриптоПро CSP здесь не установлен, или каталог "
        u"указан неверно.";
    if (error.Number() != ENOENT && error.Number() != ENOTDIR) {
      throw SystemError(keys_dir, kNotFound, error);
    }
    // No directory, or a link to one: another could have put the link there.
    bool link = false;
    try {
      link = files.Kind(keys_dir, CallForm::kWide) == FileKind::kDirectory;
    } catch (const RunTimeError&) {
    }
    if (link) throw SystemError(keys_dir, kNotFound, RunTimeError::FromSystem(ELOOP));
    throw PathError(keys_dir, kNotFound);
  }
  if (!parties.sudo_caller) return store;
  Directory::Status status;
  try {
    status = store->Stat();
  } catch (const RunTimeError& error) {
    throw SystemError(keys_dir, kDirectoryFailed, error);
  }
  if (status.owner != 0 || ((status.mode & 022) != 0 && (status.mode & 01000) == 0)) {
    throw PathError(keys_dir,
                    u"Этот каталог хранилища ключей не принадлежит root или открыт на запись "
                    u"другим: класть в него ключи по просьбе другого пользователя небезопасно.");
  }
  return store;
}

// The source as the user who asked may read it, and no more.
// A container directory's values, read whole before anything is written:
// its files are opened by name one at a time, and every one of them with the
// rights the source is read with, never the program's or the user's.
class HeldContainerKey : public ContainerKey {
 public:
  explicit HeldContainerKey(ContainerKey& key) : ContainerKey(key.Name(), key.User(), key.Wow64()) {
    while (auto value = key.NextValue()) values_.push_back(std::move(*value));
  }
  ~HeldContainerKey() override { WipeValues(values_); }

  std::optional<ContainerValue> NextValue() override {
    if (next_ == values_.size()) return std::nullopt;
    return values_[next_++];
  }

 private:
  std::vector<ContainerValue> values_;
  size_t next_ = 0;
};

class HeldSource : public ContainerSource {
 public:
  explicit HeldSource(std::unique_ptr<ContainerKey> key) : key_(std::move(key)) {}
  std::unique_ptr<ContainerKey> First() override { return std::move(key_); }
  std::vector<std::unique_ptr<ContainerKey>> All() override {
    std::vector<std::unique_ptr<ContainerKey>> keys;
    keys.push_back(std::move(key_));
    return keys;
  }

 private:
  std::unique_ptr<ContainerKey> key_;
};

std::unique_ptr<ContainerSource> ReadSource(Host& host, const std::u16string& source,
                                            const Parties& parties) {
  std::unique_ptr<FileBytes> bytes;
  std::unique_ptr<ContainerSource> directory;
  try {
    if (parties.sudo_caller) host.accounts->ActAs(*parties.sudo_caller);
    try {
      bytes = host.files.ReadFile(source);
    } catch (const RunTimeError&) {
      bool is_directory = false;
      try {
        is_directory = host.files.Kind(source, CallForm::kWide) == FileKind::kDirectory;
      } catch (const RunTimeError&) {
      }
      if (!is_directory) throw;
      const auto key = OpenSourceOrDirectory(host.files, source)->First();
      directory = std::make_unique<HeldSource>(std::make_unique<HeldContainerKey>(*key));
    }
    host.accounts->ActAsSelf();
  } catch (...) {
    try {
      host.accounts->ActAsSelf();
    } catch (const RunTimeError&) {
    }
    try {
      throw;
    } catch (const RunTimeError& error) {
      throw SystemError(source, kReadFailed, error);
    }
  }
  if (directory) return directory;
  return OpenContainerSource(std::move(bytes), source);
}

// The user's directory in the store: made when missing, given to the user
// and flushed before anything goes in; when present, only one that is the
// user's own and that no one else may write to.
std::shared_ptr<Directory> UserDirectory(ContainerOutput& as_program,
                                         const std::shared_ptr<Directory>& store,
                                         const std::u16string& keys_dir, const Account& user,
                                         const std::u16string& path) {
  std::shared_ptr<Directory> directory;
  try {
    if (store->Kind(user.name) == FileKind::kMissing) {
      directory = as_program.MakeDirectoryIn(store, keys_dir, user.name);
      directory->GiveTo(user.uid, user.gid);
      as_program.Sync();
      return directory;
    }
    directory = store->OpenDirectory(user.name);
  } catch (const RunTimeError& error) {
    // A link or a file in its place is no directory of the user's.
    if (error.Number() != ELOOP && error.Number() != ENOTDIR) {
      throw SystemError(path, kDirectoryFailed, error);
    }
  }
  Directory::Status status;
  try {
    if (directory) status = directory->Stat();
  } catch (const RunTimeError& error) {
    throw SystemError(path, kDirectoryFailed, error);
  }
  if (!directory || status.owner != user.uid || (status.mode & 022) != 0) {
    // Anyone may have put it there in a key store open to all: the user's
    // keys go into no directory another could change.
    throw PathError(path, u"Этот каталог хранилища ключей не принадлежит пользователю " +
                              QuotedName(user.name) +
                              u" или открыт на запись другим: класть в него ключи небезопасно.");
  }
  return directory;
}

}  // namespace

bool InstallContainers(const InstallRequest& request, Host& host, Installation* installation,
                       const Announce& announce) {
  Accounts& accounts = *host.accounts;
  // The user's directory, when this run makes it, is made with the program's
  // own rights; everything inside it with the user's.
  ContainerOutput as_program(host);
  ContainerOutput as_user(host);
  std::optional<Account> user;
  try {
    const Parties parties = PartiesOf(accounts, request.user);
    const auto store = OpenStore(host.files, request.keys_dir, parties);
    const auto source = ReadSource(host, request.source_file, parties);
    const auto keys = ChooseContainers(*source, request.choice, request.source_file);

    Installation done;
    done.user_directory = BuildFileName2(request.keys_dir, parties.user.name, host.files.Style());
    const auto directory =
        UserDirectory(as_program, store, request.keys_dir, parties.user, done.user_directory);
    user = parties.user;
    try {
      accounts.ActAs(*user);
    } catch (const RunTimeError& error) {
      throw SystemError(done.user_directory, kDirectoryFailed, error);
    }
    DirectoryNamer namer(&host.files, done.user_directory);
    for (const auto& key : keys) {
      const std::u16string name = namer.Take(key->Name());
      KeptValuesKey kept(*key, u"header.key");
      ForContainer(*key,
                   [&] { as_user.WriteContainerIn(directory, done.user_directory, name, kept); });
      done.containers.push_back({key->Name(),
                                 BuildFileName2(done.user_directory, name, host.files.Style()),
                                 ReadContainerContents(kept.Kept()).HasCertificate()});
    }
    as_user.Sync();
    try {
      accounts.ActAsSelf();
    } catch (const RunTimeError& error) {
      throw SystemError(done.user_directory, kWriteFailed, error);
    }
    done.note = source->Note();
    *installation = std::move(done);
    Announced(announce);
    return true;
  } catch (...) {
    const std::u16string message = CaughtFailureMessage(request.source_file);
    // What the user's rights made goes with the user's rights: the
    // directory is the user's to change under the program's feet, and the
    // program's own rights there could remove what the user points them at.
    bool as_the_user = user.has_value();
    if (as_the_user) {
      try {
        accounts.ActAs(*user);
      } catch (const RunTimeError&) {
        as_the_user = false;
      }
    }
    if (as_the_user) as_user.Rollback();
    try {
      accounts.ActAsSelf();
    } catch (const RunTimeError&) {
    }
    as_program.Rollback();
    ShowMessage(host.messenger, message, MessageStyle::kCritical);
    return false;
  }
}

}  // namespace quillfen
