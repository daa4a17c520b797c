#include "conversion/container_output.h"

#include <algorithm>
#include <new>

#include "conversion/conversion_error.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/text_file.h"
#include "support/create_complex_directory.h"

namespace quillfen {
namespace {

// Windows' ERROR_INVALID_NAME.
constexpr int kInvalidNameError = 123;

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

void ContainerOutput::CreateDirectory(std::u16string_view directory) {
  bool created = false;
  try {
    created = CreateComplexDirectory(host_.files, directory, false, &directories_);
  } catch (const RunTimeError&) {
    created = false;
  }
  if (!created) throw PathError(directory, kDirectoryFailed);
}

void ContainerOutput::WriteContainerFile(std::u16string_view directory,
                                         std::u16string_view fileName,
                                         std::span<const uint8_t> bytes,
                                         std::u16string_view failure) {
  CreateDirectory(directory);
  if (std::find(containers_.begin(), containers_.end(), directory) == containers_.end()) {
    containers_.emplace_back(directory);
  }
  const std::u16string path = BuildFileName2(directory, fileName, host_.files.Style());
  try {
    // The bytes of a device name would go to the device, not into a file.
    if (host_.files.Style() == PathStyle::kWindows && IsWindowsDeviceName(fileName)) {
      throw RunTimeError(kInvalidNameError, u"The name is reserved for a Windows device");
    }
    // Listed before it exists, so that no file is left that nobody knows to
    // remove; a failed write leaves nothing of the file behind.
    files_.push_back(path);
    try {
      TextFile(host_.files).WriteBytes(path, bytes);
    } catch (...) {
      files_.pop_back();
      throw;
    }
  } catch (const RunTimeError& error) {
    throw SystemError(path, failure, error);
  } catch (const std::bad_alloc&) {
    throw SystemError(path, failure, OutOfMemory());
  }
}

void ContainerOutput::WriteContainer(ContainerKey& key, std::u16string_view directory) {
  containers_.emplace_back(directory);
  bool wrote_any = false;
  while (const auto value = key.NextValue()) {
    WriteContainerFile(directory, value->name, value->bytes);
    wrote_any = true;
  }
  if (!wrote_any) CreateDirectory(directory);
}

void ContainerOutput::Sync() {
  std::vector<std::u16string> to_sync = containers_;
  for (const auto& created : directories_) {
    to_sync.push_back(ParentDirectory(created, host_.files.Style()));
  }
  std::vector<std::u16string> synced;
  for (const auto& path : to_sync) {
    if (std::find(synced.begin(), synced.end(), path) != synced.end()) continue;
    try {
      host_.files.SyncDirectory(path);
    } catch (const RunTimeError& error) {
      throw SystemError(path, kWriteFailed, error);
    }
    synced.push_back(path);
  }
}

void ContainerOutput::Rollback() {
  // Best effort: the failure has been reported, and a removal that fails
  // cannot be helped by stopping the others.
  for (auto* paths : {&files_, &directories_}) {
    for (auto path = paths->rbegin(); path != paths->rend(); ++path) {
      try {
        host_.files.Remove(*path);
      } catch (const RunTimeError&) {
      }
    }
    paths->clear();
  }
  containers_.clear();
}

}  // namespace quillfen
