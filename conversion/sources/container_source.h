#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/container_key.h"
#include "host/file_system.h"

namespace quillfen {

// Where containers come from: a registry export, a hive file or a container
// directory.
class ContainerSource {
 public:
  virtual ~ContainerSource() = default;

  // The container a run without options converts. Throws ConversionError
  // when there is none.
  virtual std::unique_ptr<ContainerKey> First() = 0;

  // Every container, in the order a registry editor would export them; a
  // key below a container is none. Throws ConversionError when the source
  // holds no keys at all.
  virtual std::vector<std::unique_ptr<ContainerKey>> All() = 0;

  // A line the success message adds about the source, or nothing.
  virtual std::u16string Note() const { return {}; }
};

// A source of one container: a container directory, or a container read
// already. `open` gives the container each time it is asked.
class OneContainerSource : public ContainerSource {
 public:
  explicit OneContainerSource(std::function<std::unique_ptr<ContainerKey>()> open)
      : open_(std::move(open)) {}

  std::unique_ptr<ContainerKey> First() override { return open_(); }
  std::vector<std::unique_ptr<ContainerKey>> All() override {
    std::vector<std::unique_ptr<ContainerKey>> keys;
    keys.push_back(First());
    return keys;
  }

 private:
  std::function<std::unique_ptr<ContainerKey>()> open_;
};

// Which containers of a source a run takes: the first, the one named or
// all, of those below the user key `user` (a SID, compared as the registry
// compares names) and in the view `wow64` (true: Wow6432Node, the 32-bit
// view; false: the 64-bit one) where these are given.
struct ContainerChoice {
  enum class Kind { kFirst, kNamed, kAll };
  Kind kind = Kind::kFirst;
  std::u16string name = {};  // with kNamed
  std::optional<std::u16string> user = {};
  std::optional<bool> wow64 = {};

  static ContainerChoice Named(std::u16string name) {
    ContainerChoice choice;
    choice.kind = Kind::kNamed;
    choice.name = std::move(name);
    return choice;
  }
  bool Narrowed() const { return user || wow64; }
};

// Reads `path`: a hive file when it starts with "regf", a registry export
// otherwise; a PFX file is refused. Throws ConversionError: the read message
// with the system's error, or what the source makes of the file.
std::unique_ptr<ContainerSource> OpenContainerSource(FileSystem& files, std::u16string_view path);
// The same for the file's bytes, read already.
std::unique_ptr<ContainerSource> OpenContainerSource(std::unique_ptr<FileBytes> bytes,
                                                     std::u16string_view path);

// The same, and a container directory (as on a flash drive or in the key
// store) as a source of that one container, named as the directory without
// its extension and under no user key: what every option reads. A run
// without options keeps refusing a directory with the read message.
std::unique_ptr<ContainerSource> OpenSourceOrDirectory(FileSystem& files, std::u16string_view path);

// What a run that also takes PFX files reads: the bytes of a PFX file, or
// the containers of any other source, as OpenSourceOrDirectory gives them.
struct SourceOrPfx {
  std::unique_ptr<ContainerSource> containers;  // nothing for a PFX
  std::unique_ptr<FileBytes> pfx;               // nothing for anything else
};
SourceOrPfx OpenSourceOrPfx(FileSystem& files, std::u16string_view path);

// What a PFX file given to any other run is refused with.
inline constexpr char16_t kPfxRefused[] =
    u"Это файл PFX: его читают только параметры «--info», «--cert», «--export-key» и "
    u"«--export-pfx».";

// The one container of the container directory `path`, as
// OpenSourceOrDirectory's source of a directory gives it.
std::unique_ptr<ContainerKey> OpenDirectoryContainer(FileSystem& files, std::u16string_view path);

}  // namespace quillfen
