#include "host/line_end.h"

namespace quillfen {

bool LineEnd::Take(uint8_t byte) {
  const size_t at = taken_++;
  const uint8_t before = previous_;
  previous_ = byte;
  if (at == 1 && before == 0xFF && byte == 0xFE) utf16_ = Order::kLittle;
  if (at == 1 && before == 0xFE && byte == 0xFF) utf16_ = Order::kBig;
  if (utf16_ == Order::kNone) return byte == '\n';
  // A unit is the byte at an even offset and the one after it.
  if (at % 2 == 0) return false;
  const uint8_t low = utf16_ == Order::kLittle ? before : byte;
  const uint8_t high = utf16_ == Order::kLittle ? byte : before;
  if (low != '\n' || high != 0) return false;
  dropped_ = 1;
  return true;
}

}  // namespace quillfen
