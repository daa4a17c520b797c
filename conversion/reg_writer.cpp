#include "conversion/reg_writer.h"

#include <new>

#include "conversion/conversion_error.h"
#include "conversion/convert_reg_file.h"
#include "conversion/directory_reader.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/visible_name.h"

namespace quillfen {
namespace {

constexpr char16_t kRegFileFailed[] = u"Не удалось записать файл реестра.";
constexpr size_t kWrapAt = 77;

}  // namespace

std::u16string RegEditorHexValue(std::u16string_view name, const std::vector<uint8_t>& bytes) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  // Built by appending: GCC 12 warns wrongly about a literal before a
  // temporary string.
  std::u16string text = u"\"";
  text += name;
  text += u"\"=hex:";
  size_t line = text.size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
    line += 2;
    if (i + 1 == bytes.size()) break;
    text += u',';
    if (++line >= kWrapAt) {
      text += u"\\\r\n  ";
      line = 2;
    }
  }
  return text + u"\r\n";
}

std::u16string RegEditorExport(ContainerKey& key) {
  std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\";
  if (key.Wow64()) text += u"Wow6432Node\\";
  text += u"Crypto Pro\\Settings\\Users\\" + key.User() + u"\\Keys\\" + key.Name() + u"]\r\n";
  while (const auto value = key.NextValue()) text += RegEditorHexValue(value->name, value->bytes);
  return text + u"\r\n";
}

bool ConvertDirectoryToReg(const ToRegRequest& request, Host& host, std::u16string* written) {
  const PathStyle style = host.files.Style();
  std::u16string directory = request.directory;
  while (directory.size() > 1 && (directory.back() == u'/' ||
                                  (style == PathStyle::kWindows && directory.back() == u'\\'))) {
    directory.pop_back();
  }
  std::u16string target;
  bool created = false;
  try {
    // "." and ".." name no container and would put the file inside the
    // directory: the directory's own name stands in for them.
    const std::u16string last = ContainerNameOfDirectory(directory, style);
    if (last == u"." || last == u"..") {
      try {
        directory = host.files.FullPath(directory);
      } catch (const RunTimeError& error) {
        throw SystemError(directory, u"Не удалось прочитать каталог-контейнер.", error);
      }
      if (style == PathStyle::kPosix) directory = NormalizePosixPath(u"/", directory);
    }
    target =
        request.target.empty() ? ReplaceFileExtension(directory, u"reg", style) : request.target;
    const std::u16string name =
        request.name.empty() ? ContainerNameOfDirectory(directory, style) : request.name;
    // A key's name holds no backslash, and a line break would end its header.
    for (const std::u16string* key_name : {&request.sid, &name}) {
      if (key_name->empty() || key_name->find_first_of(u"\\\r\n") != std::u16string::npos) {
        throw ConversionError(u"Имя раздела «" + VisibleName(*key_name) +
                              u"» не годится: оно не может быть пустым или содержать «\\» и "
                              u"переводы строки.");
      }
    }
    RefuseExistingTarget(host.files, target);
    const auto key =
        ReadContainerDirectory(host.files, directory, name, request.sid, request.wow64);
    const std::u16string text = RegEditorExport(*key);
    std::vector<uint8_t> bytes = {0xFF, 0xFE};
    bytes.reserve(2 + 2 * text.size());
    for (const char16_t unit : text) {
      bytes.push_back(uint8_t(unit & 0xFF));
      bytes.push_back(uint8_t(unit >> 8));
    }
    try {
      host.files.WriteNewFile(target, bytes);
      created = true;
      host.files.SyncDirectory(ParentDirectory(target, style));
    } catch (const RunTimeError& error) {
      throw SystemError(target, kRegFileFailed, error);
    } catch (const std::bad_alloc&) {
      throw SystemError(target, kRegFileFailed, OutOfMemory());
    }
    *written = target;
    return true;
  } catch (...) {
    const std::u16string message = CaughtFailureMessage(directory);
    if (created) {
      try {
        host.files.Remove(target);
      } catch (const RunTimeError&) {
      }
    }
    ShowMessage(host.messenger, message, MessageStyle::kCritical);
    return false;
  }
}

}  // namespace quillfen
