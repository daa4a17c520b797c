#include "conversion/runs/container_info.h"

#include "conversion/contents/info_text.h"
#include "conversion/conversion_error.h"
#include "conversion/runs/convert_containers.h"
#include "conversion/runs/pfx_source.h"
#include "conversion/runs/run_frame.h"

namespace quillfen {

bool ShowContainerInfo(std::u16string_view sourceFile, const ContainerChoice& choice, Host& host,
                       const DateTime& now, std::u16string* text, std::u16string* note,
                       const std::optional<std::u16string>& passwordFile) {
  std::u16string blocks;
  bool any_read = false;
  const bool ran = RunConversion(host, sourceFile, {}, [&](ContainerOutput&) {
    SourceOrPfx opened = OpenSourceOrPfx(host.files, sourceFile);
    if (opened.pfx) {
      PasswordSource passwords(host, passwordFile, std::u16string(sourceFile));
      const OpenedPfx pfx = ReadPfxSource(host, *opened.pfx, sourceFile, passwords);
      blocks = PfxFileBlock(sourceFile, pfx.contents);
      for (const size_t i : ChoosePfxKeys(pfx, choice, sourceFile)) {
        blocks += u"\r\n\r\n" + PfxKeyBlock(pfx.names[i], pfx.contents.keys[i], now);
      }
      any_read = true;
      return;
    }
    const auto& source = opened.containers;
    for (const auto& key : ChooseContainers(*source, choice, sourceFile)) {
      const ContainerContents contents = ReadKeyContents(*key);
      any_read = any_read || contents.header_read || contents.stored_name.has_value();
      // A container directory sits under no user key: its place is itself.
      ContainerPlace place{key->Name(), key->User(), key->Wow64(), {}};
      if (key->User().empty()) place.directory = sourceFile;
      if (!blocks.empty()) blocks += u"\r\n\r\n";
      blocks += InfoBlock(place, contents, now);
    }
    if (note != nullptr) *note = source->Note();
  });
  if (!ran) return false;
  if (!any_read) {
    ShowMessage(
        host.messenger,
        PathMessage(sourceFile, u"Ни один контейнер не удалось прочитать.\r\n\r\n" + blocks),
        MessageStyle::kCritical);
    return false;
  }
  *text = std::move(blocks);
  return true;
}

}  // namespace quillfen
