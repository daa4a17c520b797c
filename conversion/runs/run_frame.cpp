#include "conversion/runs/run_frame.h"

#include <new>

#include "conversion/conversion_error.h"
#include "host/error_reporter.h"
#include "host/run_time_error.h"
#include "host/stop_signals.h"
#include "support/library_lacks.h"

namespace quillfen {
namespace {

// Within a catch block: the message of the failure being handled. A library
// that lacks what the run needs is named; memory that ran out, or a failure
// no step put words to, is the read message of `sourceFile`.
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

}  // namespace

void RunFrame::Announced(const Announce& announce) {
  StopIfRequested();
  if (!announce) return;
  try {
    announce();
  } catch (const RunTimeError& error) {
    throw ConversionError(ErrorText(error, u"Не удалось вывести сообщение."));
  }
}

void RunFrame::Failed() {
  const std::u16string message = CaughtFailureMessage(source_);
  // The disk is as it was before the user reads why.
  for (auto undo = undos_.rbegin(); undo != undos_.rend(); ++undo) (*undo)();
  undos_.clear();
  ShowMessage(host_.messenger, message, MessageStyle::kCritical);
}

}  // namespace quillfen
