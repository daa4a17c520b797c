#include "conversion/convert_containers.h"

#include "conversion/container_names.h"
#include "conversion/container_output.h"
#include "conversion/conversion_error.h"
#include "conversion/convert_reg_file.h"
#include "host/path_functions.h"
#include "host/registry_case.h"

namespace quillfen {
namespace {

const char16_t* ViewText(bool wow64) {
  return wow64 ? u"32-битное хранилище (Wow6432Node)" : u"64-битное хранилище";
}

bool Takes(const ContainerChoice& choice, const ContainerKey& key) {
  return (!choice.user || SameTextIgnoringCase(key.User(), *choice.user)) &&
         (!choice.wow64 || key.Wow64() == *choice.wow64);
}

// "(пользователь SID, view)" after a text that found nothing, when the
// choice was narrowed.
std::u16string NarrowedText(const ContainerChoice& choice) {
  if (!choice.Narrowed()) return {};
  std::u16string text = u" (";
  if (choice.user) text += u"пользователь " + VisibleName(*choice.user);
  if (choice.user && choice.wow64) text += u", ";
  if (choice.wow64) text += ViewText(*choice.wow64);
  return text + u")";
}

std::u16string NotFoundText(const ContainerChoice& choice) {
  std::u16string text = u"В файле реестра не найден раздел с контейнером";
  if (choice.kind == ContainerChoice::Kind::kNamed) text += u" «" + VisibleName(choice.name) + u"»";
  return text + NarrowedText(choice) + u".";
}

std::u16string SeveralText(const ContainerChoice& choice,
                           const std::vector<std::unique_ptr<ContainerKey>>& keys) {
  std::u16string text = u"В файле реестра несколько разделов с контейнером «" +
                        VisibleName(choice.name) +
                        u"»: выберите один параметрами «--user», «--wow64» или «--native».\r\n";
  for (const auto& key : keys) {
    text += u"\r\n«" + VisibleName(key->Name()) + u"» — " + WhereText(key->User(), key->Wow64());
  }
  return text;
}

}  // namespace

std::u16string WhereText(std::u16string_view user, bool wow64) {
  return u"пользователь " + VisibleName(user) + u", " + ViewText(wow64);
}

std::vector<std::unique_ptr<ContainerKey>> ChooseContainers(ContainerSource& source,
                                                            const ContainerChoice& choice,
                                                            std::u16string_view sourceFile) {
  std::vector<std::unique_ptr<ContainerKey>> keys;
  // As it always was: the first container key, whatever its name.
  if (choice.kind == ContainerChoice::Kind::kFirst && !choice.Narrowed()) {
    keys.push_back(source.First());
    return keys;
  }
  for (auto& key : source.All()) {
    if (!Takes(choice, *key)) continue;
    if (choice.kind == ContainerChoice::Kind::kNamed &&
        !SameTextIgnoringCase(key->Name(), choice.name)) {
      continue;
    }
    keys.push_back(std::move(key));
    if (choice.kind == ContainerChoice::Kind::kFirst) break;
  }
  if (keys.empty()) throw PathError(sourceFile, NotFoundText(choice));
  if (choice.kind == ContainerChoice::Kind::kNamed && keys.size() > 1) {
    throw PathError(sourceFile, SeveralText(choice, keys));
  }
  return keys;
}

bool ConvertChosenContainer(const ConverterArgs& args, const ContainerChoice& choice, Host& host,
                            std::u16string* note, const Announce& announce) {
  return RunConversion(host, args.SourceFile, announce, [&](ContainerOutput& output) {
    RefuseExistingTarget(host.files, args.TargetPath);
    const auto source = OpenContainerSource(host.files, args.SourceFile);
    const auto keys = ChooseContainers(*source, choice, args.SourceFile);
    ForContainer(*keys.front(), [&] { output.WriteContainer(*keys.front(), args.TargetPath); });
    output.Sync();
    if (note != nullptr) *note = source->Note();
  });
}

bool ConvertAllContainers(const ConverterArgs& args, const ContainerChoice& choice, Host& host,
                          std::vector<ConvertedContainer>* converted, std::u16string* note,
                          const Announce& announce) {
  return RunConversion(host, args.SourceFile, announce, [&](ContainerOutput& output) {
    const auto source = OpenContainerSource(host.files, args.SourceFile);
    ContainerChoice all = choice;
    all.kind = ContainerChoice::Kind::kAll;
    const auto keys = ChooseContainers(*source, all, args.SourceFile);
    output.CreateDirectory(args.TargetPath);
    DirectoryNamer namer(&host.files, args.TargetPath);
    std::vector<ConvertedContainer> written;
    for (const auto& key : keys) {
      const std::u16string name = namer.Take(key->Name());
      const std::u16string directory = BuildFileName2(args.TargetPath, name, host.files.Style());
      ForContainer(*key, [&] { output.WriteContainer(*key, directory); });
      written.push_back({key->Name(), directory});
    }
    output.Sync();
    *converted = std::move(written);
    if (note != nullptr) *note = source->Note();
  });
}

}  // namespace quillfen
