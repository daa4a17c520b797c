#include "support/registry_hive.h"

#include <hivex.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "host/file_descriptor.h"
#include "host/run_time_error.h"
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

// libhivex hands out names, lists and data in memory of malloc's.
struct Freer {
  void operator()(void* memory) const { std::free(memory); }
};
template <typename T>
using Malloced = std::unique_ptr<T, Freer>;

}  // namespace

struct RegistryHive::Handle {
  hive_h* hive = nullptr;
};

RegistryHive::RegistryHive(std::string_view bytes) {
  // libhivex opens files by name and maps them: an anonymous file of our own
  // holds the bytes, out of reach of whoever might change the original.
  const FileDescriptor file(::memfd_create("quillfen-hive", MFD_CLOEXEC));
  if (file.get() < 0) throw RunTimeError::FromSystem(errno);
  for (size_t written = 0; written < bytes.size();) {
    const ssize_t count = ::write(file.get(), bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno != EINTR) throw RunTimeError::FromSystem(errno);
    if (count > 0) written += size_t(count);
  }
  // A debugging libhivex prints its own lines; the program shows one
  // message only.
  ::unsetenv("HIVEX_DEBUG");
  const std::string name = "/proc/self/fd/" + std::to_string(file.get());
  auto handle = std::make_unique<Handle>();
  errno = 0;
  handle->hive = hivex_open(name.c_str(), 0);
  if (handle->hive == nullptr) ThrowHivexError();
  handle_ = handle.release();
}

RegistryHive::~RegistryHive() {
  hivex_close(handle_->hive);
  delete handle_;
}

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
