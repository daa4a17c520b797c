#include "tests/test_exports.h"

#include <random>
#include <stdexcept>

#include "host/unicode.h"

namespace quillfen {
namespace {

constexpr char16_t kHexDigits[] = u"0123456789abcdef";

}  // namespace

std::u16string RegeditHexValue(const std::u16string& name, const std::vector<uint8_t>& bytes) {
  std::u16string text = u"\"" + name + u"\"=hex:";
  size_t line_length = text.size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    text += kHexDigits[bytes[i] >> 4];
    text += kHexDigits[bytes[i] & 15];
    line_length += 2;
    if (i + 1 < bytes.size()) {
      text += u',';
      ++line_length;
      if (line_length > 73) {
        text += u"\\\r\n  ";
        line_length = 2;
      }
    }
  }
  return text + u"\r\n";
}

std::u16string RegeditExport(const ValueList& values, const std::u16string& container_header) {
  std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\S-1-5-21-1]\r\n"
      u"\"Name\"=\"Пользователь\"\r\n\r\n";
  text += container_header + u"\r\n";
  for (const auto& [name, bytes] : values) text += RegeditHexValue(name, bytes);
  text +=
      u"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\S-1-5-21-1\\Other]\r\n"
      u"\"Count\"=dword:00000001\r\n\r\n";
  return text;
}

ValueList ExampleContainerValues() {
  std::mt19937 random(20261207);
  const auto bytes = [&](size_t count) {
    std::vector<uint8_t> value(count);
    for (auto& byte : value) byte = static_cast<uint8_t>(random() & 0xFF);
    return value;
  };
  ValueList values;
  values.emplace_back(u"header.key", bytes(1145));
  values.emplace_back(u"masks.key", bytes(56));
  values.emplace_back(u"masks2.key", bytes(56));
  values.emplace_back(u"name.key", bytes(34));
  values.emplace_back(u"primary.key", bytes(36));
  values.emplace_back(u"primary2.key", bytes(36));
  return values;
}

std::vector<TestContainer> FourContainers() {
  std::mt19937 random(4);
  const auto values = [&](std::initializer_list<const char16_t*> names) {
    ValueList list;
    for (const char16_t* name : names) {
      std::vector<uint8_t> bytes(16 + random() % 100);
      for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
      list.emplace_back(name, std::move(bytes));
    }
    return list;
  };
  const auto usual = {u"header.key", u"masks.key",   u"masks2.key",
                      u"name.key",   u"primary.key", u"primary2.key"};
  return {
      {u"S-1-5-21-1001", false, u"perfilev_007730699137_12.12.19_11.50.30", values(usual)},
      {u"S-1-5-21-1001", false, u"perfilev_007730699137_12.12.19_11.50.30 - копия", values(usual)},
      {u"S-1-5-21-1002", false, u"le-abc.def",
       values({u"header.key", u"name.key", u"primary.key"})},
      {u"S-1-5-21-1002", true, u"Ключ ООО Ромашка 2024",
       values({u"header.key", u"masks.key", u"name.key", u"primary.key"})},
  };
}

std::u16string ContainerKeyPath(const TestContainer& container) {
  return std::u16string(container.wow64 ? u"Wow6432Node\\" : u"") +
         u"Crypto Pro\\Settings\\Users\\" + container.user + u"\\Keys\\" + container.name;
}

std::u16string ExpectedListLine(const std::u16string& name, const std::u16string& user, int values,
                                const std::u16string& directory, const std::u16string& missing) {
  std::u16string line =
      name + u"\t" + user + u"\t" + FromUtf8(std::to_string(values)) + u"\t" + directory;
  // The certificate's common name and last day: none in these containers.
  line += u"\t—\t—";
  if (!missing.empty()) line += u"\tнет: " + missing;
  return line;
}

std::u16string FourContainersList() {
  return ExpectedListLine(u"perfilev_007730699137_12.12.19_11.50.30", u"S-1-5-21-1001", 6,
                          u"perfilev.000") +
         u"\r\n" +
         ExpectedListLine(u"perfilev_007730699137_12.12.19_11.50.30 - копия", u"S-1-5-21-1001", 6,
                          u"perfilev.001") +
         u"\r\n" +
         ExpectedListLine(u"le-abc.def", u"S-1-5-21-1002", 3, u"leabcdef.000", u"masks.key") +
         u"\r\n" + ExpectedListLine(u"Ключ ООО Ромашка 2024", u"S-1-5-21-1002", 4, u"2024.000");
}

std::u16string SeveralContainersExport(const std::vector<TestContainer>& containers) {
  const std::u16string software = u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\";
  std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n" + software +
                        u"Adobe\\Reader]\r\n\"Version\"=\"11.0\"\r\n\r\n" + software +
                        u"Crypto Pro\\Settings]\r\n\"Level\"=dword:00000002\r\n\r\n";
  for (size_t i = 0; i < containers.size(); ++i) {
    const TestContainer& container = containers[i];
    text += software + ContainerKeyPath(container) + u"]\r\n";
    for (const auto& [name, bytes] : container.values) text += RegeditHexValue(name, bytes);
    text += u"\r\n";
    if (i == 0) {
      // Below a container, and no container itself.
      text += software + ContainerKeyPath(container) + u"\\Extra]\r\n\"a.key\"=hex:01\r\n\r\n";
    }
    // The user key's other subkey follows Keys, as the registry sorts them.
    const bool last_of_user = i + 1 == containers.size() ||
                              containers[i + 1].user != container.user ||
                              containers[i + 1].wow64 != container.wow64;
    if (last_of_user) {
      const std::u16string keys = ContainerKeyPath(container);
      text += software + keys.substr(0, keys.rfind(u"\\Keys\\")) +
              u"\\Options]\r\n\"Flag\"=dword:00000001\r\n\r\n";
    }
  }
  text += software + u"Zeta\\Last]\r\n\"x\"=hex:00\r\n\r\n";
  return text;
}

std::vector<EncodedText> EveryEncoding(const std::u16string& text) {
  return {
      {"UTF-16LE with mark", EncodeUtf16Le(text, true)},
      {"UTF-16LE without mark", EncodeUtf16Le(text, false)},
      {"UTF-16BE with mark", EncodeUtf16Be(text)},
      {"UTF-8 with mark", EncodeUtf8(text, true)},
      {"UTF-8 without mark", EncodeUtf8(text, false)},
      {"Windows-1251", EncodeWindows1251(text)},
  };
}

std::string EncodeUtf16Le(const std::u16string& text, bool with_mark) {
  std::string bytes = with_mark ? "\xFF\xFE" : "";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::string EncodeUtf16Be(const std::u16string& text) {
  std::string bytes = "\xFE\xFF";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit >> 8);
    bytes += static_cast<char>(unit & 0xFF);
  }
  return bytes;
}

std::string EncodeUtf8(const std::u16string& text, bool with_mark) {
  return (with_mark ? "\xEF\xBB\xBF" : "") + ToUtf8(text);
}

std::string EncodeWindows1251(const std::u16string& text) {
  std::string bytes;
  for (const char16_t unit : text) {
    if (unit < 0x80) {
      bytes += static_cast<char>(unit);
    } else if (unit >= 0x0410 && unit <= 0x044F) {
      bytes += static_cast<char>(unit - 0x0410 + 0xC0);
    } else if (unit == 0x0401 || unit == 0x0451) {
      bytes += static_cast<char>(unit == 0x0401 ? 0xA8 : 0xB8);
    } else {
      throw std::invalid_argument("not in the test's Windows-1251 subset");
    }
  }
  return bytes;
}

}  // namespace quillfen
