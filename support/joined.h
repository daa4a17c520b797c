#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillfen {

// `items` one after another with `separator` between each two: the lists of
// files, problems and names that messages show.
inline std::u16string Joined(const std::vector<std::u16string>& items,
                             std::u16string_view separator) {
  std::u16string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i != 0) text += separator;
    text += items[i];
  }
  return text;
}

}  // namespace quillfen
