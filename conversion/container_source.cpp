#include "conversion/container_source.h"

#include "conversion/conversion_error.h"
#include "conversion/export_reader.h"
#include "host/run_time_error.h"
#include "host/text_file.h"

namespace quillfen {

std::unique_ptr<ContainerSource> OpenContainerSource(FileSystem& files, std::u16string_view path) {
  try {
    return std::make_unique<ExportReader>(TextFile::Decode(files.ReadFile(path)), path);
  } catch (const RunTimeError& error) {
    throw SystemError(path, kReadFailed, error);
  }
}

}  // namespace quillfen
