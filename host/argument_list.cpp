#include "host/argument_list.h"

#include <cerrno>

#include "host/run_time_error.h"

namespace quillfen {

void ArgumentList::SetCommandLine(std::u16string_view text) {
  // Blanks separate arguments outside quotes; 2n backslashes before a quote
  // give n backslashes and a quote that opens or closes; 2n+1 give n and a
  // literal quote; "" inside quotes is a literal quote.
  items_.clear();
  size_t i = 0;
  for (;;) {
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    if (i >= text.size()) break;
    std::u16string argument;
    bool quoted = false;
    while (i < text.size() && (quoted || (text[i] != u' ' && text[i] != u'\t'))) {
      size_t backslashes = 0;
      while (i < text.size() && text[i] == u'\\') ++backslashes, ++i;
      if (i < text.size() && text[i] == u'"') {
        argument.append(backslashes / 2, u'\\');
        if (backslashes % 2 == 1) {
          argument += u'"';
        } else if (quoted && i + 1 < text.size() && text[i + 1] == u'"') {
          argument += u'"';
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        argument.append(backslashes, u'\\');
        if (i < text.size() && (quoted || (text[i] != u' ' && text[i] != u'\t'))) {
          argument += text[i++];
        }
      }
    }
    items_.push_back(std::move(argument));
  }
}

const std::u16string& ArgumentList::Item(int index) const {
  if (index < 0 || index >= Count()) throw RunTimeError(EINVAL, u"Argument index out of range");
  return items_[static_cast<size_t>(index)];
}

ArgumentList& ArgumentList::Global() {
  static ArgumentList list;
  return list;
}

}  // namespace quillfen
