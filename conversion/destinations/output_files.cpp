#include "conversion/destinations/output_files.h"

#include <optional>

#include "conversion/conversion_error.h"
#include "conversion/destinations/key_store_access.h"
#include "conversion/destinations/output_directory.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"

namespace quillfen {
namespace {

// Whose rights write the files, and how far root trusts the directories.
struct Writer {
  std::optional<Account> user;  // the user behind sudo, who is not root
  bool refuse_changeable = false;
};

Writer WriterOf(Host& host) {
  if (host.accounts == nullptr || !host.accounts->IsRoot()) return {};
  const Parties parties = PartiesOf(*host.accounts, std::nullopt);
  if (parties.sudo_caller) return {parties.sudo_caller, false};
  return {std::nullopt, true};
}

// Every name is free before anything is written; what cannot be told
// counts as taken.
void RefuseTaken(Directory& directory, std::u16string_view path,
                 std::span<const OutputFile> files) {
  for (const auto& file : files) {
    FileKind kind = FileKind::kOther;
    try {
      kind = directory.Kind(file.name);
    } catch (const RunTimeError&) {
    }
    if (kind != FileKind::kMissing) {
      throw PathError(BuildFileName2(path, file.name, PathStyle::kPosix), kTargetExists);
    }
  }
}

// Windows: by path, each file and level made new.
void WriteByPath(Host& host, ContainerOutput& output, std::u16string_view directory,
                 std::span<const OutputFile> files, FileAccess access,
                 std::u16string_view failure) {
  for (const auto& file : files) {
    RefuseExistingTarget(host.files, BuildFileName2(directory, file.name, host.files.Style()));
  }
  output.CreateFilesDirectory(directory, access);
  for (const auto& file : files) {
    output.WriteFile(directory, file.name, file.bytes, access, failure);
  }
  output.Sync();
}

}  // namespace

void WriteOutputFiles(Host& host, ContainerOutput& output, std::u16string_view directory,
                      std::span<const OutputFile> files, FileAccess access,
                      std::u16string_view failure) {
  if (host.files.Style() != PathStyle::kPosix) {
    WriteByPath(host, output, directory, files, access, failure);
    return;
  }
  const Writer writer = WriterOf(host);
  if (writer.user) {
    try {
      host.accounts->ActAs(*writer.user);
    } catch (const RunTimeError& error) {
      throw SystemError(directory, kFilesDirectoryFailed, error);
    }
    output.UndoAs(*host.accounts, *writer.user);
  }
  try {
    const ReachedDirectory reached =
        ReachOutputDirectory(host, output, directory, access, writer.refuse_changeable);
    if (reached.existed) RefuseTaken(*reached.held, directory, files);
    for (const auto& file : files) {
      output.WriteFileIn(reached.held, directory, file.name, file.bytes, access, failure);
    }
    output.Sync();
  } catch (...) {
    if (writer.user) {
      try {
        host.accounts->ActAsSelf();
      } catch (const RunTimeError&) {
        // The failure on its way says what went wrong first.
      }
    }
    throw;
  }
  if (!writer.user) return;
  try {
    host.accounts->ActAsSelf();
  } catch (const RunTimeError& error) {
    throw SystemError(directory, kWriteFailed, error);
  }
}

}  // namespace quillfen
