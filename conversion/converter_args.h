#pragma once

#include <string>

namespace quillfen {

// The request of one run: the export to read and the directory to create.
struct ConverterArgs {
  std::u16string SourceFile;
  std::u16string TargetPath;
};

}  // namespace quillfen
