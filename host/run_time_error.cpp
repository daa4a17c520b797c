#include "host/run_time_error.h"

#include <cstring>

#include "host/unicode.h"

namespace quillfen {

RunTimeError::RunTimeError(int number, std::u16string description)
    : std::runtime_error(ToUtf8(description)),
      number_(number),
      description_(std::move(description)) {}

RunTimeError RunTimeError::FromSystem(int number) {
  return RunTimeError(number, FromUtf8(std::strerror(number)));
}

}  // namespace quillfen
