#include "conversion/convert_containers.h"

#include <array>

#include "conversion/container_names.h"
#include "conversion/container_source.h"
#include "conversion/contents/info_text.h"
#include "conversion/conversion_error.h"
#include "conversion/convert_reg_file.h"
#include "host/path_functions.h"
#include "host/unicode.h"
#include "support/ascii.h"
#include "support/simple_regexp.h"

namespace quillfen {
namespace {

std::vector<std::unique_ptr<ContainerKey>> AllOrRefuse(ContainerSource& source,
                                                       std::u16string_view sourceFile) {
  auto keys = source.All();
  if (keys.empty()) throw PathError(sourceFile, kNoContainer);
  return keys;
}

}  // namespace

std::vector<std::unique_ptr<ContainerKey>> ChooseContainers(ContainerSource& source,
                                                            const ContainerChoice& choice,
                                                            std::u16string_view sourceFile) {
  std::vector<std::unique_ptr<ContainerKey>> keys;
  switch (choice.kind) {
    case ContainerChoice::Kind::kFirst:
      keys.push_back(source.First());
      return keys;
    case ContainerChoice::Kind::kAll:
      return AllOrRefuse(source, sourceFile);
    case ContainerChoice::Kind::kNamed:
      for (auto& key : source.All()) {
        if (!SameTextIgnoringCase(key->Name(), choice.name)) continue;
        keys.push_back(std::move(key));
        return keys;
      }
      throw PathError(sourceFile,
                      u"В файле реестра не найден раздел с контейнером «" + choice.name + u"».");
  }
  return keys;
}

bool ConvertNamedContainer(const ConverterArgs& args, std::u16string_view name, Host& host,
                           std::u16string* note) {
  return RunConversion(host, args.SourceFile, [&](ContainerOutput& output) {
    RefuseExistingTarget(host.files, args.TargetPath);
    const auto source = OpenSourceOrDirectory(host.files, args.SourceFile);
    const ContainerChoice choice{ContainerChoice::Kind::kNamed, std::u16string(name)};
    const auto keys = ChooseContainers(*source, choice, args.SourceFile);
    ForContainer(*keys.front(), [&] { output.WriteContainer(*keys.front(), args.TargetPath); });
    output.Sync();
    if (note != nullptr) *note = source->Note();
  });
}

bool ConvertAllContainers(const ConverterArgs& args, Host& host,
                          std::vector<ConvertedContainer>* converted, std::u16string* note) {
  return RunConversion(host, args.SourceFile, [&](ContainerOutput& output) {
    const auto source = OpenSourceOrDirectory(host.files, args.SourceFile);
    const auto keys = AllOrRefuse(*source, args.SourceFile);
    output.CreateDirectory(args.TargetPath);
    DirectoryNamer namer(&host.files, args.TargetPath);
    std::vector<ConvertedContainer> written;
    for (const auto& key : keys) {
      const auto name = namer.Next(key->Name());
      if (!name) throw PathError(args.TargetPath, kDirectoryFailed);
      const std::u16string directory = BuildFileName2(args.TargetPath, *name, host.files.Style());
      ForContainer(*key, [&] { output.WriteContainer(*key, directory); });
      written.push_back({key->Name(), directory});
    }
    output.Sync();
    *converted = std::move(written);
    if (note != nullptr) *note = source->Note();
  });
}

bool ListContainers(std::u16string_view sourceFile, Host& host, std::u16string* list,
                    std::u16string* note) {
  static constexpr std::array<std::u16string_view, 4> kUsualValues = {u"header.key", u"masks.key",
                                                                      u"name.key", u"primary.key"};
  return RunConversion(host, sourceFile, [&](ContainerOutput&) {
    const auto source = OpenSourceOrDirectory(host.files, sourceFile);
    DirectoryNamer namer(nullptr, {});
    std::u16string lines;
    for (const auto& key : AllOrRefuse(*source, sourceFile)) {
      size_t values = 0;
      std::array<bool, kUsualValues.size()> present{};
      std::vector<ContainerValue> kept;
      ForContainer(*key, [&] {
        while (auto value = key->NextValue()) {
          ++values;
          for (size_t i = 0; i < kUsualValues.size(); ++i) {
            present[i] = present[i] || EqualIgnoringAsciiCase(value->name, kUsualValues[i]);
          }
          // The certificate is all the list reads.
          if (EqualIgnoringAsciiCase(value->name, u"header.key")) kept.push_back(std::move(*value));
        }
      });
      if (!lines.empty()) lines += u"\r\n";
      lines += key->Name() + u"\t" + key->User() + u"\t" + FromUtf8(std::to_string(values)) +
               u"\t" + namer.Next(key->Name()).value_or(u"") + u"\t" +
               CertificateColumns(ReadContainerContents(kept));
      std::u16string missing;
      for (size_t i = 0; i < kUsualValues.size(); ++i) {
        if (present[i]) continue;
        missing += missing.empty() ? u"\tнет: " : u", ";
        missing += kUsualValues[i];
      }
      lines += missing;
    }
    *list = std::move(lines);
    if (note != nullptr) *note = source->Note();
  });
}

}  // namespace quillfen
