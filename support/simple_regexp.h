#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen {

// One match: its text, its 0-based position and length in UTF-16 code units
// of the searched text, and the texts of the pattern's groups (a group that
// took no part is empty). A match owns its texts.
struct Match {
  std::u16string Value;
  int32_t FirstIndex = 0;
  int32_t Length = 0;
  std::vector<std::u16string> SubMatches;
};

// The matches of one run, in text order.
class MatchCollection {
 public:
  explicit MatchCollection(std::vector<Match> matches) : matches_(std::move(matches)) {}
  int32_t Count() const { return static_cast<int32_t>(matches_.size()); }
  // Throws RunTimeError for an index outside 0..Count()-1.
  const Match& Item(int32_t index) const;

 private:
  std::vector<Match> matches_;
};

// Runs `pattern` (ECMAScript-like syntax) over `text`. With `multiLine`, "^"
// and "$" also match at every line's start and end, and CR and LF both end a
// line; "." never matches either. With `raiseErrors` false every failure (a
// pattern that does not compile, a run that fails) gives no collection;
// with it true the failure is thrown as RunTimeError. Memory that runs out
// is never taken for a text that does not match: it is thrown as
// std::bad_alloc either way.
std::optional<MatchCollection> RegExpExecute(std::u16string_view text, std::u16string_view pattern,
                                             bool global, bool ignoreCase, bool multiLine,
                                             bool raiseErrors);

// Creates the process's shared engine if there is none yet. Throws
// std::bad_alloc when it cannot.
void EnsureRegExp();

}  // namespace quillfen
