#include "host/text_decoder.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "host/run_time_error.h"
#include "host/unicode.h"

namespace quillfen {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

enum class Detected { kUtf16Le, kUtf16Be, kUtf8, kNoMark };

// What the first bytes say, and how long their mark is.
Detected Detect(std::string_view head, size_t* mark) {
  *mark = 0;
  if (StartsWith(head, "\xFF\xFE")) return *mark = 2, Detected::kUtf16Le;
  if (StartsWith(head, "\xFE\xFF")) return *mark = 2, Detected::kUtf16Be;
  if (StartsWith(head, "\xEF\xBB\xBF")) return *mark = 3, Detected::kUtf8;
  if (head.size() >= 2 && uint8_t(head[0]) - 1u < 0x7Fu && head[1] == 0) return Detected::kUtf16Le;
  return Detected::kNoMark;
}

}  // namespace

std::optional<size_t> InPlaceUtf16Mark(std::string_view bytes) {
  size_t mark;
  if (std::endian::native != std::endian::little || Detect(bytes, &mark) != Detected::kUtf16Le) {
    return std::nullopt;
  }
  const size_t size = bytes.size() - mark;
  if (size % 2 != 0 || size / 2 > kMaxTextUnits ||
      reinterpret_cast<uintptr_t>(bytes.data() + mark) % alignof(char16_t) != 0) {
    return std::nullopt;
  }
  return mark;
}

void TextDecoder::Begin(uint64_t size) { size_ = size; }

void TextDecoder::Append(std::string_view bytes) {
  if (invalid_utf8_) return;
  if (encoding_ == Encoding::kUndecided) {
    const size_t taken = std::min(bytes.size(), 3 - head_.size());
    head_.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    if (head_.size() < 3) return;
    Decide();
  }
  Decode(bytes);
}

void TextDecoder::Decide() {
  size_t mark;
  switch (Detect(head_, &mark)) {
    case Detected::kUtf16Le:
      encoding_ = Encoding::kUtf16Le;
      break;
    case Detected::kUtf16Be:
      encoding_ = Encoding::kUtf16Be;
      break;
    case Detected::kUtf8:
      encoding_ = Encoding::kUtf8;
      break;
    case Detected::kNoMark:
      encoding_ = allow_utf8_ ? Encoding::kGuessedUtf8 : Encoding::kAnsi;
      break;
  }
  const uint64_t bytes = size_ > mark ? size_ - mark : 0;
  const bool wide = encoding_ == Encoding::kUtf16Le || encoding_ == Encoding::kUtf16Be;
  Reserve(wide ? (bytes + 1) / 2 : bytes);
  const std::string head = std::move(head_);
  Decode(std::string_view(head).substr(std::min(mark, head.size())));
}

void TextDecoder::Reserve(uint64_t units) {
  if (units > kMaxTextUnits) throw RunTimeError(EFBIG, u"File too large");
  if (units <= text_.Capacity()) return;
  // Only when the size given to Begin was short: the text never grows past
  // one unit per byte.
  TextBuffer larger(static_cast<size_t>(units));
  std::copy(text_.Data(), text_.Data() + length_, larger.Data());
  text_ = std::move(larger);
}

void TextDecoder::Push(char16_t unit) {
  if (length_ == text_.Capacity()) {
    Reserve(std::max<uint64_t>(64, uint64_t{text_.Capacity()} * 2));
    if (length_ == text_.Capacity()) throw RunTimeError(EFBIG, u"File too large");
  }
  text_.Data()[length_++] = unit;
}

size_t TextDecoder::PushAscii(std::string_view bytes) {
  // Sixteen bytes per branch while none has its high bit set: most of an
  // export is ASCII.
  constexpr size_t kStride = 16;
  char16_t* out = text_.Data() + length_;
  size_t i = 0;
  for (; i + kStride <= bytes.size(); i += kStride) {
    // A copy of its own, which no store can alias, lets the compiler widen
    // the sixteen bytes at once.
    uint64_t piece[2];
    std::memcpy(piece, bytes.data() + i, kStride);
    if (((piece[0] | piece[1]) & 0x8080808080808080u) != 0) break;
    const auto* piece_bytes = reinterpret_cast<const uint8_t*>(piece);
    for (size_t k = 0; k < kStride; ++k) out[i + k] = piece_bytes[k];
  }
  while (i < bytes.size() && static_cast<uint8_t>(bytes[i]) < 0x80) {
    out[i] = static_cast<uint8_t>(bytes[i]);
    ++i;
  }
  length_ += i;
  return i;
}

void TextDecoder::Decode(std::string_view bytes) {
  switch (encoding_) {
    case Encoding::kUtf16Le:
      return DecodeUtf16(bytes, false);
    case Encoding::kUtf16Be:
      return DecodeUtf16(bytes, true);
    case Encoding::kUtf8:
    case Encoding::kGuessedUtf8:
      return DecodeUtf8(bytes);
    case Encoding::kAnsi:
      return DecodeAnsi(bytes);
    case Encoding::kUndecided:
      return;
  }
}

void TextDecoder::DecodeUtf16(std::string_view bytes, bool big_endian) {
  if (!pending_.empty() && !bytes.empty()) {
    pending_ += bytes.front();
    bytes.remove_prefix(1);
    const auto first = static_cast<uint8_t>(pending_[0]);
    const auto second = static_cast<uint8_t>(pending_[1]);
    Push(static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first));
    pending_.clear();
  }
  const size_t units = bytes.size() / 2;
  if (length_ + units > text_.Capacity()) Reserve(uint64_t{length_} + units);
  char16_t* out = text_.Data() + length_;
  if (units == 0) {
    // Nothing to copy, and no room may have been made for it.
  } else if (!big_endian && std::endian::native == std::endian::little) {
    std::memcpy(out, bytes.data(), units * 2);
  } else {
    for (size_t i = 0; i < units; ++i) {
      const auto first = static_cast<uint8_t>(bytes[2 * i]);
      const auto second = static_cast<uint8_t>(bytes[2 * i + 1]);
      out[i] = static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first);
    }
  }
  length_ += units;
  if (bytes.size() % 2 != 0) pending_ = bytes.back();
}

void TextDecoder::DecodeUtf8(std::string_view bytes) {
  // A sequence that a piece cut in two is completed from the next piece.
  if (!pending_.empty()) {
    const size_t length = Utf8SequenceLength(static_cast<uint8_t>(pending_[0]));
    const size_t taken = std::min(bytes.size(), length - pending_.size());
    pending_.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    if (pending_.size() < length) return;
    const std::string sequence = std::move(pending_);
    pending_.clear();
    DecodeUtf8(sequence);
    if (invalid_utf8_) return;
  }
  if (length_ + bytes.size() > text_.Capacity()) Reserve(uint64_t{length_} + bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    i += PushAscii(bytes.substr(i));
    if (i == bytes.size()) break;
    const auto lead = static_cast<uint8_t>(bytes[i]);
    // Two-byte sequences (Cyrillic among them) without the general decoder.
    if (lead >= 0xC2 && lead <= 0xDF && i + 1 < bytes.size() &&
        (static_cast<uint8_t>(bytes[i + 1]) & 0xC0) == 0x80) {
      text_.Data()[length_++] =
          static_cast<char16_t>(((lead & 0x1F) << 6) | (static_cast<uint8_t>(bytes[i + 1]) & 0x3F));
      i += 2;
      continue;
    }
    const size_t length = Utf8SequenceLength(lead);
    if (length != 0 && i + length > bytes.size()) {
      pending_.assign(bytes.substr(i));
      return;
    }
    char32_t c;
    if (DecodeUtf8Sequence(bytes, i, &c) == 0) {
      if (encoding_ == Encoding::kGuessedUtf8) {
        invalid_utf8_ = true;
        return;
      }
      Push(static_cast<char16_t>(0xDC00 | lead));  // kept as FromUtf8 keeps it
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      Push(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      Push(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      Push(static_cast<char16_t>(c));
    }
    i += length;
  }
}

void TextDecoder::DecodeAnsi(std::string_view bytes) {
  if (length_ + bytes.size() > text_.Capacity()) Reserve(uint64_t{length_} + bytes.size());
  const auto& high = AnsiHighHalf();
  for (size_t i = 0; i < bytes.size();) {
    i += PushAscii(bytes.substr(i));
    for (; i < bytes.size() && static_cast<uint8_t>(bytes[i]) >= 0x80; ++i) {
      text_.Data()[length_++] = high[static_cast<uint8_t>(bytes[i]) - 0x80];
    }
  }
}

bool TextDecoder::Finish() {
  if (encoding_ == Encoding::kUndecided) Decide();
  if (!pending_.empty()) {
    if (encoding_ == Encoding::kGuessedUtf8) {
      invalid_utf8_ = true;
    } else if (encoding_ == Encoding::kUtf8) {
      for (const char byte : pending_) Push(static_cast<char16_t>(0xDC00 | uint8_t(byte)));
    } else {
      Push(kReplacement);  // the odd last byte of UTF-16 text
    }
    pending_.clear();
  }
  return !invalid_utf8_;
}

TextBuffer TextDecoder::Take() {
  text_.SetLength(length_);
  length_ = 0;
  return std::move(text_);
}

}  // namespace quillfen
