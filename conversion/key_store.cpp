#include "conversion/key_store.h"

#include "conversion/container_names.h"
#include "conversion/container_output.h"
#include "conversion/contents/container_contents.h"
#include "conversion/contents/kept_values.h"
#include "conversion/conversion_error.h"
#include "conversion/convert_reg_file.h"
#include "host/error_reporter.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"

namespace quillfen {
namespace {

constexpr char16_t kWhoAsked[] = u"Не удалось узнать, кто запустил программу.";

Account UserToInstallFor(Accounts& accounts, const std::optional<std::u16string>& asked) {
  std::u16string name;
  Account current;
  std::optional<Account> user;
  try {
    current = accounts.Current();
    name = asked ? *asked : accounts.Caller().name;
    user = accounts.Find(name);
  } catch (const RunTimeError& error) {
    throw ConversionError(ErrorText(
        error, name.empty() ? kWhoAsked : u"Не удалось найти пользователя «" + name + u"»."));
  }
  if (!user) throw ConversionError(u"Пользователь «" + name + u"» не найден.");
  if (current.uid != 0 && user->uid != current.uid) {
    throw ConversionError(u"Установить контейнер в хранилище ключей другого пользователя («" +
                          name + u"») может только root.");
  }
  return *user;
}

}  // namespace

bool InstallContainers(const InstallRequest& request, Host& host, Installation* installation) {
  Accounts& accounts = *host.accounts;
  // The user's directory, when this run makes it, is made with the program's
  // own rights; everything inside it with the user's.
  ContainerOutput as_program(host);
  ContainerOutput as_user(host);
  std::optional<Account> user;
  try {
    user = UserToInstallFor(accounts, request.user);
    bool store_found;
    try {
      store_found = host.files.Kind(request.keys_dir, CallForm::kWide) == FileKind::kDirectory;
    } catch (const RunTimeError&) {
      store_found = false;
    }
    if (!store_found) {
      throw PathError(request.keys_dir,
                      u"Каталог хранилища ключей не найден: КриптоПро CSP здесь не установлен, "
                      u"или каталог указан неверно.");
    }
    const auto source = OpenSourceOrDirectory(host.files, request.source_file);
    const auto keys = ChooseContainers(*source, request.choice, request.source_file);

    Installation done;
    done.user_directory = BuildFileName2(request.keys_dir, user->name, host.files.Style());
    try {
      if (!IsFileOrDirectoryExist(host.files, done.user_directory)) {
        as_program.CreateDirectory(done.user_directory);
        accounts.GiveTo(done.user_directory, *user);
        // Its entry is on the disk before anything goes in.
        as_program.Sync();
      } else if (!accounts.IsPrivateDirectoryOf(done.user_directory, *user)) {
        // Anyone may have put it there in a key store open to all: the
        // user's keys go into no directory another could change.
        throw PathError(done.user_directory,
                        u"Этот каталог хранилища ключей не принадлежит пользователю «" +
                            user->name +
                            u"» или открыт на запись другим: класть в него ключи "
                            u"небезопасно.");
      }
      accounts.ActAs(*user);
    } catch (const RunTimeError& error) {
      throw SystemError(done.user_directory, kDirectoryFailed, error);
    }
    DirectoryNamer namer(&host.files, done.user_directory);
    for (const auto& key : keys) {
      const auto name = namer.Next(key->Name());
      if (!name) throw PathError(done.user_directory, kDirectoryFailed);
      const std::u16string directory =
          BuildFileName2(done.user_directory, *name, host.files.Style());
      KeptValuesKey kept(*key, u"header.key");
      ForContainer(*key, [&] { as_user.WriteContainer(kept, directory); });
      done.containers.push_back(
          {key->Name(), directory, ReadContainerContents(kept.Kept()).HasCertificate()});
    }
    as_user.Sync();
    try {
      accounts.ActAsSelf();
    } catch (const RunTimeError& error) {
      throw SystemError(done.user_directory, kWriteFailed, error);
    }
    done.note = source->Note();
    *installation = std::move(done);
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
