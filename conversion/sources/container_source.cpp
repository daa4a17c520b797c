#include "conversion/sources/container_source.h"

#include "conversion/conversion_error.h"
#include "conversion/sources/directory_reader.h"
#include "conversion/sources/export_reader.h"
#include "conversion/sources/pfx_reader.h"
#ifndef _WIN32
#include "conversion/sources/hive_reader.h"
#endif
#include "host/run_time_error.h"
#include "host/text_file.h"

namespace quillfen {
namespace {

// A registry hive file starts with its signature; anything else is read as
// an export.
bool IsHiveFile(std::string_view bytes) { return bytes.starts_with("regf"); }

}  // namespace

std::unique_ptr<ContainerSource> OpenSourceOrDirectory(FileSystem& files,
                                                       std::u16string_view path) {
  SourceOrPfx opened = OpenSourceOrPfx(files, path);
  if (opened.pfx) throw PathError(path, kPfxRefused);
  return std::move(opened.containers);
}

SourceOrPfx OpenSourceOrPfx(FileSystem& files, std::u16string_view path) {
  SourceOrPfx opened;
  std::unique_ptr<FileBytes> bytes;
  try {
    bytes = files.ReadFile(path);
  } catch (const RunTimeError& error) {
    // Reading fails at once for a directory; asked only then, so that an
    // export costs no call more.
    bool directory = false;
    try {
      directory = files.Kind(path, CallForm::kWide) == FileKind::kDirectory;
    } catch (const RunTimeError&) {
    }
    if (!directory) throw SystemError(path, kReadFailed, error);
    opened.containers = std::make_unique<OneContainerSource>(
        [&files, path = std::u16string(path)] { return OpenDirectoryContainer(files, path); });
    return opened;
  }
  if (IsPfx(bytes->Octets())) {
    opened.pfx = std::move(bytes);
  } else {
    opened.containers = OpenContainerSource(std::move(bytes), path);
  }
  return opened;
}

std::unique_ptr<ContainerKey> OpenDirectoryContainer(FileSystem& files, std::u16string_view path) {
  return ReadContainerDirectory(files, path, ContainerNameOfDirectory(path, files.Style()), {},
                                false, nullptr);
}

std::unique_ptr<ContainerSource> OpenContainerSource(FileSystem& files, std::u16string_view path) {
  std::unique_ptr<FileBytes> bytes;
  try {
    bytes = files.ReadFile(path);
  } catch (const RunTimeError& error) {
    throw SystemError(path, kReadFailed, error);
  }
  return OpenContainerSource(std::move(bytes), path);
}

std::unique_ptr<ContainerSource> OpenContainerSource(std::unique_ptr<FileBytes> bytes,
                                                     std::u16string_view path) {
  try {
    if (IsPfx(bytes->Octets())) throw PathError(path, kPfxRefused);
    if (IsHiveFile(bytes->Bytes())) {
#ifdef _WIN32
      throw PathError(path,
                      u"Файлы кустов реестра эта программа читает только в Linux; здесь "
                      u"экспортируйте раздел редактором реестра.");
#else
      return std::make_unique<HiveReader>(*bytes, path);
#endif
    }
    return std::make_unique<ExportReader>(TextFile::Decode(std::move(bytes)), path);
  } catch (const RunTimeError& error) {
    throw SystemError(path, kReadFailed, error);
  }
}

}  // namespace quillfen
