#pragma once

#include <string>
#include <string_view>

namespace quillfen {

// A library the program runs with cannot do what the run needs: it is older
// than what it lacks, was built without it, or refuses it where it runs.
// The library's facade throws it; the run ends with Message(), which names
// the library, since the file the run reads is not at fault.
class LibraryLacks {
 public:
  // `library` as the message names it, with its version and state
  // ("libgcrypt 1.8.7"); `what` as it follows "не поддерживает"
  // ("ГОСТ 28147-89 MAC"); `needed` the version that has it, or empty when
  // a newer library would not help.
  LibraryLacks(std::u16string_view library, std::u16string_view what, std::u16string_view needed);

  // "Библиотека libgcrypt 1.8.7 не поддерживает ГОСТ 28147-89 MAC (нужна
  // версия 1.9 или новее)."
  const std::u16string& Message() const { return message_; }

 private:
  std::u16string message_;
};

// What libgcrypt or another library called `name` of `version` ("1.8.7"),
// in `state` ("в режиме FIPS") when that is not empty, is told when it lacks
// `what`, which came with version `since`: the version to upgrade to only
// when it is older. One as new was built without it or refuses it, and a
// newer one would not help.
LibraryLacks LacksSince(std::u16string_view name, std::string_view version,
                        std::u16string_view state, std::u16string_view what,
                        std::string_view since);

// True when the dotted version `version` ("1.8.7") comes before `than`
// ("1.9"), compared number by number; a missing number is zero, and the
// comparison stops at the first part that is no number ("1.10.1-beta").
bool IsOlderVersion(std::string_view version, std::string_view than);

}  // namespace quillfen
