#include "conversion/convert_reg_file.h"

#include <new>

#include "conversion/container_source.h"
#include "conversion/conversion_error.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"

namespace quillfen {

bool HasRegistryHeader(std::u16string_view text) {
  return text.starts_with(u"Windows Registry Editor Version 5.00\r\n") ||
         text.starts_with(u"REGEDIT4\r\n");
}

void RefuseExistingTarget(FileSystem& files, std::u16string_view target) {
  bool exists;
  try {
    exists = IsFileOrDirectoryExist(files, target);
  } catch (const RunTimeError&) {
    exists = true;
  }
  if (exists) throw PathError(target, kTargetExists);
}

void ShowFailure(Host& host, ContainerOutput& output, std::u16string_view sourceFile) {
  std::u16string message;
  try {
    throw;
  } catch (const ConversionError& error) {
    message = error.Message();
  } catch (const std::bad_alloc&) {
    message = SystemError(sourceFile, kReadFailed, OutOfMemory()).Message();
  }
  // The disk is as it was before the user reads why.
  output.Rollback();
  ShowMessage(host.messenger, message, MessageStyle::kCritical);
}

bool ConvertRegFile(const ConverterArgs& args, Host& host) {
  return RunConversion(host, args.SourceFile, [&](ContainerOutput& output) {
    RefuseExistingTarget(host.files, args.TargetPath);
    const auto source = OpenContainerSource(host.files, args.SourceFile);
    output.WriteContainer(*source->First(), args.TargetPath);
    output.Sync();
  });
}

}  // namespace quillfen
