#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "conversion/destinations/container_output.h"
#include "host/host.h"

namespace quillfen {

// Shows the success message of a run whose work is done and flushed. It
// throws RunTimeError when the message cannot be written, and the run is then
// undone as after any failure: a success nobody was told of is none.
using Announce = std::function<void()>;

// The one frame every run goes through: its steps, then, after a last look
// for a stop signal, the success message; or, after any failure of either
// (a stop signal and memory that ran out included), everything the steps
// made undone and exactly one message shown, the failure's.
class RunFrame {
 public:
  // `source` is what the run reads: a failure that no step put words to is
  // the read message about it. It must outlive the frame.
  RunFrame(Host& host, std::u16string_view source) : host_(host), source_(source) {}

  // The source as a step came to name it; the same lifetime.
  void NameSource(std::u16string_view source) { source_ = source; }

  // Undoes what a step made, should the run fail. The undos run newest
  // first, before the message is shown; each does its best and throws
  // nothing.
  void OnFailure(std::function<void()> undo) { undos_.push_back(std::move(undo)); }

  // Runs `steps`, then announces the success. True when both finish;
  // otherwise false after the undos and the one message. A message that
  // cannot be written ends in the failure "Не удалось вывести сообщение.".
  template <typename Steps>
  bool Run(Steps&& steps, const Announce& announce) {
    try {
      steps();
      Announced(announce);
      return true;
    } catch (...) {
      Failed();
      return false;
    }
  }

 private:
  static void Announced(const Announce& announce);
  // Within the catch block: the failure's message, the undos, the message
  // shown.
  void Failed();

  Host& host_;
  std::u16string_view source_;
  std::vector<std::function<void()>> undos_;
};

// A run whose steps write through one ContainerOutput, whose rollback thus
// spans the whole run.
template <typename Steps>
bool RunConversion(Host& host, std::u16string_view sourceFile, const Announce& announce,
                   Steps steps) {
  RunFrame frame(host, sourceFile);
  ContainerOutput output(host);
  return frame.Run(
      [&] {
        frame.OnFailure([&] { output.Rollback(); });
        steps(output);
      },
      announce);
}

}  // namespace quillfen
