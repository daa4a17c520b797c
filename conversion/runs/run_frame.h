#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "conversion/destinations/container_output.h"
#include "host/host.h"

namespace quillfen {

// Shows the success message of a run whose work is done and flushed. It
// throws RunTimeError when the message cannot be written, and the run is then
// undone as after any failure: a success nobody was told of is none.
using Announce = std::function<void()>;

// The last step of a run: stops when a stop signal has come, then announces
// the success. A message that cannot be written ends in the failure
// "Не удалось вывести сообщение.".
void Announced(const Announce& announce);

// Within a catch block: the message of the failure being handled. Memory
// that ran out, or a failure no step put words to, is the read message of
// `sourceFile`.
std::u16string CaughtFailureMessage(std::u16string_view sourceFile);

// Within a catch block of RunConversion: removes what `output` wrote, then
// shows the caught failure's message.
void ShowFailure(Host& host, ContainerOutput& output, std::u16string_view sourceFile);

// Runs `steps` against one output, whose rollback thus spans the whole run,
// then announces the success. True when they finish; otherwise false after
// everything they wrote was removed and the one message shown.
template <typename Steps>
bool RunConversion(Host& host, std::u16string_view sourceFile, const Announce& announce,
                   Steps steps) {
  ContainerOutput output(host);
  try {
    steps(output);
    Announced(announce);
    return true;
  } catch (...) {
    ShowFailure(host, output, sourceFile);
    return false;
  }
}

}  // namespace quillfen
