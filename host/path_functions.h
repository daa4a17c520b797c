#pragma once

#include <string>
#include <string_view>

#include "host/file_system.h"

namespace quillfen {

#ifdef _WIN32
inline constexpr PathStyle kHostPathStyle = PathStyle::kWindows;
#else
inline constexpr PathStyle kHostPathStyle = PathStyle::kPosix;
#endif

// Without blanks (spaces and tabs) at either end.
std::u16string TrimEx(std::u16string_view text);

// Without CR and LF at either end.
std::u16string TrimCRLF(std::u16string_view text);
// The same without a copy, for a whole export.
std::u16string_view TrimCRLFView(std::u16string_view text);

// `path` with the extension of its last element replaced by `extension`, or
// with "." and `extension` appended when that element has none.
std::u16string ReplaceFileExtension(std::u16string_view path, std::u16string_view extension,
                                    PathStyle style = kHostPathStyle);

// `path` without the extension of its last element, by the same rule.
std::u16string RemoveFileExtension(std::u16string_view path, PathStyle style = kHostPathStyle);

// The directory that holds `path`: "." for a bare name, "/" for a name
// right below the root.
std::u16string ParentDirectory(std::u16string_view path, PathStyle style = kHostPathStyle);

// What follows the last separator of `path`: its name in ParentDirectory.
std::u16string LastPathElement(std::u16string_view path, PathStyle style = kHostPathStyle);

// `directory` and `name` joined with exactly one separator.
std::u16string BuildFileName2(std::u16string_view directory, std::u16string_view name,
                              PathStyle style = kHostPathStyle);

// The last element of `program_path` without its extension.
std::u16string ExecutableNameFromPath(std::u16string_view program_path,
                                      PathStyle style = kHostPathStyle);

// True when anything occupies `path`, a dangling link included.
bool IsFileOrDirectoryExist(FileSystem& files, std::u16string_view path);

// True when `path` names a root, which has no name of its own: "/" (as
// "/.", "//" or "a/.." too), a drive ("X:\", and "X:" alone, which names
// none either) or a share ("\\server\share\"). Asks the host for the
// working directory; throws RunTimeError when it cannot tell.
bool IsRootDirectory(FileSystem& files, std::u16string_view path);

// `path` made absolute against `working_directory` and freed of ".", ".."
// and repeated "/" without asking the disk. "" for an empty path.
std::u16string NormalizePosixPath(std::u16string_view working_directory, std::u16string_view path);

}  // namespace quillfen
