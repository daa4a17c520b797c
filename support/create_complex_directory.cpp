#include "support/create_complex_directory.h"

#include <algorithm>

#include "host/ascii.h"
#include "host/run_time_error.h"

namespace quillfen {
namespace {

struct SplitPath {
  std::u16string root;
  std::u16string remainder;
  bool isUnc = false;
};

// `\\server\share\rest`: false when the server or the share is missing.
bool SplitServerForm(std::u16string_view full_name, SplitPath* split) {
  const std::u16string names = TrimLeadingBackslashes(full_name);
  if (names.empty()) return false;
  const size_t server_end = names.find(u'\\');
  // "?" names no server: it is the long-path prefix, here in a malformed path.
  if (server_end == std::u16string::npos || names.substr(0, server_end) == u"?") return false;
  const std::u16string share_on =
      TrimLeadingBackslashes(std::u16string_view(names).substr(server_end));
  const size_t share_end = share_on.find(u'\\');
  if (share_end == std::u16string::npos) return false;
  split->root = u"\\\\" + names.substr(0, server_end) + u"\\" + share_on.substr(0, share_end);
  split->remainder = TrimLeadingBackslashes(std::u16string_view(share_on).substr(share_end));
  split->isUnc = true;
  return true;
}

// `X:\rest` with a letter A to Z in either case.
bool SplitDriveForm(std::u16string_view full_name, SplitPath* split) {
  if (full_name.size() < 3) return false;
  const char16_t letter = full_name[0];
  const bool is_letter = (letter >= u'A' && letter <= u'Z') || (letter >= u'a' && letter <= u'z');
  if (!is_letter || full_name[1] != u':' || full_name[2] != u'\\') return false;
  split->root = full_name.substr(0, 2);
  split->remainder = TrimLeadingBackslashes(full_name.substr(2));
  return true;
}

CallForm FormFor(FileSystem& files, bool useLongPaths) {
  return files.IsHostWinNT() && useLongPaths ? CallForm::kWide : CallForm::kNarrow;
}

std::u16string PathFor(CallForm form, std::u16string_view path, bool isUnc) {
  return form == CallForm::kWide ? AddLongPathPrefix(path, isUnc) : std::u16string(path);
}

}  // namespace

bool CreateComplexDirectory(FileSystem& files, std::u16string_view path, bool useLongPaths,
                            std::vector<std::u16string>* created, FileAccess access,
                            std::optional<RunTimeError>* failure) {
  const bool windows = files.Style() == PathStyle::kWindows;
  const char16_t separator = windows ? u'\\' : u'/';
  std::u16string given(path);
  if (windows) std::replace(given.begin(), given.end(), u'/', u'\\');
  given = TrimTrailingBackslashes(given, separator);

  std::u16string full_name = files.FullPath(given);
  if (full_name.empty()) return false;
  // A path given in long-path form is the drive or server form behind its
  // prefix; taken as it stands it would read as a server named "?" and get a
  // second prefix.
  if (windows && StartsWithIgnoringAsciiCase(full_name, u"\\\\?\\UNC\\")) {
    full_name = u"\\\\" + full_name.substr(8);
  } else if (windows && full_name.starts_with(u"\\\\?\\")) {
    full_name = full_name.substr(4);
  }
  // Refused before anything is made, not halfway down the chain.
  if (!files.Representable(full_name, FormFor(files, useLongPaths))) return false;

  SplitPath split;
  if (!windows) {
    if (full_name.front() != u'/') return false;
    split.remainder = TrimLeadingBackslashes(full_name, separator);
  } else if (full_name.starts_with(u"\\\\")) {
    if (!SplitServerForm(full_name, &split)) return false;
  } else if (!SplitDriveForm(full_name, &split)) {
    return false;
  }
  const std::u16string remainder = CollapseBackslashes(split.remainder, separator);
  if (remainder.empty()) return false;

  std::u16string running = split.root;
  for (size_t start = 0; start <= remainder.size();) {
    size_t end = remainder.find(separator, start);
    if (end == std::u16string::npos) end = remainder.size();
    running += separator;
    running.append(remainder, start, end - start);
    if (!IsDirectoryExist(files, running, split.isUnc, useLongPaths)) {
      // Listed before it is made: a list that cannot grow must not leave a
      // directory behind that nobody knows to remove.
      if (created != nullptr) {
        created->push_back(PathFor(FormFor(files, useLongPaths), running, split.isUnc));
      }
      if (!CreateSingleDirectory(files, running, split.isUnc, useLongPaths, access, failure)) {
        if (created != nullptr) created->pop_back();
        return false;
      }
    }
    start = end + 1;
  }
  return true;
}

bool IsDirectoryExist(FileSystem& files, std::u16string_view path, bool isUnc, bool useLongPaths) {
  const CallForm form = FormFor(files, useLongPaths);
  try {
    return files.Kind(PathFor(form, path, isUnc), form) == FileKind::kDirectory;
  } catch (const RunTimeError&) {
    return false;  // whatever the cause, it is no directory we can use
  }
}

bool CreateSingleDirectory(FileSystem& files, std::u16string_view path, bool isUnc,
                           bool useLongPaths, FileAccess access,
                           std::optional<RunTimeError>* failure) {
  const CallForm form = FormFor(files, useLongPaths);
  try {
    files.MakeDirectory(PathFor(form, path, isUnc), form, access);
    return true;
  } catch (const RunTimeError& error) {
    if (failure != nullptr) *failure = error;
    return false;
  }
}

std::u16string AddLongPathPrefix(std::u16string_view path, bool isUnc) {
  if (isUnc) return u"\\\\?\\UNC\\" + std::u16string(path.substr(std::min<size_t>(2, path.size())));
  return u"\\\\?\\" + std::u16string(path);
}

std::u16string TrimLeadingBackslashes(std::u16string_view text, char16_t separator) {
  const size_t first = text.find_first_not_of(separator);
  return first == std::u16string_view::npos ? std::u16string() : std::u16string(text.substr(first));
}

std::u16string TrimTrailingBackslashes(std::u16string_view text, char16_t separator) {
  const size_t last = text.find_last_not_of(separator);
  return last == std::u16string_view::npos ? std::u16string()
                                           : std::u16string(text.substr(0, last + 1));
}

std::u16string CollapseBackslashes(std::u16string_view text, char16_t separator) {
  std::u16string result;
  result.reserve(text.size());
  for (const char16_t c : text) {
    if (c == separator && !result.empty() && result.back() == separator) continue;
    result += c;
  }
  return result;
}

}  // namespace quillfen
