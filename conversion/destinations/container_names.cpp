#include "conversion/destinations/container_names.h"

#include "conversion/conversion_error.h"
#include "conversion/destinations/container_output.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/visible_name.h"

namespace quillfen {

std::u16string ShortContainerName(std::u16string_view containerName) {
  std::u16string name;
  for (const char16_t c : containerName) {
    if (name.size() == 8) break;
    if (c >= u'A' && c <= u'Z') {
      name += char16_t(c - u'A' + u'a');
    } else if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) {
      name += c;
    }
  }
  return name.empty() || IsWindowsDeviceName(name) ? u"key" : name;
}

bool DirectoryNamer::Taken(const std::u16string& name) {
  if (given_.count(name) != 0) return true;
  if (files_ == nullptr) return false;
  try {
    return IsFileOrDirectoryExist(*files_, BuildFileName2(directory_, name, files_->Style()));
  } catch (const RunTimeError&) {
    return true;  // what cannot be tested is not written over
  }
}

std::optional<std::u16string> DirectoryNamer::Next(std::u16string_view containerName) {
  const std::u16string base = ShortContainerName(containerName);
  for (int number = 0; number <= 999; ++number) {
    std::u16string name = base + u".";
    name += char16_t(u'0' + number / 100);
    name += char16_t(u'0' + number / 10 % 10);
    name += char16_t(u'0' + number % 10);
    if (Taken(name)) continue;
    given_.insert(name);
    return name;
  }
  return std::nullopt;
}

ConversionError AllNamesTaken(std::u16string_view directory, std::u16string_view containerName) {
  const std::u16string base = ShortContainerName(containerName);
  return PathError(directory, u"Не удалось создать каталог контейнера: имена " + base + u".000–" +
                                  base + u".999 уже заняты.\r\n\r\nКонтейнер " +
                                  QuotedName(containerName) + u".");
}

std::u16string DirectoryNamer::Take(std::u16string_view containerName) {
  if (auto name = Next(containerName)) return std::move(*name);
  throw AllNamesTaken(directory_, containerName);
}

}  // namespace quillfen
