#include "conversion/destinations/reg_writer.h"

#include "conversion/conversion_error.h"
#include "host/ascii.h"
#include "host/directory.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/stop_signals.h"

namespace quillfen {
namespace {

constexpr char16_t kRegFileFailed[] = u"Не удалось записать файл реестра.";
constexpr size_t kWrapAt = 77;

// UTF-16LE text written into a new file a megabyte at a time, so that a
// value's text is never held whole.
class RegFileText {
 public:
  explicit RegFileText(NewFile& file) : file_(file) { bytes_.reserve(kPiece + 2); }

  RegFileText& operator+=(char16_t unit) {
    bytes_.push_back(uint8_t(unit & 0xFF));
    bytes_.push_back(uint8_t(unit >> 8));
    if (bytes_.size() >= kPiece) Flush();
    return *this;
  }
  RegFileText& operator+=(std::u16string_view text) {
    for (const char16_t unit : text) *this += unit;
    return *this;
  }
  void Flush() {
    file_.Write(bytes_);
    bytes_.clear();
  }

 private:
  static constexpr size_t kPiece = 1 << 20;
  NewFile& file_;
  std::vector<uint8_t> bytes_;
};

// One binary value as the registry editor writes it, onto `text`.
template <typename Text>
void AppendHexValue(Text& text, std::u16string_view name, const std::vector<uint8_t>& bytes) {
  text += u'"';
  text += name;
  text += std::u16string_view(u"\"=hex:");
  size_t line = name.size() + 7;
  for (size_t i = 0; i < bytes.size(); ++i) {
    AppendHexByte(text, bytes[i]);
    line += 2;
    if (i + 1 == bytes.size()) break;
    text += u',';
    if (++line >= kWrapAt) {
      text += std::u16string_view(u"\\\r\n  ");
      line = 2;
    }
  }
  text += std::u16string_view(u"\r\n");
}

// The registry editor's export of the key of `key` alone: the byte-order
// mark, the 5.00 header, an empty line, the key header, one binary value per
// value, an empty line; CR LF breaks. Values are read and written one at a
// time; a stop signal is looked for between them.
void WriteRegEditorExport(ContainerKey& key, RegFileText& text) {
  text += u'\uFEFF';
  text += std::u16string_view(
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\");
  if (key.Wow64()) text += std::u16string_view(u"Wow6432Node\\");
  text += std::u16string_view(u"Crypto Pro\\Settings\\Users\\");
  text += key.User();
  text += std::u16string_view(u"\\Keys\\");
  text += key.Name();
  text += std::u16string_view(u"]\r\n");
  for (;;) {
    StopIfRequested();
    const auto value = key.NextValue();
    if (!value) break;
    AppendHexValue(text, value->name, value->bytes);
  }
  text += std::u16string_view(u"\r\n");
  text.Flush();
}

}  // namespace

std::u16string RegEditorHexValue(std::u16string_view name, const std::vector<uint8_t>& bytes) {
  std::u16string text;
  AppendHexValue(text, name, bytes);
  return text;
}

void RegFileOutput::Write(std::u16string_view target, ContainerKey& key) {
  const PathStyle style = files_.Style();
  std::u16string name = LastPathElement(target, style);
  try {
    folder_ = files_.OpenDirectory(ParentDirectory(target, style), LastLink::kFollow);
    const auto file = folder_->CreateNewFile(name);
    RegFileText text(*file);
    WriteRegEditorExport(key, text);
    file->Finish();
    made_ = std::move(name);
    folder_->Sync();
  } catch (const RunTimeError& error) {
    throw SystemError(target, kRegFileFailed, error);
  }
}

void RegFileOutput::Rollback() {
  if (made_.empty()) return;
  try {
    folder_->Remove(made_, false);
  } catch (const RunTimeError&) {
  }
}
}  // namespace quillfen
