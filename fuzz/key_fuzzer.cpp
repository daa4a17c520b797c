// Any bytes as a container's key files and a password: the key is either
// recovered, and then proved and written as PKCS #8 that reads back as the
// same number, or refused with one message; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "conversion/contents/private_key_pem.h"
#include "conversion/contents/private_key_recovery.h"
#include "conversion/conversion_error.h"
#include "conversion/runs/password_source.h"
#include "fuzz/fuzz_check.h"
#include "support/der.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

// The input is five files, each as a two-byte little-endian length and its
// bytes (0xFFFF: the file is missing), then the password file.
struct Input {
  std::vector<ContainerValue> values;
  std::string password;
};

Input Split(const uint8_t* data, size_t size) {
  Input input;
  size_t at = 0;
  for (const char16_t* name :
       {u"header.key", u"masks.key", u"primary.key", u"masks2.key", u"primary2.key"}) {
    if (size - at < 2) break;
    const size_t length = data[at] | size_t{data[at + 1]} << 8;
    at += 2;
    if (length == 0xFFFF) continue;
    const size_t taken = std::min(length, size - at);
    input.values.push_back({name, std::vector<uint8_t>(data + at, data + at + taken)});
    at += taken;
  }
  input.password.assign(reinterpret_cast<const char*>(data + at), size - at);
  return input;
}

}  // namespace
}  // namespace quillfen

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillfen;
  const Input input = Split(data, size);
  FakeFileSystem files;
  files.AddFile(u"/work/password", input.password);
  RecordingMessenger messenger;
  Host host{files, messenger};
  PasswordSource passwords(host, u"/work/password", u"/work/in.reg");
  try {
    const RecoveredKey key = RecoverKey(input.values, passwords, u"/work/in.reg", u"fuzz");
    // Proved: d·G is a point of the curve whose X starts as primaryFP says.
    const auto public_key = PublicKeyOf(key.curve, key.d.Span());
    FUZZ_CHECK(public_key.has_value());
    const SecureBytes info = PrivateKeyInfo(key.family, key.curve, key.d);
    const auto decoded = DerStructure::Decode("PrivateKeyInfo", info.Span());
    const auto number = decoded.Bytes("privateKey");
    FUZZ_CHECK(number.size() == key.d.size());
    FUZZ_CHECK(std::equal(number.begin(), number.end(), key.d.data()));
    FUZZ_CHECK(!Pem("PRIVATE KEY", info.Span()).empty());
  } catch (const ConversionError& error) {
    FUZZ_CHECK(!error.Message().empty());
  }
  FUZZ_CHECK(messenger.shown.empty());
  return 0;
}
