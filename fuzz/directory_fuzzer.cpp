// Any path, on either host style: creating a directory tree must never crash,
// must leave every level a directory when it reports success, and must list
// every directory it made, since undoing a failed conversion removes exactly
// those.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "support/create_complex_directory.h"
#include "tests/fake_file_system.h"

namespace quillfen {
namespace {

std::vector<std::u16string> Pieces(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string> pieces;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find(separator, start);
    if (end == std::u16string_view::npos) end = text.size();
    if (end > start) pieces.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

// The levels below the root of `path` as the fake disk names them, worked out
// without CreateComplexDirectory's own splitting. Empty when there is no root.
std::vector<std::u16string> Levels(FakeFileSystem& files, std::u16string path,
                                   const std::u16string& working_directory) {
  std::vector<std::u16string> levels;
  if (files.Style() == PathStyle::kPosix) {
    // "." and ".." are the kernel's to resolve, as every other name is.
    if (!path.starts_with(u"/")) path = working_directory + u"/" + path;
    std::u16string running;
    for (const auto& piece : Pieces(path, u'/')) levels.push_back(running += u"/" + piece);
    return levels;
  }
  for (auto& c : path) {
    if (c == u'/') c = u'\\';
  }
  // Windows takes the prefix in any letter case.
  std::u16string upper = path.substr(0, 8);
  for (auto& c : upper) c = c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
  if (upper == u"\\\\?\\UNC\\") {
    path = u"\\\\" + path.substr(8);
  } else if (path.starts_with(u"\\\\?\\")) {
    path = path.substr(4);
  }
  std::u16string running;
  std::vector<std::u16string> pieces;
  if (path.starts_with(u"\\\\")) {
    pieces = Pieces(path, u'\\');
    if (pieces.size() < 2) return {};
    running = u"\\\\" + pieces[0] + u"\\" + pieces[1];
    pieces.erase(pieces.begin(), pieces.begin() + 2);
  } else {
    if (!(path.size() >= 2 && path[1] == u':')) path = working_directory + u"\\" + path;
    running = path.substr(0, 2);
    pieces = Pieces(std::u16string_view(path).substr(2), u'\\');
  }
  for (const auto& piece : pieces) levels.push_back(running += u"\\" + piece);
  return levels;
}

}  // namespace
}  // namespace quillfen

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillfen;
  if (size == 0) return 0;
  // The first byte sets the host: style, Windows NT, long paths, and which
  // disk operation fails (none for 0). The rest is the path, a unit a byte.
  const uint8_t options = data[0];
  const bool windows = (options & 1) != 0;
  const bool win_nt = (options & 2) != 0;
  const bool long_paths = (options & 4) != 0;
  const size_t failing_call = options >> 4;
  const std::u16string path(data + 1, data + size);

  const std::u16string working_directory = windows ? u"C:\\work" : u"/work";
  FakeFileSystem files(windows ? PathStyle::kWindows : PathStyle::kPosix, working_directory);
  files.SetWinNT(windows && win_nt);  // a POSIX host is never Windows NT
  if (windows) {
    files.AddFile(u"C:\\work\\file", "x");
    files.AddDirectory(u"C:\\work\\dir\\sub");
    files.AddDirectory(u"\\\\server\\share\\dir");
  } else {
    files.AddFile(u"/work/file", "x");
    files.AddDirectory(u"/work/dir/sub");
  }
  if (failing_call != 0) files.FailCall(failing_call, 5);
  const auto before = files.Snapshot();

  std::vector<std::u16string> created;
  bool made = false;
  try {
    made = CreateComplexDirectory(files, path, long_paths, &created);
  } catch (const RunTimeError&) {
    // A failure to make the path absolute comes through as the disk's error;
    // the one caller, ContainerOutput, takes it as "not created".
  }

  // Nothing that was there changes, and every new entry is a directory the
  // caller was told about.
  const auto after = files.Snapshot();
  for (const auto& [name, contents] : before) {
    const auto kept = after.find(name);
    FUZZ_CHECK(kept != after.end() && kept->second == contents);
  }
  std::set<std::u16string> listed;
  for (const auto& level : created) {
    FUZZ_CHECK(files.IsDirectory(level));
    FUZZ_CHECK(listed.insert(level + u"/").second);
  }
  std::set<std::u16string> added;
  for (const auto& [name, contents] : after) {
    if (before.count(name) == 0) added.insert(name);
  }
  FUZZ_CHECK(added == listed);

  if (made) {
    const auto levels = Levels(files, path, working_directory);
    FUZZ_CHECK(!levels.empty());
    for (const auto& level : levels) FUZZ_CHECK(files.IsDirectory(level));
  }
  return 0;
}
