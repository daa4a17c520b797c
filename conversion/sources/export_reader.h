#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "conversion/sources/container_source.h"
#include "host/text_file.h"

namespace quillfen {

inline constexpr char16_t kKeyHeaderPattern[] = u"^\\[HKEY_.*?\\]$";
inline constexpr char16_t kContainerKeyPattern[] =
    u"^\\[HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\(Wow6432Node\\\\)?Crypto Pro\\\\Settings\\\\Users\\\\"
    u".*?\\\\Keys\\\\(.*?)\\]$";

// True when `text` starts with a registry export's header line and a line
// break (after the text was brought to CR LF breaks).
bool HasRegistryHeader(std::u16string_view text);

// A registry export as a source of containers: the text is read once and
// looked at where it lies, and each container hands out its values from it.
class ExportReader : public ContainerSource {
 public:
  // Throws ConversionError when the text does not start with an export's
  // header line. `sourceFile` is the path the messages name.
  ExportReader(Text text, std::u16string_view sourceFile);

  // The first key whose header the container pattern matches, whatever its
  // name; its body ends at the next key header.
  std::unique_ptr<ContainerKey> First() override;
  std::vector<std::unique_ptr<ContainerKey>> All() override;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace quillfen
