#include "conversion/sources/directory_reader.h"

#include <algorithm>

#include "conversion/conversion_error.h"
#include "conversion/sources/value_decoder.h"
#include "host/ascii.h"
#include "host/directory.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/visible_name.h"

namespace quillfen {
namespace {

std::u16string Lower(std::u16string_view text) {
  std::u16string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
  return lower;
}

// What Windows Explorer leaves in a folder it has shown.
bool IsExplorerFile(std::u16string_view name) {
  return EqualIgnoringAsciiCase(name, u"desktop.ini") || EqualIgnoringAsciiCase(name, u"Thumbs.db");
}

class DirectoryContainerKey : public ContainerKey {
 public:
  DirectoryContainerKey(std::unique_ptr<Directory> opened, std::u16string directory,
                        PathStyle style, std::vector<std::u16string> names, std::u16string name,
                        std::u16string user, bool wow64)
      : ContainerKey(std::move(name), std::move(user), wow64),
        opened_(std::move(opened)),
        directory_(std::move(directory)),
        style_(style),
        names_(std::move(names)) {}

  std::optional<ContainerValue> NextValue() override {
    if (next_ == names_.size()) return std::nullopt;
    const std::u16string& name = names_[next_++];
    const std::u16string path = BuildFileName2(directory_, name, style_);
    try {
      const auto file = opened_->ReadFile(name);
      const std::string_view bytes = file->Bytes();
      ContainerValue value{name, std::vector<uint8_t>(bytes.begin(), bytes.end())};
      file->Verify();
      if (value.bytes.empty())
        throw PathError(path, u"Файл пуст: значение без данных не прочитать обратно.");
      return value;
    } catch (const RunTimeError& error) {
      throw SystemError(path, kReadFailed, error);
    }
  }

 private:
  std::unique_ptr<Directory> opened_;
  std::u16string directory_;
  PathStyle style_;
  std::vector<std::u16string> names_;
  size_t next_ = 0;
};

}  // namespace

std::u16string ContainerNameOfDirectory(std::u16string_view directory, PathStyle style) {
  const auto separator = [&](char16_t c) {
    return c == u'/' || (style == PathStyle::kWindows && c == u'\\');
  };
  while (directory.size() > 1 && separator(directory.back())) directory.remove_suffix(1);
  return RemoveFileExtension(LastPathElement(directory, style), style);
}

std::unique_ptr<ContainerKey> ReadContainerDirectory(FileSystem& files,
                                                     std::u16string_view directory,
                                                     std::u16string name, std::u16string user,
                                                     bool wow64,
                                                     std::vector<std::u16string>* left_out) {
  std::unique_ptr<Directory> opened;
  std::vector<FileSystem::Entry> entries;
  try {
    opened = files.OpenDirectory(directory, LastLink::kFollow);
    entries = opened->List();
  } catch (const RunTimeError& error) {
    throw SystemError(directory, u"Не удалось прочитать каталог-контейнер.", error);
  }
  // The registry editor lists values by name with capitals as small letters.
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    const std::u16string la = Lower(a.name), lb = Lower(b.name);
    return la != lb ? la < lb : a.name < b.name;
  });
  std::vector<std::u16string> names;
  for (const auto& entry : entries) {
    if (IsExplorerFile(entry.name)) {
      if (left_out != nullptr) left_out->push_back(entry.name);
      continue;
    }
    const std::u16string path = BuildFileName2(directory, entry.name, files.Style());
    if (entry.kind != FileSystem::Entry::Kind::kFile) {
      throw PathError(path, u"Это не файл: в каталоге-контейнере бывают только файлы значений.");
    }
    if (!IsContainerValueName(entry.name)) {
      throw PathError(path,
                      u"Имя файла не годится для значения контейнера: нужны две группы букв "
                      u"или цифр через точку.");
    }
    if (!names.empty() && Lower(names.back()) == Lower(entry.name)) {
      throw PathError(path, u"Значение " + QuotedName(names.back()) +
                                u" уже есть: в реестре имена значений не различают регистр букв.");
    }
    names.push_back(entry.name);
  }
  return std::make_unique<DirectoryContainerKey>(std::move(opened), std::u16string(directory),
                                                 files.Style(), std::move(names), std::move(name),
                                                 std::move(user), wow64);
}

}  // namespace quillfen
