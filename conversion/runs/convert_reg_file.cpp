#include "conversion/runs/convert_reg_file.h"

#include "conversion/sources/container_source.h"

namespace quillfen {

bool ConvertRegFile(const ConverterArgs& args, Host& host, std::u16string* note,
                    const Announce& announce) {
  return RunConversion(host, args.SourceFile, announce, [&](ContainerOutput& output) {
    RefuseExistingTarget(host.files, args.TargetPath);
    const auto source = OpenContainerSource(host.files, args.SourceFile);
    output.WriteContainer(*source->First(), args.TargetPath);
    output.Sync();
    if (note != nullptr) *note = source->Note();
  });
}

}  // namespace quillfen
