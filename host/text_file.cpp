#include "host/text_file.h"

#include <cerrno>
#include <new>

#include "host/run_time_error.h"
#include "host/text_decoder.h"

namespace quillfen {
namespace {

// Decoded bytes are handed back to the system in slices of this size, so an
// 8-bit export and its text are not held whole at once.
constexpr size_t kSlice = 16 << 20;

}  // namespace

std::u16string_view Text::View() const {
  if (!file_) return decoded_.View();
  const std::string_view bytes = file_->Bytes().substr(mark_);
  return {reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2};
}

Text TextFile::ReadText(std::u16string_view path) { return Decode(files_.ReadFile(path)); }

Text TextFile::Decode(std::unique_ptr<FileBytes> file) {
  try {
    const std::string_view bytes = file->Bytes();
    if (const auto mark = InPlaceUtf16Mark(bytes)) return Text(std::move(file), *mark);

    // Text that is not UTF-8 after all is decoded again, as ANSI.
    for (const bool allow_utf8 : {true, false}) {
      TextDecoder decoder(allow_utf8);
      decoder.Begin(bytes.size());
      for (size_t start = 0; start < bytes.size(); start += kSlice) {
        decoder.Append(bytes.substr(start, kSlice));
        file->Evict(start, start + kSlice);
      }
      if (decoder.Finish()) {
        file->Verify();
        return Text(decoder.Take());
      }
    }
    throw RunTimeError(EILSEQ, u"Undecodable text");  // ANSI decodes every byte
  } catch (const std::bad_alloc&) {
    throw RunTimeError::FromSystem(ENOMEM);
  }
}

void TextFile::WriteBytes(std::u16string_view path, std::span<const uint8_t> bytes,
                          FileAccess access) {
  files_.WriteNewFile(path, bytes, access);
}

}  // namespace quillfen
