#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "conversion/sources/container_source.h"
#include "host/file_system.h"

namespace quillfen {

// A registry hive file, such as Windows/System32/config/SOFTWARE, as a source
// of containers: the keys Crypto Pro\Settings\Users\<user>\Keys\<name> below
// its root and below Wow6432Node, in the hive's order. Values must be binary
// and named as in an export; what else a container holds gets the message a
// line that is no binary value gets.
class HiveReader : public ContainerSource {
 public:
  // Throws ConversionError: the read message when libhivex cannot read it,
  // or when the file was cut short while it was read.
  HiveReader(const FileBytes& file, std::u16string_view sourceFile);

  std::unique_ptr<ContainerKey> First() override;
  std::vector<std::unique_ptr<ContainerKey>> All() override;
  std::u16string Note() const override;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  bool unclean_ = false;
};

}  // namespace quillfen
