#include "conversion/convert_containers.h"

#include <array>

#include "conversion/container_names.h"
#include "conversion/container_source.h"
#include "conversion/conversion_error.h"
#include "conversion/convert_reg_file.h"
#include "host/path_functions.h"
#include "host/unicode.h"
#include "support/simple_regexp.h"

namespace quillfen {
namespace {

// Runs `write` for one container; a failure there says which container.
template <typename Write>
void ForContainer(const ContainerKey& key, Write write) {
  try {
    write();
  } catch (const ConversionError& error) {
    throw ConversionError(error.Message() + u"\r\n\r\nКонтейнер «" + key.Name() + u"».");
  }
}

std::vector<std::unique_ptr<ContainerKey>> AllOrRefuse(ContainerSource& source,
                                                       std::u16string_view sourceFile) {
  auto keys = source.All();
  if (keys.empty()) throw PathError(sourceFile, kNoContainer);
  return keys;
}

bool SameAscii(std::u16string_view a, std::u16string_view b) {
  const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](auto x, auto y) { return lower(x) == lower(y); });
}

}  // namespace

bool ConvertNamedContainer(const ConverterArgs& args, std::u16string_view name, Host& host) {
  return RunConversion(host, args.SourceFile, [&](ContainerOutput& output) {
    RefuseExistingTarget(host.files, args.TargetPath);
    const auto source = OpenContainerSource(host.files, args.SourceFile);
    for (const auto& key : source->All()) {
      if (!SameTextIgnoringCase(key->Name(), name)) continue;
      ForContainer(*key, [&] { output.WriteContainer(*key, args.TargetPath); });
      output.Sync();
      return;
    }
    throw PathError(args.SourceFile, u"В файле реестра не найден раздел с контейнером «" +
                                         std::u16string(name) + u"».");
  });
}

bool ConvertAllContainers(const ConverterArgs& args, Host& host,
                          std::vector<ConvertedContainer>* converted) {
  return RunConversion(host, args.SourceFile, [&](ContainerOutput& output) {
    const auto source = OpenContainerSource(host.files, args.SourceFile);
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
  });
}

bool ListContainers(std::u16string_view sourceFile, Host& host, std::u16string* list) {
  static constexpr std::array<std::u16string_view, 4> kUsualValues = {u"header.key", u"masks.key",
                                                                      u"name.key", u"primary.key"};
  return RunConversion(host, sourceFile, [&](ContainerOutput&) {
    const auto source = OpenContainerSource(host.files, sourceFile);
    DirectoryNamer namer(nullptr, {});
    std::u16string lines;
    for (const auto& key : AllOrRefuse(*source, sourceFile)) {
      size_t values = 0;
      std::array<bool, kUsualValues.size()> present{};
      ForContainer(*key, [&] {
        while (const auto value = key->NextValue()) {
          ++values;
          for (size_t i = 0; i < kUsualValues.size(); ++i) {
            present[i] = present[i] || SameAscii(value->name, kUsualValues[i]);
          }
        }
      });
      if (!lines.empty()) lines += u"\r\n";
      lines += key->Name() + u"\t" + key->User() + u"\t" + FromUtf8(std::to_string(values)) +
               u"\t" + namer.Next(key->Name()).value_or(u"");
      std::u16string missing;
      for (size_t i = 0; i < kUsualValues.size(); ++i) {
        if (present[i]) continue;
        missing += missing.empty() ? u"\tнет: " : u", ";
        missing += kUsualValues[i];
      }
      lines += missing;
    }
    *list = std::move(lines);
  });
}

}  // namespace quillfen
