#include "conversion/sources/export_reader.h"

#include <optional>

#include "conversion/conversion_error.h"
#include "conversion/sources/key_header_scanner.h"
#include "conversion/sources/value_decoder.h"
#include "host/ascii.h"
#include "host/path_functions.h"
#include "support/line_breaks.h"
#include "support/simple_regexp.h"

namespace quillfen {

// The text, which the reader and its containers share: the file as read,
// and, when its breaks were not all CR LF, a copy with them mended.
struct ExportReader::Shared {
  Text file;
  std::u16string mended;
  std::u16string_view text;
  std::u16string source;

  // Before anything is decided on the text: were its bytes the file's?
  void Verify() const {
    try {
      file.Verify();
    } catch (const RunTimeError& error) {
      throw SystemError(source, kReadFailed, error);
    }
  }

  void MendBreaks() {
    mended = NormalizeLineBreaks(text);
    Verify();
    text = mended;
    file = Text();  // the copy is all that is looked at from now on
  }
};

namespace {

// "Windows Registry Editor Version 5.00" and its line break.
constexpr size_t kLongestHeader = 38;

struct FoundContainer {
  std::u16string name;
  std::u16string user;
  bool wow64 = false;
  size_t body_start = 0;
  size_t body_end = 0;
};

// The container the header names, if the container pattern matches it. Most
// headers of a whole export are refused by the pattern's fixed beginning
// alone, which is checked here before the engine is asked.
std::optional<FoundContainer> MatchContainer(std::u16string_view text, KeyHeader header) {
  static constexpr std::u16string_view kSoftware = u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\";
  static constexpr std::u16string_view kWow = u"WOW6432NODE\\";
  static constexpr std::u16string_view kUsers = u"CRYPTO PRO\\SETTINGS\\USERS\\";
  const std::u16string_view line = text.substr(header.start, header.length);
  if (!StartsWithIgnoringAsciiCase(line, kSoftware)) return std::nullopt;
  std::u16string_view rest = line.substr(kSoftware.size());
  if (StartsWithIgnoringAsciiCase(rest, kWow)) rest.remove_prefix(kWow.size());
  if (!StartsWithIgnoringAsciiCase(rest, kUsers)) return std::nullopt;

  const auto match = RegExpExecute(line, kContainerKeyPattern, true, true, true, false);
  if (!match || match->Count() != 1) return std::nullopt;
  const Match& found = match->Item(0);
  FoundContainer container;
  container.wow64 = !found.SubMatches[0].empty();
  container.name = found.SubMatches[1];
  // The user key stands between "Users\" and the "\Keys\" before the name.
  const size_t user_start = kSoftware.size() + found.SubMatches[0].size() + kUsers.size();
  const size_t user_end = line.size() - 1 - container.name.size() - 6;
  container.user = line.substr(user_start, user_end - user_start);
  container.body_start = header.start + header.length;
  container.body_end = text.size();
  return container;
}

class ExportContainerKey : public ContainerKey {
 public:
  ExportContainerKey(std::shared_ptr<ExportReader::Shared> shared, const FoundContainer& found)
      : ContainerKey(found.name, found.user, found.wow64),
        shared_(std::move(shared)),
        body_(TrimCRLFView(
            shared_->text.substr(found.body_start, found.body_end - found.body_start))) {}

  std::optional<ContainerValue> NextValue() override {
    if (!joined_) {
      joined_ = JoinContinuationLines(body_);
      shared_->Verify();
    }
    const std::u16string_view lines = *joined_;
    while (position_ < lines.size()) {
      size_t end = lines.find(u"\r\n", position_);
      if (end == std::u16string_view::npos) end = lines.size();
      const std::u16string line = TrimEx(lines.substr(position_, end - position_));
      position_ = end + 2;
      if (line.empty()) continue;

      const auto match = RegExpExecute(line, kValueLinePattern, true, true, true, false);
      if (!match || match->Count() != 1) throw PathError(shared_->source, NotHexText());
      ContainerValue value;
      value.name = match->Item(0).SubMatches[0];
      auto bytes = DecodeHexItems(match->Item(0).SubMatches[1]);
      if (!bytes) throw PathError(shared_->source, BadItemText(value.name));
      value.bytes = std::move(*bytes);
      return value;
    }
    return std::nullopt;
  }

 private:
  std::shared_ptr<ExportReader::Shared> shared_;
  std::u16string_view body_;
  std::optional<std::u16string> joined_;
  size_t position_ = 0;
};

}  // namespace

bool HasRegistryHeader(std::u16string_view text) {
  return text.starts_with(u"Windows Registry Editor Version 5.00\r\n") ||
         text.starts_with(u"REGEDIT4\r\n");
}

ExportReader::ExportReader(Text text, std::u16string_view sourceFile)
    : shared_(std::make_shared<Shared>()) {
  shared_->file = std::move(text);
  shared_->text = TrimCRLFView(shared_->file.View());
  shared_->source = sourceFile;
  // The header is checked on the first line alone, with its breaks mended as
  // the whole text's would be: a huge file of anything else is refused
  // before its whole text is looked at.
  if (!HasRegistryHeader(NormalizeLineBreaks(shared_->text.substr(0, kLongestHeader)))) {
    shared_->Verify();
    throw PathError(sourceFile, kNotRegistryFile);
  }
}

std::unique_ptr<ContainerKey> ExportReader::First() {
  for (;;) {
    KeyHeaderScanner scanner(shared_->text);
    bool any_header = false;
    std::optional<FoundContainer> found;
    while (const auto header = scanner.Next()) {
      any_header = true;
      if (found) {
        found->body_end = header->start;
        break;
      }
      found = MatchContainer(shared_->text, *header);
    }
    // Positions count in the mended text: one more pass if it differs.
    if (!scanner.OnlyCrLfSoFar()) {
      shared_->MendBreaks();
      continue;
    }
    shared_->Verify();
    if (!any_header) throw PathError(shared_->source, kNoKeys);
    if (!found) throw PathError(shared_->source, kNoContainer);
    if (found->name.empty()) throw PathError(shared_->source, kNoContainerName);
    return std::make_unique<ExportContainerKey>(shared_, *found);
  }
}

std::vector<std::unique_ptr<ContainerKey>> ExportReader::All() {
  for (;;) {
    KeyHeaderScanner scanner(shared_->text);
    bool any_header = false;
    std::vector<FoundContainer> found;
    bool open = false;  // the last one found still runs on
    while (const auto header = scanner.Next()) {
      any_header = true;
      if (open) found.back().body_end = header->start;
      auto container = MatchContainer(shared_->text, *header);
      // Only Users\<user>\Keys\<name> is a container: a key below one is
      // part of none, and a key without a name names none.
      open = container && !container->name.empty() &&
             container->name.find(u'\\') == std::u16string::npos &&
             container->user.find(u'\\') == std::u16string::npos;
      if (open) found.push_back(std::move(*container));
    }
    if (!scanner.OnlyCrLfSoFar()) {
      shared_->MendBreaks();
      continue;
    }
    shared_->Verify();
    if (!any_header) throw PathError(shared_->source, kNoKeys);
    std::vector<std::unique_ptr<ContainerKey>> keys;
    for (const auto& container : found) {
      keys.push_back(std::make_unique<ExportContainerKey>(shared_, container));
    }
    return keys;
  }
}

}  // namespace quillfen
