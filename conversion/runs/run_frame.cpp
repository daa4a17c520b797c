#include "conversion/runs/run_frame.h"

#include <new>

#include "conversion/conversion_error.h"
#include "host/error_reporter.h"
#include "host/run_time_error.h"
#include "host/stop_signals.h"

namespace quillfen {

std::u16string CaughtFailureMessage(std::u16string_view sourceFile) {
  try {
    throw;
  } catch (const ConversionError& error) {
    return error.Message();
  } catch (const Stopped& stopped) {
    return u"Работа прервана сигналом " + std::u16string(StopSignalName(stopped.signal)) +
           u": всё, что она успела сделать, удалено.";
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

}  // namespace quillfen
