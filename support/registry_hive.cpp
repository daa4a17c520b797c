#include "support/registry_hive.h"

#include <hivex.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "host/private_file_posix.h"
#include "host/run_time_error.h"
#include "host/stop_signals.h"
#include "host/unicode.h"

namespace quillfen {
namespace {

// What libhivex left in errno. The errors it gives for what it finds wrong
// in a hive say so; the others are the system's.
[[noreturn]] void ThrowHivexError(int number = errno) {
  if (number == ENOMEM) throw std::bad_alloc();
  if (number == 0) number = EINVAL;
  std::u16string description = FromUtf8(std::strerror(number));
  if (number == EINVAL || number == ENOTSUP || number == ERANGE || number == EFAULT ||
      number == ELOOP) {
    description = u"Damaged registry hive: " + description;
  }
  throw RunTimeError(number, description);
}

// The copy is made a megabyte at a time.
constexpr size_t kPiece = 1 << 20;

// libhivex hands out names, lists and data in memory of malloc's.
struct Freer {
  void operator()(void* memory) const { std::free(memory); }
};
template <typename T>
using Malloced = std::unique_ptr<T, Freer>;

}  // namespace

struct RegistryHive::Handle {
  hive_h* hive = nullptr;

  ~Handle() {
    if (hive != nullptr) hivex_close(hive);
  }
};

RegistryHive::RegistryHive(const FileBytes& file) {
  PrivateFile copy;
  // Through a buffer of the program's own: a page the file no longer has is
  // then read by the program, where the mapping's guard sees it, not by the
  // system on the way to the copy.
  const std::string_view bytes = file.Bytes();
  std::string piece;
  for (size_t done = 0; done < bytes.size(); done += piece.size()) {
    StopIfRequested();
    piece.assign(bytes.substr(done, kPiece));
    copy.Write(piece);
  }
  file.Verify();
  // A debugging libhivex prints its own lines; the program shows one
  // message only.
  ::unsetenv("HIVEX_DEBUG");
  auto handle = std::make_unique<Handle>();
  int error = 0;
  copy.OpenThroughDirectory([&](const char* name) {
    errno = 0;
    handle->hive = hivex_open(name, 0);
    error = errno;
  });
  if (handle->hive == nullptr) ThrowHivexError(error);
  handle_ = handle.release();
}

RegistryHive::~RegistryHive() { delete handle_; }

RegistryHive::Node RegistryHive::Root() const {
  errno = 0;
  const hive_node_h root = hivex_root(handle_->hive);
  if (root == 0) ThrowHivexError();
  return root;
}

std::vector<RegistryHive::Node> RegistryHive::Children(Node node) const {
  errno = 0;
  const Malloced<hive_node_h> children(hivex_node_children(handle_->hive, node));
  if (!children) ThrowHivexError();
  std::vector<Node> nodes;
  for (const hive_node_h* child = children.get(); *child != 0; ++child) nodes.push_back(*child);
  return nodes;
}

std::u16string RegistryHive::Name(Node node) const {
  errno = 0;
  const Malloced<char> name(hivex_node_name(handle_->hive, node));
  if (!name) ThrowHivexError();
  return FromUtf8(name.get());
}

std::vector<RegistryHive::Value> RegistryHive::Values(Node node) const {
  errno = 0;
  const Malloced<hive_value_h> values(hivex_node_values(handle_->hive, node));
  if (!values) ThrowHivexError();
  std::vector<Value> list;
  for (const hive_value_h* value = values.get(); *value != 0; ++value) list.push_back(*value);
  return list;
}

std::u16string RegistryHive::ValueName(Value value) const {
  errno = 0;
  const Malloced<char> name(hivex_value_key(handle_->hive, value));
  if (!name) ThrowHivexError();
  return FromUtf8(name.get());
}

uint32_t RegistryHive::ValueType(Value value) const {
  hive_type type;
  size_t length = 0;
  errno = 0;
  if (hivex_value_type(handle_->hive, value, &type, &length) != 0) ThrowHivexError();
  // Copied as a word: a type outside the enum's names is no valid enum value.
  uint32_t word;
  static_assert(sizeof word == sizeof type);
  std::memcpy(&word, &type, sizeof word);
  return word;
}

std::vector<uint8_t> RegistryHive::ValueBytes(Value value) const {
  hive_type type;
  size_t length = 0;
  errno = 0;
  const Malloced<char> data(hivex_value_value(handle_->hive, value, &type, &length));
  if (!data) ThrowHivexError();
  return std::vector<uint8_t>(data.get(), data.get() + length);
}

}  // namespace quillfen
