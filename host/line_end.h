#pragma once

#include <cstddef>
#include <cstdint>

namespace quillfen {

// Where a line read a byte at a time ends, so that nothing after it is
// taken from a shared input. A line of 8-bit text ends at LF; one that
// starts with a UTF-16 byte-order mark ends at the unit LF of its byte
// order, so that a character with a byte 0A in it (Њ, U+040A) stays in the
// line. A CR before the end stays too: the password's decoder drops it as a
// whole unit, never as the high byte of a character (U+0D00-U+0DFF).
class LineEnd {
 public:
  // Takes the next byte read; true when it ends the line. The line is then
  // the bytes taken before it but the last Dropped() of them: the first
  // byte of a UTF-16 LF.
  bool Take(uint8_t byte);
  size_t Dropped() const { return dropped_; }

 private:
  enum class Order { kNone, kLittle, kBig };
  size_t taken_ = 0;
  uint8_t previous_ = 0;
  Order utf16_ = Order::kNone;
  size_t dropped_ = 0;
};

}  // namespace quillfen
