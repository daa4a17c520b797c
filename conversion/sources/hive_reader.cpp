#include "conversion/sources/hive_reader.h"

#include <cerrno>
#include <set>

#include "conversion/conversion_error.h"
#include "conversion/sources/value_decoder.h"
#include "host/ascii.h"
#include "host/run_time_error.h"
#include "support/registry_hive.h"

namespace quillfen {

// The hive, which the reader and its containers share.
struct HiveReader::Shared {
  RegistryHive hive;
  std::u16string source;

  Shared(const FileBytes& file, std::u16string_view sourceFile) : hive(file), source(sourceFile) {}
};

namespace {

using Node = RegistryHive::Node;

struct FoundContainer {
  Node node;
  std::u16string name;
  std::u16string user;
  bool wow64;
};

// Walks the few levels where containers sit. Every key is entered once: a
// damaged hive whose keys form a loop is refused, not walked around forever.
class Walk {
 public:
  explicit Walk(const RegistryHive& hive) : hive_(hive) {}

  // False when the hive holds no key at all.
  bool Run(std::vector<FoundContainer>* found) {
    const Node root = hive_.Root();
    Enter(root);
    const auto top = Children(root);
    for (const Node child : top) {
      const std::u16string name = hive_.Name(child);
      if (EqualIgnoringAsciiCase(name, u"Crypto Pro")) {
        CryptoPro(child, false, found);
      } else if (EqualIgnoringAsciiCase(name, u"Wow6432Node")) {
        for (const Node below : Named(child, u"Crypto Pro")) CryptoPro(below, true, found);
      }
    }
    return !top.empty();
  }

 private:
  void Enter(Node node) {
    if (!entered_.insert(node).second) {
      throw RunTimeError(ELOOP, u"Damaged registry hive: its keys form a loop");
    }
  }

  std::vector<Node> Children(Node node) {
    std::vector<Node> children = hive_.Children(node);
    for (const Node child : children) Enter(child);
    return children;
  }

  std::vector<Node> Named(Node parent, std::u16string_view name) {
    std::vector<Node> named;
    for (const Node child : Children(parent)) {
      if (EqualIgnoringAsciiCase(hive_.Name(child), name)) named.push_back(child);
    }
    return named;
  }

  void CryptoPro(Node crypto_pro, bool wow64, std::vector<FoundContainer>* found) {
    for (const Node settings : Named(crypto_pro, u"Settings")) {
      for (const Node users : Named(settings, u"Users")) {
        for (const Node user : Children(users)) {
          const std::u16string user_name = hive_.Name(user);
          for (const Node keys : Named(user, u"Keys")) {
            for (const Node container : Children(keys)) {
              found->push_back({container, hive_.Name(container), user_name, wow64});
            }
          }
        }
      }
    }
  }

  const RegistryHive& hive_;
  std::set<Node> entered_;
};

class HiveContainerKey : public ContainerKey {
 public:
  HiveContainerKey(std::shared_ptr<HiveReader::Shared> shared, const FoundContainer& found)
      : ContainerKey(found.name, found.user, found.wow64),
        shared_(std::move(shared)),
        node_(found.node) {}

  std::optional<ContainerValue> NextValue() override {
    try {
      if (!values_) values_ = shared_->hive.Values(node_);
      if (next_ == values_->size()) return std::nullopt;
      const RegistryHive::Value value = (*values_)[next_++];
      ContainerValue read;
      read.name = shared_->hive.ValueName(value);
      // An export of this key would show the value as no binary value: an
      // other type, a name that is no file name, or no bytes at all.
      if (!IsContainerValueName(read.name) ||
          shared_->hive.ValueType(value) != RegistryHive::kBinary) {
        throw PathError(shared_->source, NotHexText());
      }
      read.bytes = shared_->hive.ValueBytes(value);
      if (read.bytes.empty()) throw PathError(shared_->source, NotHexText());
      return read;
    } catch (const RunTimeError& error) {
      throw SystemError(shared_->source, kReadFailed, error);
    }
  }

 private:
  std::shared_ptr<HiveReader::Shared> shared_;
  Node node_;
  std::optional<std::vector<RegistryHive::Value>> values_;
  size_t next_ = 0;
};

uint32_t Word(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 4; i > 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i - 1]);
  return value;
}

}  // namespace

HiveReader::HiveReader(const FileBytes& file, std::u16string_view sourceFile) {
  const std::string_view bytes = file.Bytes();
  try {
    shared_ = std::make_shared<Shared>(file, sourceFile);
  } catch (const RunTimeError& error) {
    throw SystemError(sourceFile, kReadFailed, error);
  }
  // Windows counts a write in the first number and its end in the second;
  // where they differ, the latest changes are still in the logs.
  unclean_ = bytes.size() >= 12 && Word(bytes, 4) != Word(bytes, 8);
}

std::unique_ptr<ContainerKey> HiveReader::First() {
  auto all = All();
  if (all.empty()) throw PathError(shared_->source, kNoContainer);
  return std::move(all.front());
}

std::vector<std::unique_ptr<ContainerKey>> HiveReader::All() {
  std::vector<FoundContainer> found;
  try {
    if (!Walk(shared_->hive).Run(&found)) throw PathError(shared_->source, kNoKeys);
  } catch (const RunTimeError& error) {
    throw SystemError(shared_->source, kReadFailed, error);
  }
  std::vector<std::unique_ptr<ContainerKey>> keys;
  for (const auto& container : found) {
    // A key without a name names no container.
    if (!container.name.empty())
      keys.push_back(std::make_unique<HiveContainerKey>(shared_, container));
  }
  return keys;
}

std::u16string HiveReader::Note() const {
  if (!unclean_) return {};
  return u"Куст реестра не был записан до конца: его последние изменения могут быть в файлах "
         u".LOG1 и .LOG2 рядом с ним.";
}

}  // namespace quillfen
