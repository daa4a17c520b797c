#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace quillfen {

// Room for a decoded text whose greatest length is known before it is
// written. It is not cleared, since every unit is written before it is read,
// and a large one is given huge pages, so that filling a gigabyte costs a
// few hundred page faults instead of a quarter of a million.
class TextBuffer {
 public:
  TextBuffer() = default;
  // Throws std::bad_alloc.
  explicit TextBuffer(size_t capacity);

  char16_t* Data() { return units_.get(); }
  size_t Capacity() const { return capacity_; }
  size_t Length() const { return length_; }
  void SetLength(size_t length) { length_ = length; }
  std::u16string_view View() const { return {units_.get(), length_}; }

 private:
  std::unique_ptr<char16_t[]> units_;
  size_t capacity_ = 0;
  size_t length_ = 0;
};

}  // namespace quillfen
