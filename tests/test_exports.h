#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quillfen {

using ValueList = std::vector<std::pair<std::u16string, std::vector<uint8_t>>>;

inline constexpr char16_t kTestContainerHeader[] =
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\S-1-5-21-1\\Keys\\Container 1]";

// One value as the registry editor writes it: `"name"=hex:` and the bytes,
// wrapped before 77 columns with a trailing backslash, continuation lines
// indented by two spaces. Lines end in CR LF.
std::u16string RegeditHexValue(const std::u16string& name, const std::vector<uint8_t>& bytes);

// A whole export: the 5.00 header, a key before the container, the container
// key with `values`, and a key after it.
std::u16string RegeditExport(const ValueList& values,
                             const std::u16string& container_header = kTestContainerHeader);

// The six values of the bundled example export (random bytes from a fixed seed).
ValueList ExampleContainerValues();

// A container as a test puts it into an export or a hive.
struct TestContainer {
  std::u16string user;
  bool wow64 = false;
  std::u16string name;
  ValueList values;
};

// Four containers as users keep them, in the order a registry editor
// exports them: two users, the last under Wow6432Node; names with blanks,
// Cyrillic letters, dots and the " - копия" of a copy; two that share their
// first eight letters; one without masks.key.
std::vector<TestContainer> FourContainers();

// `containers` in an export of all of HKEY_LOCAL_MACHINE\SOFTWARE as the
// registry editor writes one: other keys before, between and after them, and
// a subkey with a value below the first container.
std::u16string SeveralContainersExport(const std::vector<TestContainer>& containers);

// The key path of a container below HKEY_LOCAL_MACHINE\SOFTWARE.
std::u16string ContainerKeyPath(const TestContainer& container);

// One line of --list: the container's name, its user key, the number of its
// values, the directory --all would give it, "—" for a certificate's name
// and last day (the test containers hold none) and, when any of the values
// every container has is missing, "нет: " and `missing`. Every test builds
// the lines here, so that a column is changed in one place.
std::u16string ExpectedListLine(const std::u16string& name, const std::u16string& user, int values,
                                const std::u16string& directory,
                                const std::u16string& missing = {});

// --list of FourContainers(), lines joined by CR LF.
std::u16string FourContainersList();

struct EncodedText {
  const char* name;
  std::string bytes;
};
// `text` in every encoding a reader must take: UTF-16LE with and without a
// mark, UTF-16BE, UTF-8 with and without a mark, and Windows-1251.
std::vector<EncodedText> EveryEncoding(const std::u16string& text);

std::string EncodeUtf16Le(const std::u16string& text, bool with_mark);
std::string EncodeUtf16Be(const std::u16string& text);
std::string EncodeUtf8(const std::u16string& text, bool with_mark);
// Windows-1251, for texts of ASCII and Cyrillic letters.
std::string EncodeWindows1251(const std::u16string& text);

}  // namespace quillfen
