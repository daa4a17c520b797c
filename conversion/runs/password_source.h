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

// A run's one password: the first line of --password-file (of standard input
// for "-"), else asked on the terminal; read when a container first needs it
// and tried for every container after.
class PasswordSource : public ContainerPasswords {
 public:
  // `sourceFile` is what the run reads, named first in its messages.
  PasswordSource(Host& host, std::optional<std::u16string> file, std::u16string sourceFile)
      : host_(host), file_(std::move(file)), source_file_(std::move(sourceFile)) {}

  // Throws ConversionError when none can be had: the file cannot be read,
  // or there is no file and no terminal; `container` is named then and in
  // the terminal's prompt.
  const Password& Get(std::u16string_view container) override;

 private:
  Password Read(std::u16string_view container);
  // The first line of the password file when it is a pipe or FIFO.
  std::optional<Password> ReadPipe();

  Host& host_;
  std::optional<std::u16string> file_;
  std::u16string source_file_;
  std::optional<Password> password_;
};

}  // namespace quillfen
