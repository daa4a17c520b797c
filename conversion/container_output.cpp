#include "conversion/container_output.h"

#include <optional>

#include "conversion/value_decoder.h"
#include "host/error_reporter.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/text_file.h"
#include "support/create_complex_directory.h"
#include "support/simple_regexp.h"

namespace quillfen {
namespace {

constexpr char16_t kDirectoryFailed[] = u"Не удалось создать каталог контейнера.";
constexpr char16_t kWriteFailed[] = u"Не удалось записать файл в каталог контейнера.";
constexpr char16_t kInvalidValue[] = u"В файле реестра обнаружено неверное значение ";
// Windows' ERROR_INVALID_NAME.
constexpr int kInvalidNameError = 123;

std::u16string ParentOf(std::u16string_view path, PathStyle style) {
  const size_t end = style == PathStyle::kWindows ? path.find_last_of(u"\\/") : path.rfind(u'/');
  if (end == std::u16string_view::npos) return std::u16string(path);
  return std::u16string(path.substr(0, end == 0 ? 1 : end));
}

}  // namespace

bool IsWindowsDeviceName(std::u16string_view fileName) {
  std::u16string base(fileName.substr(0, fileName.find(u'.')));
  for (auto& c : base) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return true;
  return base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT")) &&
         base[3] >= u'0' && base[3] <= u'9';
}

bool ContainerOutput::CreateDirectory(std::u16string_view directory) {
  bool created = false;
  try {
    created = CreateComplexDirectory(host_.files, directory, false, &directories_);
  } catch (const RunTimeError&) {
    created = false;
  }
  if (!created) {
    ShowMessage(host_.messenger, PathMessage(directory, kDirectoryFailed), MessageStyle::kCritical);
  }
  return created;
}

bool ContainerOutput::WriteContainerFile(std::u16string_view directory,
                                         std::u16string_view fileName,
                                         std::span<const uint8_t> bytes) {
  if (!CreateDirectory(directory)) return false;
  const std::u16string path = BuildFileName2(directory, fileName, host_.files.Style());
  try {
    // The bytes of a device name would go to the device, not into a file.
    if (host_.files.Style() == PathStyle::kWindows && IsWindowsDeviceName(fileName)) {
      throw RunTimeError(kInvalidNameError, u"The name is reserved for a Windows device");
    }
    TextFile(host_.files).WriteBytes(path, bytes);
  } catch (const RunTimeError& error) {
    ErrorReporter(host_.messenger).ReportError(error, PathMessage(path, kWriteFailed));
    return false;
  }
  files_.push_back(path);
  return true;
}

bool ContainerOutput::Sync(std::u16string_view directory) {
  std::vector<std::u16string> to_sync{std::u16string(directory)};
  for (const auto& created : directories_) {
    to_sync.push_back(ParentOf(created, host_.files.Style()));
  }
  for (const auto& path : to_sync) {
    try {
      host_.files.SyncDirectory(path);
    } catch (const RunTimeError& error) {
      ErrorReporter(host_.messenger).ReportError(error, PathMessage(path, kWriteFailed));
      return false;
    }
  }
  return true;
}

void ContainerOutput::Rollback() {
  // Best effort: the failure has been reported, and a removal that fails
  // cannot be helped by stopping the others.
  const auto remove_newest_first = [this](std::vector<std::u16string>& paths) {
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
      try {
        host_.files.Remove(*path);
      } catch (const RunTimeError&) {
      }
    }
    paths.clear();
  };
  remove_newest_first(files_);
  remove_newest_first(directories_);
}

bool WriteContainer(std::u16string_view body, const ConverterArgs& args, Host& host) {
  ContainerOutput output(host);
  const auto fail = [&](std::u16string_view text) {
    ShowMessage(host.messenger, PathMessage(args.SourceFile, text), MessageStyle::kCritical);
    output.Rollback();
    return false;
  };

  const std::u16string lines = JoinContinuationLines(body);
  bool wrote_any = false;
  for (size_t start = 0; start < lines.size();) {
    size_t end = lines.find(u"\r\n", start);
    if (end == std::u16string::npos) end = lines.size();
    const std::u16string line = TrimEx(std::u16string_view(lines).substr(start, end - start));
    start = end + 2;
    if (line.empty()) continue;

    const auto match = RegExpExecute(line, kValueLinePattern, true, true, true, false);
    if (!match || match->Count() != 1) {
      return fail(std::u16string(kInvalidValue) +
                  u"(данные не являются двоичными или записаны с ошибкой).");
    }
    const std::u16string& name = match->Item(0).SubMatches[0];
    const auto bytes = DecodeHexItems(match->Item(0).SubMatches[1]);
    if (!bytes) {
      return fail(std::u16string(kInvalidValue) + u"«" + name +
                  u"» (данные не являются двоичными или записаны с ошибкой).");
    }
    if (!output.WriteContainerFile(args.TargetPath, name, *bytes)) {
      output.Rollback();
      return false;
    }
    wrote_any = true;
  }

  // A key without values still becomes a directory, or success would name a
  // directory that is not there.
  if ((!wrote_any && !output.CreateDirectory(args.TargetPath)) || !output.Sync(args.TargetPath)) {
    output.Rollback();
    return false;
  }
  return true;
}

}  // namespace quillfen
