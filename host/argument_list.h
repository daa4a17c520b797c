#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillfen {

// The program's arguments, its own name not counted.
class ArgumentList {
 public:
  ArgumentList() = default;
  explicit ArgumentList(std::vector<std::u16string> items) : items_(std::move(items)) {}

  // Replaces the arguments by those of a Windows command-line text (without
  // the program's name), split the way the C runtime splits it.
  void SetCommandLine(std::u16string_view text);

  int Count() const { return static_cast<int>(items_.size()); }
  // Throws RunTimeError for an index outside 0..Count()-1.
  const std::u16string& Item(int index) const;

  // The process-wide list, filled at start-up.
  static ArgumentList& Global();

 private:
  std::vector<std::u16string> items_;
};

}  // namespace quillfen
