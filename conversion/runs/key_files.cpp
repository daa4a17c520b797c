#include "conversion/runs/key_files.h"

#include "conversion/contents/container_values.h"
#include "conversion/contents/private_key_recovery.h"
#include "conversion/destinations/output_files.h"
#include "conversion/runs/container_list.h"
#include "conversion/runs/convert_containers.h"
#include "conversion/runs/pfx_source.h"
#include "host/visible_name.h"
#include "support/joined.h"

namespace quillfen {
namespace {

constexpr char16_t kKeyWriteFailed[] = u"Не удалось записать файл ключа.";

// A container's values, wiped when they go, whatever ends their use: masks
// and masked keys do not stay behind in memory given back.
struct WipedValues {
  std::vector<ContainerValue> values;
  ~WipedValues() { WipeValues(values); }
};

}  // namespace

std::vector<ChosenKey> ChooseKeys(Host& host, std::u16string_view sourceFile,
                                  const ContainerChoice& choice, std::u16string_view directory,
                                  PasswordSource& passwords, std::u16string* note) {
  SourceOrPfx opened = OpenSourceOrPfx(host.files, sourceFile);
  std::vector<ChosenKey> keys;
  if (opened.pfx) {
    OpenedPfx pfx = ReadPfxSource(host, *opened.pfx, sourceFile, passwords);
    ChosenPfxKeys chosen = ChoosePfxKeys(pfx, choice, sourceFile, directory);
    for (size_t k = 0; k < chosen.keys.size(); ++k) {
      const size_t i = chosen.keys[k];
      keys.push_back(
          {pfx.names[i], std::move(chosen.file_names[k]), std::move(pfx.contents.keys[i])});
    }
    return keys;
  }
  const auto& source = opened.containers;
  const auto containers = ChooseNamedContainers(*source, choice, sourceFile, directory);
  ReserveKeyMemory(containers.size());
  for (const auto& chosen : containers) {
    WipedValues read;
    ForContainer(*chosen.key, [&] { read.values = ReadAllValues(*chosen.key); });
    keys.push_back({chosen.key->Name(), chosen.name,
                    RecoverKey(read.values, passwords, sourceFile, chosen.key->Name())});
  }
  if (note != nullptr) *note = source->Note();
  return keys;
}

void WriteKeyFiles(Host& host, ContainerOutput& output, std::u16string_view directory,
                   const std::vector<KeyFile>& files) {
  std::vector<OutputFile> output_files;
  for (const auto& file : files) output_files.push_back({file.name, file.Bytes()});
  WriteOutputFiles(host, output, directory, output_files, FileAccess::kOwnerOnly, kKeyWriteFailed);
}

std::u16string ExportedText(const std::vector<ExportedKey>& exported, std::u16string_view directory,
                            size_t mostLines, std::u16string_view done) {
  std::vector<std::u16string> lines;
  std::u16string backups;
  for (const auto& key : exported) {
    lines.push_back(QuotedName(key.name) + u" → " + Joined(key.files, u", ") +
                    (key.key_alone ? u" (только ключ: сертификата нет)" : u""));
    if (key.from_backup) {
      backups += u"\r\nКлюч контейнера " + QuotedName(key.name) +
                 u" взят из резервной копии (masks2.key, primary2.key): основная повреждена.";
    }
  }
  return PathMessage(directory,
                     ShownLines(lines, mostLines) + u"\r\n\r\n" + std::u16string(done) + backups);
}

}  // namespace quillfen
