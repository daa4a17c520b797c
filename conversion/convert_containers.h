#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/converter_args.h"
#include "conversion/container_source.h"
#include "conversion/conversion_error.h"
#include "host/host.h"

namespace quillfen {

// The containers `choice` names; throws ConversionError when there are none.
std::vector<std::unique_ptr<ContainerKey>> ChooseContainers(ContainerSource& source,
                                                            const ContainerChoice& choice,
                                                            std::u16string_view sourceFile);

// Runs `write` for one container; a failure there also names the container.
template <typename Write>
void ForContainer(const ContainerKey& key, Write write) {
  try {
    write();
  } catch (const ConversionError& error) {
    throw ConversionError(error.Message() + u"\r\n\r\nКонтейнер «" + key.Name() + u"».");
  }
}

// A container written by a run, and where.
struct ConvertedContainer {
  std::u16string name;
  std::u16string directory;
  bool has_certificate = false;
};

// The container called `name`, compared without regard to case as the
// registry compares names, into the new directory `args.TargetPath`.
// `note` receives what the source adds to the success message.
bool ConvertNamedContainer(const ConverterArgs& args, std::u16string_view name, Host& host,
                           std::u16string* note = nullptr);

// Every container of `args.SourceFile`, each into a new directory of its own
// inside `args.TargetPath` (which may exist), named by DirectoryNamer. All or
// nothing: a failure removes everything the run made.
bool ConvertAllContainers(const ConverterArgs& args, Host& host,
                          std::vector<ConvertedContainer>* converted,
                          std::u16string* note = nullptr);

// One line per container, in the source's order: its name, its user key,
// the number of its values, the directory name --all would give it in an
// empty directory, its certificate subject's common name and last day ("—"
// without one), separated by tabs, and when any of the values every
// container has is missing, a tab and "нет: " with their names.
bool ListContainers(std::u16string_view sourceFile, Host& host, std::u16string* list,
                    std::u16string* note = nullptr);

}  // namespace quillfen
