#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_error.h"
#include "conversion/converter_args.h"
#include "conversion/runs/run_frame.h"
#include "conversion/sources/container_source.h"
#include "host/host.h"
#include "host/visible_name.h"

namespace quillfen {

// What a choice looks at in a container of a source: its name, the user key
// it sits under and its view.
struct ChoosablePlace {
  std::u16string_view name;
  std::u16string_view user;
  bool wow64 = false;
};

// The containers of `all` that `choice` names, by their places in it. Throws
// ConversionError when there are none, `notFound` and the name saying so,
// and when a name matches several containers, with a line about each.
inline constexpr char16_t kNoContainerNamed[] = u"В файле реестра не найден раздел с контейнером";
std::vector<size_t> ChooseAmong(std::span<const ChoosablePlace> all, const ContainerChoice& choice,
                                std::u16string_view sourceFile,
                                std::u16string_view notFound = kNoContainerNamed);

// The directory names --all would give each of `all` in an empty directory,
// for those at the places `chosen`: what names the files made of them
// (NAME.cer, NAME.key.pem). A chosen one left without a name, all thousand
// being taken, is the message that says so about `directory`.
std::vector<std::u16string> FileNamesOf(std::span<const ChoosablePlace> all,
                                        std::span<const size_t> chosen,
                                        std::u16string_view directory);

// The containers `choice` names, as ChooseAmong chooses them.
std::vector<std::unique_ptr<ContainerKey>> ChooseContainers(ContainerSource& source,
                                                            const ContainerChoice& choice,
                                                            std::u16string_view sourceFile);

// Where a container sits, for people: "пользователь SID" and the view.
std::u16string WhereText(std::u16string_view user, bool wow64);

// A chosen container with the directory name --all would give it in an
// empty directory among all of the source's containers, as FileNamesOf
// gives it for files in `directory`.
struct NamedContainer {
  std::unique_ptr<ContainerKey> key;
  std::u16string name;
};
std::vector<NamedContainer> ChooseNamedContainers(ContainerSource& source,
                                                  const ContainerChoice& choice,
                                                  std::u16string_view sourceFile,
                                                  std::u16string_view directory);

// Runs `write` for one container; a failure there also names the container.
template <typename Write>
void ForContainer(const ContainerKey& key, Write write) {
  try {
    write();
  } catch (const ConversionError& error) {
    throw ConversionError(error.Message() + u"\r\n\r\nКонтейнер " + QuotedName(key.Name()) + u".");
  }
}

// A container written by a run, and where.
struct ConvertedContainer {
  std::u16string name;
  std::u16string directory;
  bool has_certificate = false;
};

// The one container `choice` names (the first, or the one called by name,
// compared without regard to case as the registry compares names) into the
// new directory `args.TargetPath`. `note` receives what the source adds to
// the success message.
bool ConvertChosenContainer(const ConverterArgs& args, const ContainerChoice& choice, Host& host,
                            std::u16string* note = nullptr, const Announce& announce = {});

// How a run of one container opens its source: OpenContainerSource, or
// OpenSourceOrDirectory.
using SourceOpener = std::unique_ptr<ContainerSource> (*)(FileSystem&, std::u16string_view);

// The steps of both: the target refused when anything is there, the source
// opened by `open`, the container chosen, written and flushed, the source's
// note kept. `nameContainer`: a failure while writing also names the
// container.
bool ConvertOneContainer(const ConverterArgs& args, const ContainerChoice& choice, Host& host,
                         SourceOpener open, bool nameContainer, std::u16string* note,
                         const Announce& announce);

// Every container `choice` takes (its kind aside) from `args.SourceFile`, each into a new
// directory of its own inside `args.TargetPath` (which may exist), named by
// DirectoryNamer. All or nothing: a failure removes everything the run made.
bool ConvertAllContainers(const ConverterArgs& args, const ContainerChoice& choice, Host& host,
                          std::vector<ConvertedContainer>* converted,
                          std::u16string* note = nullptr, const Announce& announce = {});

}  // namespace quillfen
