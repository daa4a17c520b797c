#include "host/text_buffer.h"

#include <cstdint>

#include "host/platform.h"

namespace quillfen {

TextBuffer::TextBuffer(size_t capacity)
    : units_(new char16_t[capacity == 0 ? 1 : capacity]), capacity_(capacity) {
  AdviseHugePages(units_.get(), capacity * sizeof(char16_t));
}

}  // namespace quillfen
