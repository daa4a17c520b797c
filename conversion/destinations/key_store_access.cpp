#include "conversion/destinations/key_store_access.h"

#include <cerrno>

#include "conversion/conversion_error.h"
#include "host/error_reporter.h"
#include "host/run_time_error.h"
#include "host/visible_name.h"

namespace quillfen {
namespace {

constexpr char16_t kWhoAsked[] = u"Не удалось узнать, кто запустил программу.";

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

}  // namespace

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

}  // namespace quillfen
