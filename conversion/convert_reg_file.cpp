#include "conversion/convert_reg_file.h"

#include <cerrno>
#include <new>
#include <optional>

#include "conversion/container_output.h"
#include "host/error_reporter.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/text_file.h"
#include "support/common.h"
#include "support/simple_regexp.h"

namespace quillfen {
namespace {

constexpr char16_t kReadFailed[] = u"Не удалось прочитать файл.";
// "Windows Registry Editor Version 5.00" and its line break.
constexpr size_t kLongestHeader = 38;

void ShowPathError(Host& host, std::u16string_view path, std::u16string_view text) {
  ShowMessage(host.messenger, PathMessage(path, text), MessageStyle::kCritical);
}

// Finds the container key in the export text and returns its body, or shows
// why there is none.
std::optional<std::u16string> ReadContainerBody(Text file_text, const ConverterArgs& args,
                                                Host& host) {
  std::u16string_view text = TrimCRLFView(file_text.View());
  // The header is checked on the first line alone, with its breaks mended as
  // the whole text's would be: a huge file of anything else is refused
  // before its whole text is looked at.
  if (!HasRegistryHeader(NormalizeLineBreaks(text.substr(0, kLongestHeader)))) {
    ShowPathError(host, args.SourceFile, u"Файл не является файлом реестра.");
    return std::nullopt;
  }
  // A registry editor's export has CR LF breaks already and is used where it
  // lies; any other is copied once with its breaks mended.
  std::u16string normalized;
  if (!HasOnlyCrLfLineBreaks(text)) {
    normalized = NormalizeLineBreaks(text);
    file_text = Text();
    text = normalized;
  }

  const auto headers = RegExpExecute(text, kKeyHeaderPattern, true, true, true, false);
  if (!headers || headers->Count() < 1) {
    ShowPathError(host, args.SourceFile, u"В файле реестра не найдено разделов.");
    return std::nullopt;
  }

  int32_t container = -1;
  std::optional<MatchCollection> key;
  for (int32_t i = 0; i < headers->Count(); ++i) {
    key = RegExpExecute(headers->Item(i).Value, kContainerKeyPattern, true, true, true, false);
    if (key && key->Count() == 1) {
      container = i;
      break;
    }
  }
  if (container < 0) {
    ShowPathError(host, args.SourceFile, u"В файле реестра не найден раздел с контейнером.");
    return std::nullopt;
  }
  if (key->Item(0).SubMatches[1].empty()) {
    ShowPathError(host, args.SourceFile, u"Не удалось определить имя контейнера.");
    return std::nullopt;
  }

  // The body runs from the end of the container's header to the next
  // header, or to the end of the text.
  const Match& header = headers->Item(container);
  const size_t start = size_t(header.FirstIndex) + size_t(header.Length);
  const size_t end = container + 1 < headers->Count()
                         ? size_t(headers->Item(container + 1).FirstIndex)
                         : text.size();
  return TrimCRLF(text.substr(start, end - start));
}

}  // namespace

bool HasRegistryHeader(std::u16string_view text) {
  return text.starts_with(u"Windows Registry Editor Version 5.00\r\n") ||
         text.starts_with(u"REGEDIT4\r\n");
}

bool ConvertRegFile(const ConverterArgs& args, Host& host) {
  bool target_exists;
  try {
    target_exists = IsFileOrDirectoryExist(host.files, args.TargetPath);
  } catch (const RunTimeError&) {
    target_exists = true;  // what cannot be tested is not written over
  }
  if (target_exists) {
    ShowPathError(host, args.TargetPath, u"Файл или каталог уже существует.");
    return false;
  }

  const std::u16string read_failed = PathMessage(args.SourceFile, kReadFailed);
  std::optional<std::u16string> body;
  try {
    body = ReadContainerBody(TextFile(host.files).ReadText(args.SourceFile), args, host);
  } catch (const RunTimeError& error) {
    ErrorReporter(host.messenger).ReportError(error, read_failed);
    return false;
  } catch (const std::bad_alloc&) {
    // The text of a huge export did not fit beside its working copies.
    ErrorReporter(host.messenger)
        .ReportError(RunTimeError(ENOMEM, u"Not enough memory for the file's text"), read_failed);
    return false;
  }
  return body && WriteContainer(*body, args, host);
}

}  // namespace quillfen
