#include "conversion/runs/install_containers.h"

#include "conversion/contents/container_contents.h"
#include "conversion/contents/container_values.h"
#include "conversion/conversion_error.h"
#include "conversion/destinations/key_store.h"
#include "conversion/destinations/key_store_access.h"
#include "conversion/runs/run_frame.h"
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
  RunFrame frame(host, request.source_file);
  KeyStore store(host);
  return frame.Run(
      [&] {
        frame.OnFailure([&] { store.Rollback(); });
        const Parties parties = PartiesOf(*host.accounts, request.user);
        const auto keys_dir = OpenStore(host.files, request.keys_dir, parties);
        const auto source = ReadSource(host, request.source_file, parties);
        const auto keys = ChooseContainers(*source, request.choice, request.source_file);

        Installation done;
        done.user_directory = store.Open(keys_dir, request.keys_dir, parties.user);
        for (const auto& key : keys) {
          const std::u16string name = store.NameFor(key->Name());
          KeptValuesKey kept(*key, {u"header.key", u"name.key"});
          std::u16string directory;
          ForContainer(*key, [&] { directory = store.Write(name, kept); });
          const ContainerContents contents = ReadContainerContents(kept.Kept());
          done.containers.push_back({contents.stored_name.value_or(key->Name()),
                                     !contents.stored_name, directory, contents.HasCertificate()});
        }
        store.Finish();
        done.note = source->Note();
        *installation = std::move(done);
      },
      announce);
}

}  // namespace quillfen
