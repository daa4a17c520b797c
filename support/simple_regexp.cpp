#include "support/simple_regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <cerrno>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <tuple>

#include "host/run_time_error.h"

namespace quillfen {
namespace {

[[noreturn]] void ThrowPcre2Error(int code, std::u16string prefix = {}) {
  PCRE2_UCHAR16 buffer[256];
  const int length = pcre2_get_error_message(code, buffer, std::size(buffer));
  if (length > 0) prefix.append(reinterpret_cast<const char16_t*>(buffer), size_t(length));
  throw RunTimeError(code, prefix);
}

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

struct CompiledPattern {
  std::unique_ptr<pcre2_code, CodeDeleter> code;
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> match_data;
  uint32_t groups = 0;
};

// PCRE2's 16-bit library without UTF mode: each UTF-16 code unit is one
// character, so positions count exactly as the callers cut the text, and an
// unpaired surrogate is just another character. Compiled patterns are kept,
// keyed by everything that affects compilation.
class Engine {
 public:
  Engine()
      : compile_context_(pcre2_compile_context_create(nullptr)),
        match_context_(pcre2_match_context_create(nullptr)),
        jit_stack_(pcre2_jit_stack_create(32 * 1024, 16 * 1024 * 1024, nullptr)) {
    if (compile_context_ == nullptr || match_context_ == nullptr) throw std::bad_alloc();
    pcre2_set_newline(compile_context_, PCRE2_NEWLINE_ANYCRLF);
    // A lazy ".*?" over a line of megabytes takes a step per character; the
    // default limit would end such a match as a failure.
    pcre2_set_match_limit(match_context_, std::numeric_limits<uint32_t>::max());
    if (jit_stack_ != nullptr) pcre2_jit_stack_assign(match_context_, nullptr, jit_stack_);
  }
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine() {
    pcre2_jit_stack_free(jit_stack_);
    pcre2_match_context_free(match_context_);
    pcre2_compile_context_free(compile_context_);
  }

  MatchCollection Execute(std::u16string_view text, std::u16string_view pattern, bool global,
                          bool ignore_case, bool multi_line);

 private:
  CompiledPattern& Compile(std::u16string_view pattern, bool ignore_case, bool multi_line);
  int RunMatch(CompiledPattern& compiled, std::u16string_view text, size_t offset);

  pcre2_compile_context* compile_context_;
  pcre2_match_context* match_context_;
  pcre2_jit_stack* jit_stack_;
  std::map<std::tuple<std::u16string, bool, bool>, CompiledPattern> cache_;
};

CompiledPattern& Engine::Compile(std::u16string_view pattern, bool ignore_case, bool multi_line) {
  auto key = std::make_tuple(std::u16string(pattern), ignore_case, multi_line);
  if (auto found = cache_.find(key); found != cache_.end()) return found->second;

  uint32_t options = 0;
  if (ignore_case) options |= PCRE2_CASELESS;
  // Without MultiLine, "$" is the end of the text only, as in ECMAScript.
  options |= multi_line ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  CompiledPattern compiled;
  compiled.code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                    options, &error, &error_offset, compile_context_));
  if (error == PCRE2_ERROR_NOMEMORY) throw std::bad_alloc();
  if (!compiled.code) ThrowPcre2Error(error, u"Invalid pattern: ");
  // Without JIT support the interpreter runs the pattern: slower, same result.
  pcre2_jit_compile(compiled.code.get(), PCRE2_JIT_COMPLETE);
  pcre2_pattern_info(compiled.code.get(), PCRE2_INFO_CAPTURECOUNT, &compiled.groups);
  compiled.match_data.reset(pcre2_match_data_create_from_pattern(compiled.code.get(), nullptr));
  if (!compiled.match_data) throw std::bad_alloc();
  return cache_.emplace(std::move(key), std::move(compiled)).first->second;
}

int Engine::RunMatch(CompiledPattern& compiled, std::u16string_view text, size_t offset) {
  const auto subject = reinterpret_cast<PCRE2_SPTR>(text.data());
  int result = pcre2_match(compiled.code.get(), subject, text.size(), offset, 0,
                           compiled.match_data.get(), match_context_);
  if (result == PCRE2_ERROR_JIT_STACKLIMIT) {
    // The interpreter keeps its backtracking state on the heap instead.
    result = pcre2_match(compiled.code.get(), subject, text.size(), offset, PCRE2_NO_JIT,
                         compiled.match_data.get(), match_context_);
  }
  return result;
}

MatchCollection Engine::Execute(std::u16string_view text, std::u16string_view pattern, bool global,
                                bool ignore_case, bool multi_line) {
  if (text.size() > size_t(std::numeric_limits<int32_t>::max())) {
    throw RunTimeError(EOVERFLOW, u"Text too long to search");
  }
  CompiledPattern& compiled = Compile(pattern, ignore_case, multi_line);
  std::vector<Match> matches;
  for (size_t offset = 0; offset <= text.size();) {
    const int result = RunMatch(compiled, text, offset);
    if (result == PCRE2_ERROR_NOMATCH) break;
    if (result == PCRE2_ERROR_NOMEMORY) throw std::bad_alloc();
    if (result < 0) ThrowPcre2Error(result, u"Matching failed: ");

    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(compiled.match_data.get());
    Match match;
    match.FirstIndex = static_cast<int32_t>(ovector[0]);
    match.Length = static_cast<int32_t>(ovector[1] - ovector[0]);
    match.Value = text.substr(ovector[0], ovector[1] - ovector[0]);
    match.SubMatches.resize(compiled.groups);
    for (uint32_t group = 1; group <= compiled.groups && group < uint32_t(result); ++group) {
      const PCRE2_SIZE start = ovector[2 * group];
      if (start != PCRE2_UNSET) {
        match.SubMatches[group - 1] = text.substr(start, ovector[2 * group + 1] - start);
      }
    }
    matches.push_back(std::move(match));
    if (!global) break;
    // After an empty match the search moves on by one character.
    offset = ovector[1] > ovector[0] ? ovector[1] : ovector[1] + 1;
  }
  return MatchCollection(std::move(matches));
}

std::unique_ptr<Engine>& SharedEngine() {
  static std::unique_ptr<Engine> engine;
  return engine;
}

}  // namespace

const Match& MatchCollection::Item(int32_t index) const {
  if (index < 0 || index >= Count()) throw RunTimeError(EINVAL, u"Match index out of range");
  return matches_[static_cast<size_t>(index)];
}

void EnsureRegExp() {
  if (!SharedEngine()) SharedEngine() = std::make_unique<Engine>();
}

std::optional<MatchCollection> RegExpExecute(std::u16string_view text, std::u16string_view pattern,
                                             bool global, bool ignoreCase, bool multiLine,
                                             bool raiseErrors) {
  try {
    EnsureRegExp();
    return SharedEngine()->Execute(text, pattern, global, ignoreCase, multiLine);
  } catch (const RunTimeError&) {
    if (raiseErrors) throw;
    return std::nullopt;
  }
}

}  // namespace quillfen
