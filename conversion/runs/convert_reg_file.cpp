#include "conversion/runs/convert_reg_file.h"

#include <new>

#include "conversion/conversion_error.h"
#include "conversion/sources/container_source.h"
#include "host/error_reporter.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/stop_signals.h"
#include "support/library_lacks.h"

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

std::u16string CaughtFailureMessage(std::u16string_view sourceFile) {
  try {
    throw;
  } catch (const ConversionError& error) {
    return error.Message();
  } catch (const Stopped& stopped) {
    return u"Работа прервана сигналом " + std::u16string(StopSignalName(stopped.signal)) +
           u": всё, что она успела сделать, удалено.";
  } catch (const LibraryLacks& lacks) {
    // The file is not at fault: the message names the library alone.
    return lacks.Message();
  } catch (const std::bad_alloc&) {
    return SystemError(sourceFile, kReadFailed, OutOfMemory()).Message();
  } catch (const RunTimeError& error) {
    // A failure of the host that no step put words to: the source could not
    // be turned into what was asked.
    return SystemError(sourceFile, kReadFailed, error).Message();
  } catch (...) {
    return PathError(sourceFile, kReadFailed).Message();
  }
}

void ShowFailure(Host& host, ContainerOutput& output, std::u16string_view sourceFile) {
  const std::u16string message = CaughtFailureMessage(sourceFile);
  // The disk is as it was before the user reads why.
  output.Rollback();
  ShowMessage(host.messenger, message, MessageStyle::kCritical);
}

void Announced(const Announce& announce) {
  StopIfRequested();
  if (!announce) return;
  try {
    announce();
  } catch (const RunTimeError& error) {
    throw ConversionError(ErrorText(error, u"Не удалось вывести сообщение."));
  }
}

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
