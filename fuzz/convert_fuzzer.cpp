// Any bytes as an export: the conversion must end in exactly one message on
// failure with the disk untouched, and in silence on success with nothing
// written outside the container directory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "conversion/runs/convert_reg_file.h"
#include "fuzz/fuzz_check.h"
#include "host/host.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

struct Layout {
  PathStyle style;
  std::u16string working_directory;
  std::u16string source;
  std::u16string target;
  char16_t separator;
  // The levels a conversion may create: the target and its missing parent.
  std::u16string new_directories[2];
};

const Layout kPosix{PathStyle::kPosix,    u"/work", u"/work/in.reg",
                    u"/work/out/key.000", u'/',     {u"/work/out/", u"/work/out/key.000/"}};
const Layout kWindows{
    PathStyle::kWindows,       u"C:\\work", u"C:\\work\\in.reg",
    u"C:\\work\\out\\key.000", u'\\',       {u"C:\\work\\out/", u"C:\\work\\out\\key.000/"}};

bool IsContainerFile(const Layout& layout, const std::u16string& path) {
  const std::u16string prefix = layout.target + layout.separator;
  if (!path.starts_with(prefix) || path.size() == prefix.size()) return false;
  const std::u16string name = path.substr(prefix.size());
  return name.find(u'/') == std::u16string::npos && name.find(u'\\') == std::u16string::npos;
}

uint32_t Mix(const uint8_t* data, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

}  // namespace
}  // namespace quillfen

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillfen;
  // The input's own bytes choose the host and, for some inputs, a disk
  // operation that fails, so that the seeds stay plain export files.
  const uint32_t hash = Mix(data, size);
  const Layout& layout = hash % 3 == 0 ? kWindows : kPosix;
  FakeFileSystem files(layout.style, layout.working_directory);
  files.AddFile(layout.source, std::string(reinterpret_cast<const char*>(data), size));
  files.AddFile(layout.working_directory + layout.separator + u"neighbour.key", "keep");
  const size_t failing_call = (hash >> 8) % 4 == 0 ? 1 + (hash >> 12) % 24 : 0;
  if (failing_call != 0) files.FailCall(failing_call, 5);
  const auto before = files.Snapshot();

  RecordingMessenger messenger;
  Host host{files, messenger};
  const bool converted = ConvertRegFile(ConverterArgs{layout.source, layout.target}, host);

  if (!converted) {
    FUZZ_CHECK(messenger.shown.size() == 1);
    FUZZ_CHECK(messenger.shown[0].style == MessageStyle::kCritical);
    FUZZ_CHECK(messenger.shown[0].caption == u"Velmora - Quillfen");
    FUZZ_CHECK(!messenger.shown[0].text.empty());
    // A removal that fails while undoing cannot be helped: only then may
    // something stay behind.
    const auto& calls = files.calls();
    const bool removal_failed = failing_call != 0 && calls.size() >= failing_call &&
                                calls[failing_call - 1].op == FakeFileSystem::Op::kRemove;
    FUZZ_CHECK(removal_failed || files.Snapshot() == before);
    return 0;
  }

  FUZZ_CHECK(messenger.shown.empty());
  FUZZ_CHECK(files.IsDirectory(layout.target));
  const auto after = files.Snapshot();
  for (const auto& [path, contents] : before) {
    const auto kept = after.find(path);
    FUZZ_CHECK(kept != after.end() && kept->second == contents);
  }
  for (const auto& [path, contents] : after) {
    if (before.count(path) != 0) continue;
    const bool new_level = path == layout.new_directories[0] || path == layout.new_directories[1];
    FUZZ_CHECK(new_level || IsContainerFile(layout, path));
  }
  return 0;
}
