#include "tests/test_hives.h"

#include <hivex.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "host/unicode.h"
#include "tests/run_program.h"

namespace quillfen {
namespace {

constexpr size_t kBaseBlockSize = 4096;
constexpr size_t kBinSize = 4096;
constexpr size_t kBinHeaderSize = 32;
constexpr uint32_t kNoCell = 0xFFFFFFFF;
// Cell offsets count from the first bin.
constexpr uint32_t kRootCell = kBinHeaderSize;
constexpr uint32_t kRootCellSize = 88;  // 4 size + 76 fixed + "ROOT", rounded up to 8
constexpr uint32_t kSecurityCell = kRootCell + kRootCellSize;
constexpr uint32_t kSecurityDescriptorSize = 20;
constexpr uint32_t kSecurityCellSize = 48;  // 4 size + 20 fixed + the descriptor, rounded up
constexpr uint32_t kFreeCell = kSecurityCell + kSecurityCellSize;
constexpr size_t kChecksumOffset = 508;

void Put16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t Get32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// Windows never stores 0 or all ones as a checksum. libhivex compares the
// plain XOR, so those two cases are the only ones where the two disagree.
void FixChecksum(std::string& hive) {
  uint32_t sum = 0;
  for (size_t at = 0; at < kChecksumOffset; at += 4) sum ^= Get32(hive, at);
  if (sum == 0xFFFFFFFF) sum = 0xFFFFFFFE;
  if (sum == 0) sum = 1;
  Put32(hive, kChecksumOffset, sum);
}

// Cells in use carry their size negated.
uint32_t UsedCellSize(uint32_t size) { return ~size + 1; }

struct HiveCloser {
  void operator()(hive_h* hive) const { hivex_close(hive); }
};
using HiveHandle = std::unique_ptr<hive_h, HiveCloser>;

[[noreturn]] void ThrowHivexError(const std::string& call, const std::string& name) {
  throw std::runtime_error(call + "(\"" + name + "\"): " + std::strerror(errno));
}

std::vector<std::string> SplitPath(const std::u16string& path) {
  std::vector<std::string> names;
  if (path.empty()) return names;
  size_t start = 0;
  while (true) {
    const size_t end = path.find(u'\\', start);
    names.push_back(ToUtf8(path.substr(start, end - start)));
    if (end == std::u16string::npos) return names;
    start = end + 1;
  }
}

hive_node_h FindOrAddKey(hive_h* hive, const std::u16string& path) {
  hive_node_h node = hivex_root(hive);
  for (const std::string& name : SplitPath(path)) {
    // Not found is 0 with errno untouched, an error is 0 with errno set.
    errno = 0;
    hive_node_h child = hivex_node_get_child(hive, node, name.c_str());
    if (child == 0 && errno != 0) ThrowHivexError("hivex_node_get_child", name);
    if (child == 0) child = hivex_node_add_child(hive, node, name.c_str());
    if (child == 0) ThrowHivexError("hivex_node_add_child", name);
    node = child;
  }
  return node;
}

void SetValues(hive_h* hive, hive_node_h node, const HiveKey& key) {
  // hive_set_value takes mutable pointers, so the names and bytes are copied.
  std::vector<std::string> names;
  std::vector<std::string> data;
  for (const HiveValue& value : key.values) {
    names.push_back(ToUtf8(value.name));
    data.push_back(value.bytes);
  }
  std::vector<hive_set_value> set(key.values.size());
  for (size_t i = 0; i < set.size(); ++i) {
    set[i].key = names[i].data();
    // Copied as bytes: a type outside the enum's named values must still
    // reach the hive, and libhivex stores the field as a plain 32-bit word.
    static_assert(sizeof set[i].t == sizeof key.values[i].type);
    std::memcpy(&set[i].t, &key.values[i].type, sizeof set[i].t);
    set[i].len = data[i].size();
    set[i].value = data[i].data();
  }
  if (hivex_node_set_values(hive, node, set.size(), set.data(), 0) != 0) {
    ThrowHivexError("hivex_node_set_values", ToUtf8(key.path));
  }
}

}  // namespace

std::string EmptyHive() {
  std::string hive(kBaseBlockSize + kBinSize, '\0');

  hive.replace(0, 4, "regf");
  Put32(hive, 4, 1);  // sequence numbers, equal: the hive was written out whole
  Put32(hive, 8, 1);
  Put32(hive, 20, 1);  // version 1.5, the first with "lh" subkey lists, which libhivex writes
  Put32(hive, 24, 5);
  Put32(hive, 28, 0);  // a primary file, not a log
  Put32(hive, 32, 1);  // direct memory load
  Put32(hive, 36, kRootCell);
  Put32(hive, 40, kBinSize);
  Put32(hive, 44, 1);  // clustering factor
  FixChecksum(hive);

  const size_t bin = kBaseBlockSize;
  hive.replace(bin, 4, "hbin");
  Put32(hive, bin + 4, 0);  // this bin's offset from the first
  Put32(hive, bin + 8, kBinSize);

  const size_t root = bin + kRootCell;
  Put32(hive, root, UsedCellSize(kRootCellSize));
  hive.replace(root + 4, 2, "nk");
  Put16(hive, root + 6, 0x2C);      // the hive's entry key, not deletable, name in Latin-1
  Put32(hive, root + 20, kNoCell);  // parent
  Put32(hive, root + 32, kNoCell);  // subkey list
  Put32(hive, root + 36, kNoCell);  // volatile subkey list
  Put32(hive, root + 44, kNoCell);  // value list
  Put32(hive, root + 48, kSecurityCell);
  Put32(hive, root + 52, kNoCell);  // class name
  Put16(hive, root + 76, 4);        // name length
  hive.replace(root + 80, 4, "ROOT");

  // libhivex refuses to add a key under one without a security cell. Its
  // descriptor is the empty self-relative one: no owner, group or lists.
  const size_t security = bin + kSecurityCell;
  Put32(hive, security, UsedCellSize(kSecurityCellSize));
  hive.replace(security + 4, 2, "sk");
  Put32(hive, security + 8, kSecurityCell);  // the ring of security cells: itself alone
  Put32(hive, security + 12, kSecurityCell);
  Put32(hive, security + 16, 1);  // keys using it
  Put32(hive, security + 20, kSecurityDescriptorSize);
  hive[security + 24] = 1;             // revision
  Put16(hive, security + 26, 0x8000);  // self-relative

  Put32(hive, bin + kFreeCell, kBinSize - kFreeCell);
  return hive;
}

std::string MakeHive(const std::vector<HiveKey>& keys) {
  TempDir directory;
  const std::string path = (directory / "hive").string();
  WriteBinaryFile(path, EmptyHive());

  HiveHandle hive(hivex_open(path.c_str(), HIVEX_OPEN_WRITE));
  if (!hive) ThrowHivexError("hivex_open", path);
  for (const HiveKey& key : keys) SetValues(hive.get(), FindOrAddKey(hive.get(), key.path), key);
  if (hivex_commit(hive.get(), nullptr, 0) != 0) ThrowHivexError("hivex_commit", path);
  hive.reset();
  return ReadBinaryFile(path);
}

namespace {

// The key at `path` and where its subkey list keeps the first subkey.
struct FirstSubkey {
  size_t node;
  size_t list;
  size_t entry;
};

FirstSubkey FindFirstSubkey(const std::string& hive, const std::u16string& path) {
  TempDir directory;
  const std::string file = (directory / "hive").string();
  WriteBinaryFile(file, hive);
  HiveHandle opened(hivex_open(file.c_str(), 0));
  if (!opened) ThrowHivexError("hivex_open", file);
  hive_node_h node = hivex_root(opened.get());
  for (const std::string& name : SplitPath(path)) {
    node = hivex_node_get_child(opened.get(), node, name.c_str());
    if (node == 0) ThrowHivexError("hivex_node_get_child", name);
  }
  // A node is its cell's place in the file; inside the hive, cells are
  // counted from the first bin. The key's cell keeps its subkey list 32
  // bytes in; the list's first entry follows its size, signature and count.
  const size_t list = kBaseBlockSize + Get32(hive, node + 32);
  if (list + 12 > hive.size()) throw std::invalid_argument("the key has no subkey list");
  return {node, list, list + 8};
}

}  // namespace

std::string WithLoopBelow(std::string hive, const std::u16string& path) {
  const FirstSubkey first = FindFirstSubkey(hive, path);
  Put32(hive, first.entry, static_cast<uint32_t>(first.node - kBaseBlockSize));
  return hive;
}

std::string WithFirstSubkeyLost(std::string hive, const std::u16string& path) {
  const FirstSubkey first = FindFirstSubkey(hive, path);
  Put32(hive, first.entry, static_cast<uint32_t>(first.list - kBaseBlockSize));
  return hive;
}

std::string SoftwareHive(const std::vector<TestContainer>& containers) {
  const auto binary = [](const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
  };
  std::vector<HiveKey> keys = {
      {u"Adobe\\Reader", {{u"Version", 1, std::string("1\0001\0\0\0", 6)}}},
      {u"Crypto Pro\\Settings", {{u"Level", 4, std::string("\x02\0\0\0", 4)}}},
      {u"Zeta\\Last", {{u"x", 3, std::string(1, '\0')}}},
  };
  for (size_t i = 0; i < containers.size(); ++i) {
    HiveKey key{ContainerKeyPath(containers[i]), {}};
    for (const auto& [name, bytes] : containers[i].values) {
      key.values.push_back({name, 3, binary(bytes)});
    }
    keys.push_back(key);
    if (i == 0) keys.push_back({key.path + u"\\Extra", {{u"a.key", 3, "\x01"}}});
  }
  return MakeHive(keys);
}

std::string WithSecondarySequenceNumber(std::string hive, uint32_t sequence) {
  if (hive.size() < kBaseBlockSize) throw std::invalid_argument("no base block");
  Put32(hive, 8, sequence);
  FixChecksum(hive);
  return hive;
}

}  // namespace quillfen
