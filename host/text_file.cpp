#include "host/text_file.h"

#include <cerrno>
#include <new>

#include "host/run_time_error.h"
#include "host/text_decoder.h"

namespace quillfen {

std::u16string TextFile::ReadText(std::u16string_view path) {
  try {
    {
      TextDecoder decoder;
      files_.ReadFile(path, decoder);
      if (decoder.Finish()) return decoder.Take();
    }
    // Not UTF-8 after all: read it again, as ANSI.
    TextDecoder ansi(false);
    files_.ReadFile(path, ansi);
    ansi.Finish();
    return ansi.Take();
  } catch (const std::bad_alloc&) {
    throw RunTimeError(ENOMEM, u"Not enough memory for the file's text");
  }
}

void TextFile::WriteBytes(std::u16string_view path, std::span<const uint8_t> bytes) {
  files_.WriteNewFile(path, bytes);
}

}  // namespace quillfen
