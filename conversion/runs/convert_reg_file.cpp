#include "conversion/runs/convert_reg_file.h"

#include "conversion/runs/convert_containers.h"
#include "conversion/sources/container_source.h"

namespace quillfen {

bool ConvertRegFile(const ConverterArgs& args, Host& host, std::u16string* note,
                    const Announce& announce) {
  // As it always was: a directory is no export, and a bad value names no
  // container, there being only the one.
  return ConvertOneContainer(args, ContainerChoice(), host, OpenContainerSource, false, note,
                             announce);
}

}  // namespace quillfen
