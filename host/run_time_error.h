#pragma once

#include <stdexcept>
#include <string>

namespace quillfen {

// A failure of the host: the system's error number and its description.
// Callers that must not fail catch it ("trap" it) and report it.
class RunTimeError : public std::runtime_error {
 public:
  RunTimeError(int number, std::u16string description);

  int Number() const { return number_; }
  const std::u16string& Description() const { return description_; }

  // The error for errno-style `number`, described by the system.
  static RunTimeError FromSystem(int number);

 private:
  int number_;
  std::u16string description_;
};

}  // namespace quillfen
