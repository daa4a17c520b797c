#include "conversion/runs/directory_to_reg.h"

#include "conversion/conversion_error.h"
#include "conversion/destinations/container_output.h"
#include "conversion/destinations/reg_writer.h"
#include "conversion/sources/container_source.h"
#include "conversion/sources/directory_reader.h"
#include "conversion/sources/pfx_reader.h"
#include "host/path_functions.h"
#include "host/run_time_error.h"
#include "host/visible_name.h"
#include "support/joined.h"

namespace quillfen {
namespace {

// A key's name holds no backslash, and a line break would end its header.
void RefuseKeyNames(std::initializer_list<const std::u16string*> names) {
  for (const std::u16string* key_name : names) {
    if (key_name->empty() || key_name->find_first_of(u"\\\r\n") != std::u16string::npos) {
      throw ConversionError(u"Имя раздела " + QuotedName(*key_name) +
                            u" не годится: оно не может быть пустым или содержать «\\» и "
                            u"переводы строки.");
    }
  }
}

// A PFX file given for the directory is told apart from a directory that
// cannot be read: the message names the options that read one.
void RefusePfx(FileSystem& files, std::u16string_view path) {
  bool pfx = false;
  try {
    pfx = IsPfx(files.ReadFile(path)->Octets());
  } catch (const RunTimeError&) {
  }
  if (pfx) throw PathError(path, kPfxRefused);
}

}  // namespace

bool ConvertDirectoryToReg(const ToRegRequest& request, Host& host, std::u16string* written,
                           std::u16string* note, const Announce& announce) {
  const PathStyle style = host.files.Style();
  std::u16string directory = request.directory;
  while (directory.size() > 1 && (directory.back() == u'/' ||
                                  (style == PathStyle::kWindows && directory.back() == u'\\'))) {
    directory.pop_back();
  }
  RunFrame frame(host, directory);
  RegFileOutput output(host.files);
  return frame.Run(
      [&] {
        frame.OnFailure([&] { output.Rollback(); });
        // "." and ".." name no container and would put the file inside the
        // directory: the directory's own name stands in for them.
        const std::u16string last = ContainerNameOfDirectory(directory, style);
        if (last == u"." || last == u"..") {
          try {
            directory = host.files.FullPath(directory);
          } catch (const RunTimeError& error) {
            throw SystemError(directory, u"Не удалось прочитать каталог-контейнер.", error);
          }
          frame.NameSource(directory);
          if (style == PathStyle::kPosix) directory = NormalizePosixPath(u"/", directory);
          frame.NameSource(directory);
        }
        const std::u16string target = request.target.empty()
                                          ? ReplaceFileExtension(directory, u"reg", style)
                                          : request.target;
        const std::u16string name =
            request.name.empty() ? ContainerNameOfDirectory(directory, style) : request.name;
        RefuseKeyNames({&request.sid, &name});
        RefuseExistingTarget(host.files, target);
        std::vector<std::u16string> left_out;
        std::unique_ptr<ContainerKey> key;
        try {
          key = ReadContainerDirectory(host.files, directory, name, request.sid, request.wow64,
                                       &left_out);
        } catch (const ConversionError&) {
          RefusePfx(host.files, directory);
          throw;
        }
        output.Write(target, *key);
        *written = target;
        if (note != nullptr && !left_out.empty()) {
          *note = u"Файлы, которые оставляет Проводник Windows, в файл реестра не вошли: " +
                  Joined(left_out, u", ") + u".";
        }
      },
      announce);
}

}  // namespace quillfen
