#include "conversion/runs/pfx_source.h"

#include <algorithm>

#include "conversion/contents/private_key_recovery.h"
#include "conversion/sources/pfx_reader.h"
#include "host/path_functions.h"

namespace quillfen {

OpenedPfx ReadPfxSource(Host& host, const FileBytes& bytes, std::u16string_view sourceFile,
                        PasswordSource& passwords) {
  const std::span<const uint8_t> pfx = bytes.Octets();
  // What a PFX holds in secret, decrypted and then held as keys until they
  // are written, is bounded by the file's size; a larger file is refused.
  // Its password's forms come on top, as long as the longest password.
  ReserveKeyMemory(0, 4 * std::min(pfx.size(), kMaxPfxSize + 1) + kPfxPasswordMemory);
  OpenedPfx opened;
  std::optional<PfxContents> read;
  if (!passwords.File()) read = ReadPfxWithoutPassword(pfx, sourceFile);
  if (!read) {
    const SecureBytes password =
        Utf8Of(passwords.GetForPfx(LastPathElement(sourceFile, host.files.Style())));
    read = ReadPfx(pfx, password, sourceFile);
  }
  bytes.Verify();
  opened.contents = std::move(*read);
  opened.names = PfxKeyNames(opened.contents, sourceFile, host.files.Style());
  return opened;
}

namespace {

// What a choice of a PFX's key that finds none says.
constexpr char16_t kNoPfxKeyNamed[] = u"В файле PFX не найден ключ";

// The keys of `pfx` as a choice sees them: named, under no user key.
std::vector<ChoosablePlace> PlacesOf(const OpenedPfx& pfx) {
  std::vector<ChoosablePlace> places;
  for (const auto& name : pfx.names) places.push_back({name, {}, false});
  return places;
}

}  // namespace

ChosenPfxKeys ChoosePfxKeys(const OpenedPfx& pfx, const ContainerChoice& choice,
                            std::u16string_view sourceFile, std::u16string_view directory) {
  const auto places = PlacesOf(pfx);
  ChosenPfxKeys chosen{ChooseAmong(places, choice, sourceFile, kNoPfxKeyNamed), {}};
  chosen.file_names = FileNamesOf(places, chosen.keys, directory);
  return chosen;
}

std::vector<size_t> ChoosePfxKeys(const OpenedPfx& pfx, const ContainerChoice& choice,
                                  std::u16string_view sourceFile) {
  return ChooseAmong(PlacesOf(pfx), choice, sourceFile, kNoPfxKeyNamed);
}

}  // namespace quillfen
