#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/test_exports.h"

namespace quillfen {

struct HiveValue {
  std::u16string name;
  uint32_t type;
  std::string bytes;
};

struct HiveKey {
  // Below the root, separated by backslashes, e.g.
  // u"Crypto Pro\\Settings\\Users\\S-1\\Keys\\Контейнер 1"; empty for the root itself.
  std::u16string path;
  std::vector<HiveValue> values;
};

// The smallest hive libhivex opens: the base block and one bin with the root
// key "ROOT", the security cell every new key inherits, and free space.
std::string EmptyHive();

// EmptyHive() filled by libhivex's own writing code. Keys are made in the
// order given, their missing parents on the way; a path given again has its
// values replaced. libhivex files each subkey in name order (ASCII letters
// compared as capitals, anything else by its UTF-8 bytes), so the order of
// `keys` does not set the order a reader meets them in.
std::string MakeHive(const std::vector<HiveKey>& keys);

// `hive` with the second sequence number set to `sequence` and the checksum
// made right again: what a hive Windows did not finish writing looks like.
std::string WithSecondarySequenceNumber(std::string hive, uint32_t sequence);

// `hive` with the first subkey of the key at `path` pointing back at that
// key: a damaged hive whose keys form a loop.
std::string WithLoopBelow(std::string hive, const std::u16string& path);

// `hive` with the first subkey of the key at `path` pointing at no key (at
// the subkey list itself): one damaged word, which libhivex's lenient mode
// would pass over, and the subkey with it.
std::string WithFirstSubkeyLost(std::string hive, const std::u16string& path);

// The four containers in a hive laid out as the SOFTWARE hive of a Windows
// disk: other keys around them and a subkey with a value below the first.
std::string SoftwareHive(const std::vector<TestContainer>& containers);

}  // namespace quillfen
