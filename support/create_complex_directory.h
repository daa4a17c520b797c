#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/file_system.h"
#include "host/run_time_error.h"

namespace quillfen {

// Creates the directory `path` with every missing directory above it. The
// path is made absolute, divided into a root (a drive "C:", a share
// "\\server\share", or POSIX "/"), which is never tested or created, and the
// levels below it, which are tested from the top and created where missing.
// False when the path names no level or a level can be neither found nor
// created. A failure to make the path absolute is thrown, not answered. The
// levels it created are appended to `created`, top first; they are readable
// as `access` says. When a level could not be created, the system's error is
// left in `failure`.
// With `useLongPaths` on Windows NT the wide calls with the "\\?\" prefix are
// used; otherwise the narrow ones.
bool CreateComplexDirectory(FileSystem& files, std::u16string_view path, bool useLongPaths,
                            std::vector<std::u16string>* created = nullptr,
                            FileAccess access = FileAccess::kOwnerOnly,
                            std::optional<RunTimeError>* failure = nullptr);

bool IsDirectoryExist(FileSystem& files, std::u16string_view path, bool isUnc, bool useLongPaths);
bool CreateSingleDirectory(FileSystem& files, std::u16string_view path, bool isUnc,
                           bool useLongPaths, FileAccess access = FileAccess::kOwnerOnly,
                           std::optional<RunTimeError>* failure = nullptr);
std::u16string AddLongPathPrefix(std::u16string_view path, bool isUnc);

// The trimmers work on any one separator; Windows paths use the backslash.
std::u16string TrimLeadingBackslashes(std::u16string_view text, char16_t separator = u'\\');
std::u16string TrimTrailingBackslashes(std::u16string_view text, char16_t separator = u'\\');
std::u16string CollapseBackslashes(std::u16string_view text, char16_t separator = u'\\');

}  // namespace quillfen
