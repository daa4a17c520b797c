#include "host/path_functions.h"

#include <algorithm>
#include <vector>

#include "host/ascii.h"

namespace quillfen {
namespace {

bool IsSeparator(char16_t c, PathStyle style) {
  return c == u'/' || (style == PathStyle::kWindows && c == u'\\');
}

std::u16string_view Trim(std::u16string_view text, std::u16string_view characters) {
  const size_t first = text.find_first_not_of(characters);
  if (first == std::u16string_view::npos) return {};
  const size_t last = text.find_last_not_of(characters);
  return text.substr(first, last - first + 1);
}

}  // namespace

std::u16string TrimEx(std::u16string_view text) { return std::u16string(Trim(text, u" \t")); }

std::u16string TrimCRLF(std::u16string_view text) { return std::u16string(TrimCRLFView(text)); }

std::u16string_view TrimCRLFView(std::u16string_view text) { return Trim(text, u"\r\n"); }

std::u16string RemoveFileExtension(std::u16string_view path, PathStyle style) {
  size_t name_start = 0;
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1], style)) {
      name_start = i;
      break;
    }
  }
  // A POSIX name that starts with its only dot is hidden, not extended.
  const size_t first_extension = style == PathStyle::kPosix ? name_start + 1 : name_start;
  const size_t dot = path.find_last_of(u'.');
  if (dot != std::u16string_view::npos && dot >= first_extension) path = path.substr(0, dot);
  return std::u16string(path);
}

std::u16string ReplaceFileExtension(std::u16string_view path, std::u16string_view extension,
                                    PathStyle style) {
  std::u16string result = RemoveFileExtension(path, style);
  result += u'.';
  result += extension;
  return result;
}

std::u16string ParentDirectory(std::u16string_view path, PathStyle style) {
  const size_t end = style == PathStyle::kWindows ? path.find_last_of(u"\\/") : path.rfind(u'/');
  if (end == std::u16string_view::npos) return u".";
  return std::u16string(path.substr(0, end == 0 ? 1 : end));
}

std::u16string LastPathElement(std::u16string_view path, PathStyle style) {
  const size_t end = style == PathStyle::kWindows ? path.find_last_of(u"\\/") : path.rfind(u'/');
  return std::u16string(end == std::u16string_view::npos ? path : path.substr(end + 1));
}

std::u16string BuildFileName2(std::u16string_view directory, std::u16string_view name,
                              PathStyle style) {
  std::u16string path(directory);
  if (!path.empty() && !IsSeparator(path.back(), style)) {
    path += style == PathStyle::kWindows ? u'\\' : u'/';
  }
  path += name;
  return path;
}

std::u16string ExecutableNameFromPath(std::u16string_view program_path, PathStyle style) {
  std::u16string name = LastPathElement(program_path, style);
  const size_t dot = name.find_last_of(u'.');
  if (dot != std::u16string::npos && dot > 0) name.resize(dot);
  return name;
}

bool IsFileOrDirectoryExist(FileSystem& files, std::u16string_view path) {
  return files.Kind(path, CallForm::kWide) != FileKind::kMissing;
}

bool IsRootDirectory(FileSystem& files, std::u16string_view path) {
  if (path.empty()) return false;
  if (files.Style() == PathStyle::kPosix) {
    return NormalizePosixPath(u"/", files.FullPath(path)) == u"/";
  }
  const auto without_trailing = [](std::u16string text) {
    std::replace(text.begin(), text.end(), u'/', u'\\');
    while (!text.empty() && text.back() == u'\\') text.pop_back();
    return text;
  };
  const auto drive = [](std::u16string_view text) {
    return text.size() == 2 && text[1] == u':' && AsciiUpper(text[0]) >= u'A' &&
           AsciiUpper(text[0]) <= u'Z';
  };
  if (drive(without_trailing(std::u16string(path)))) return true;
  std::u16string full = without_trailing(files.FullPath(path));
  if (StartsWithIgnoringAsciiCase(full, u"\\\\?\\UNC\\")) {
    full = u"\\\\" + full.substr(8);
  } else if (full.starts_with(u"\\\\?\\")) {
    full = full.substr(4);
  }
  if (drive(full) || full.empty()) return true;
  // "\\server\share": one separator below the server.
  return full.starts_with(u"\\\\") && full.find(u'\\', 2) == full.rfind(u'\\');
}

std::u16string NormalizePosixPath(std::u16string_view working_directory, std::u16string_view path) {
  if (path.empty()) return {};
  std::u16string joined;
  if (path.front() != u'/') {
    joined = working_directory;
    joined += u'/';
  }
  joined += path;

  std::vector<std::u16string_view> parts;
  const std::u16string_view view(joined);
  for (size_t start = 0; start <= view.size();) {
    size_t end = view.find(u'/', start);
    if (end == std::u16string_view::npos) end = view.size();
    const std::u16string_view part = view.substr(start, end - start);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  if (parts.empty()) return u"/";
  std::u16string result;
  for (const auto part : parts) {
    result += u'/';
    result += part;
  }
  return result;
}

}  // namespace quillfen
