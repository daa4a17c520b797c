// Any bytes as a registry hive, through listing and converting every
// container: each run must end in one message with the disk untouched, or
// in silence with nothing written outside the target directory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "conversion/runs/container_list.h"
#include "conversion/runs/convert_containers.h"
#include "fuzz/fuzz_check.h"
#include "host/host.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillfen;
  std::string hive(reinterpret_cast<const char*>(data), size);
  // Whatever the mutation, the file stays one the program takes for a hive.
  hive.replace(0, std::min<size_t>(4, hive.size()), "regf");

  FakeFileSystem files;
  files.AddFile(u"/work/SOFTWARE", hive);
  const auto before = files.Snapshot();
  RecordingMessenger messenger;
  Host host{files, messenger};

  std::vector<ListedContainer> list;
  const bool listed = ListContainers(u"/work/SOFTWARE", {}, host, &list);
  FUZZ_CHECK(messenger.shown.size() == (listed ? 0u : 1u));
  FUZZ_CHECK(files.Snapshot() == before);

  messenger.shown.clear();
  std::vector<ConvertedContainer> converted;
  const bool converted_all =
      ConvertAllContainers(ConverterArgs{u"/work/SOFTWARE", u"/work/keys"}, {}, host, &converted);
  if (!converted_all) {
    FUZZ_CHECK(messenger.shown.size() == 1);
    FUZZ_CHECK(messenger.shown[0].style == MessageStyle::kCritical);
    FUZZ_CHECK(files.Snapshot() == before);
    return 0;
  }
  // Listing and converting agree on what the hive holds.
  FUZZ_CHECK(listed && !converted.empty());
  FUZZ_CHECK(messenger.shown.empty());
  for (const auto& [path, contents] : files.Snapshot()) {
    FUZZ_CHECK(before.count(path) != 0 || path.starts_with(u"/work/keys/"));
  }
  return 0;
}
