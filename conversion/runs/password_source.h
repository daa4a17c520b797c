#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "conversion/contents/key_derivation.h"
#include "conversion/contents/private_key_recovery.h"
#include "host/host.h"

namespace quillfen {

// The text of a password's bytes, up to the first line break: UTF-16 after
// its byte-order mark, UTF-8 (a mark is dropped) when the line is valid
// UTF-8, else the ANSI code page's characters (Windows-1251 on POSIX).
Password DecodePassword(std::span<const uint8_t> bytes);

// A run's one password of its source: the first line of --password-file (of
// standard input for "-"), else asked on the terminal; read when a container
// or a PFX file first needs it and tried for every container after.
class PasswordSource : public ContainerPasswords {
 public:
  // `sourceFile` is what the run reads, named first in its messages.
  PasswordSource(Host& host, std::optional<std::u16string> file, std::u16string sourceFile)
      : host_(host), file_(std::move(file)), source_file_(std::move(sourceFile)) {}

  // Throws ConversionError when none can be had: the file cannot be read,
  // or there is no file and no terminal; `container` is named then and in
  // the terminal's prompt.
  const Password& Get(std::u16string_view container) override;
  // The same for the PFX file called `pfxFile`, the run's source.
  const Password& GetForPfx(std::u16string_view pfxFile);

  // --password-file, when it was given.
  const std::optional<std::u16string>& File() const { return file_; }
  // True when the password was had, empty, from an input that ended before
  // its first line.
  bool NoLine() const { return no_line_; }

 private:
  // `whose` is what the password opens: "Контейнер «NAME»".
  const Password& Get(std::u16string_view prompt, std::u16string_view whose);

  Host& host_;
  std::optional<std::u16string> file_;
  std::u16string source_file_;
  std::optional<Password> password_;
  bool no_line_ = false;
};

// A password (UTF-16 units, low byte first) as UTF-8, as PFX files derive
// their keys from it; a unit that is half of no pair counts as U+FFFD.
SecureBytes Utf8Of(const Password& password);

// The password of the PFX files a run writes, as UTF-8: the first line of
// `file` (--pfx-password-file; of standard input for "-"), the line
// `sourcePasswords` read when it names the same file, or else asked twice on
// the terminal. May be empty, from an empty line: an input that ends before
// its first line (a closed standard input, an empty file or pipe) is
// refused, about `file`. Throws ConversionError, about `sourceFile`, when the
// two answers differ or there is no file and no terminal.
SecureBytes NewPfxPassword(Host& host, const std::optional<std::u16string>& file,
                           PasswordSource& sourcePasswords, std::u16string_view sourceFile);

}  // namespace quillfen
