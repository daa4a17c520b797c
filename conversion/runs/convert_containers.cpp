#include "conversion/runs/convert_containers.h"

#include "conversion/conversion_error.h"
#include "conversion/destinations/container_names.h"
#include "conversion/destinations/container_output.h"
#include "conversion/runs/run_frame.h"
#include "conversion/sources/container_source.h"
#include "host/path_functions.h"
#include "host/registry_case.h"

namespace quillfen {
namespace {

const char16_t* ViewText(bool wow64) {
  return wow64 ? u"32-битное хранилище (Wow6432Node)" : u"64-битное хранилище";
}

bool Takes(const ContainerChoice& choice, const ChoosablePlace& place) {
  return (!choice.user || SameTextIgnoringCase(place.user, *choice.user)) &&
         (!choice.wow64 || place.wow64 == *choice.wow64);
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

std::u16string NotFoundText(const ContainerChoice& choice, std::u16string_view notFound) {
  std::u16string text(notFound);
  if (choice.kind == ContainerChoice::Kind::kNamed) text += u" " + QuotedName(choice.name);
  return text + NarrowedText(choice) + u".";
}

std::u16string SeveralText(const ContainerChoice& choice,
                           const std::vector<const ChoosablePlace*>& places) {
  std::u16string text = u"В файле реестра несколько разделов с контейнером " +
                        QuotedName(choice.name) +
                        u": выберите один параметрами «--user», «--wow64» или «--native».\r\n";
  for (const auto* place : places) {
    text += u"\r\n" + QuotedName(place->name) + u" — " + WhereText(place->user, place->wow64);
  }
  return text;
}

}  // namespace

std::u16string WhereText(std::u16string_view user, bool wow64) {
  return u"пользователь " + VisibleName(user) + u", " + ViewText(wow64);
}

std::vector<size_t> ChooseAmong(std::span<const ChoosablePlace> all, const ContainerChoice& choice,
                                std::u16string_view sourceFile, std::u16string_view notFound) {
  std::vector<size_t> chosen;
  for (size_t i = 0; i < all.size(); ++i) {
    if (!Takes(choice, all[i])) continue;
    if (choice.kind == ContainerChoice::Kind::kNamed &&
        !SameTextIgnoringCase(all[i].name, choice.name)) {
      continue;
    }
    chosen.push_back(i);
    if (choice.kind == ContainerChoice::Kind::kFirst) break;
  }
  if (chosen.empty()) throw PathError(sourceFile, NotFoundText(choice, notFound));
  if (choice.kind == ContainerChoice::Kind::kNamed && chosen.size() > 1) {
    std::vector<const ChoosablePlace*> several;
    for (const size_t i : chosen) several.push_back(&all[i]);
    throw PathError(sourceFile, SeveralText(choice, several));
  }
  return chosen;
}

std::vector<std::u16string> FileNamesOf(std::span<const ChoosablePlace> all,
                                        std::span<const size_t> chosen,
                                        std::u16string_view directory) {
  DirectoryNamer namer(nullptr, {});
  std::vector<std::optional<std::u16string>> names;
  for (const auto& place : all) names.push_back(namer.Next(place.name));
  std::vector<std::u16string> taken;
  for (const size_t i : chosen) {
    if (!names[i]) throw AllNamesTaken(directory, all[i].name);
    taken.push_back(std::move(*names[i]));
  }
  return taken;
}

namespace {

std::vector<ChoosablePlace> PlacesOf(const std::vector<std::unique_ptr<ContainerKey>>& all) {
  std::vector<ChoosablePlace> places;
  for (const auto& key : all) places.push_back({key->Name(), key->User(), key->Wow64()});
  return places;
}

}  // namespace

std::vector<std::unique_ptr<ContainerKey>> ChooseContainers(ContainerSource& source,
                                                            const ContainerChoice& choice,
                                                            std::u16string_view sourceFile) {
  std::vector<std::unique_ptr<ContainerKey>> keys;
  // As it always was: the first container key, whatever its name.
  if (choice.kind == ContainerChoice::Kind::kFirst && !choice.Narrowed()) {
    keys.push_back(source.First());
    return keys;
  }
  auto all = source.All();
  for (const size_t i : ChooseAmong(PlacesOf(all), choice, sourceFile)) {
    keys.push_back(std::move(all[i]));
  }
  return keys;
}

std::vector<NamedContainer> ChooseNamedContainers(ContainerSource& source,
                                                  const ContainerChoice& choice,
                                                  std::u16string_view sourceFile,
                                                  std::u16string_view directory) {
  auto all = source.All();
  if (all.empty()) throw PathError(sourceFile, kNoContainer);
  const std::vector<ChoosablePlace> places = PlacesOf(all);
  const std::vector<size_t> chosen = ChooseAmong(places, choice, sourceFile);
  std::vector<std::u16string> names = FileNamesOf(places, chosen, directory);
  std::vector<NamedContainer> named;
  for (size_t k = 0; k < chosen.size(); ++k) {
    named.push_back({std::move(all[chosen[k]]), std::move(names[k])});
  }
  return named;
}

bool ConvertOneContainer(const ConverterArgs& args, const ContainerChoice& choice, Host& host,
                         SourceOpener open, bool nameContainer, std::u16string* note,
                         const Announce& announce) {
  return RunConversion(host, args.SourceFile, announce, [&](ContainerOutput& output) {
    RefuseExistingTarget(host.files, args.TargetPath);
    const auto source = open(host.files, args.SourceFile);
    const auto keys = ChooseContainers(*source, choice, args.SourceFile);
    const auto write = [&] { output.WriteContainer(*keys.front(), args.TargetPath); };
    if (nameContainer) {
      ForContainer(*keys.front(), write);
    } else {
      write();
    }
    output.Sync();
    if (note != nullptr) *note = source->Note();
  });
}

bool ConvertChosenContainer(const ConverterArgs& args, const ContainerChoice& choice, Host& host,
                            std::u16string* note, const Announce& announce) {
  return ConvertOneContainer(args, choice, host, OpenSourceOrDirectory, true, note, announce);
}

bool ConvertAllContainers(const ConverterArgs& args, const ContainerChoice& choice, Host& host,
                          std::vector<ConvertedContainer>* converted, std::u16string* note,
                          const Announce& announce) {
  return RunConversion(host, args.SourceFile, announce, [&](ContainerOutput& output) {
    const auto source = OpenSourceOrDirectory(host.files, args.SourceFile);
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
