#include "conversion/runs/install_containers.h"

#include "conversion/contents/container_contents.h"
#include "conversion/contents/container_values.h"
#include "conversion/conversion_error.h"
#include "conversion/destinations/container_names.h"
#include "conversion/destinations/container_output.h"
#include "conversion/destinations/key_store_access.h"
#include "conversion/runs/run_frame.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"

namespace quillfen {
namespace {

// The source as the user who asked may read it, and no more.
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
      // The failed read said it is no file: the directory is read as one,
      // whole, before anything is written: its files are opened by name one
      // at a time, and every one of them with the rights the source is read
      // with, never the program's or the user's.
      const auto key = OpenDirectoryContainer(host.files, source);
      auto held =
          std::make_shared<std::unique_ptr<ContainerKey>>(std::make_unique<HeldContainerKey>(*key));
      directory = std::make_unique<OneContainerSource>([held] { return std::move(*held); });
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
