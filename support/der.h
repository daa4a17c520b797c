#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/date_time.h"

namespace quillfen {

// The one place that speaks to libtasn1: DER decoded and encoded by the
// structures of the program's ASN.1 module (support/quillfen.asn), with
// bytes, texts and numbers in and out.
//
// Elements are named by their paths in the module, as libtasn1 names them:
// "tbsCertificate.validity.notAfter". An empty path is the structure itself.
// The elements of a SEQUENCE OF or SET OF are taken all at once, in one walk
// (ElementsDer, DerElements): libtasn1 finds the n-th by its path "?n" by
// stepping over the n - 1 before it, so n of them by path would cost n²
// steps, and a certificate of 80,000 names minutes.

// What could not be read or written, and why, in words.
// Memory that runs out is std::bad_alloc, never this.
class DerError : public std::runtime_error {
 public:
  DerError(std::u16string what, std::u16string reason);
  // "«HeaderKey.content»: неверный тег".
  std::u16string Text() const { return what_ + u": " + reason_; }
  // "неверный тег".
  const std::u16string& Reason() const { return reason_; }

 private:
  std::u16string what_;
  std::u16string reason_;
};

// A BIT STRING: its bytes, first bit in the high bit of the first byte, and
// how many of their bits it holds.
struct BitString {
  std::vector<uint8_t> bytes;
  size_t bits = 0;

  // Bit `n` (0: the first); a bit past the end is clear.
  bool Bit(size_t n) const { return n < bits && (bytes[n / 8] >> (7 - n % 8) & 1) != 0; }
};

// A UTCTime's or GeneralizedTime's text as strict DER writes it
// ("261208004752Z", "20271208004752Z"), or nothing for any other text.
// UTCTime's years are 1950 to 2049, as X.509 reads them.
std::optional<DateTime> ParseDerTime(std::string_view text);

// An encoding that must not stay behind in memory given back (under an
// empty password a PFX's key bag is as good as the key): in ordinary
// memory, however large, and wiped when it goes. A moved-from one is empty.
class WipedDer {
 public:
  WipedDer() = default;
  explicit WipedDer(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  WipedDer(WipedDer&& other) noexcept : bytes_(std::move(other.bytes_)) { other.bytes_.clear(); }
  WipedDer& operator=(WipedDer&& other) noexcept;
  ~WipedDer();

  std::span<const uint8_t> Span() const { return bytes_; }
  // The bytes, which the caller wipes from then on.
  std::vector<uint8_t> Release();

 private:
  std::vector<uint8_t> bytes_;
};

class DerStructure {
 public:
  // `der` as the module's type `type`, whole and in DER as libtasn1 checks
  // it, nothing after it. Throws DerError with what is wrong. libtasn1 takes
  // a length written in more bytes than it needs, and a SEQUENCE that ends
  // before its last elements: reading a missing element throws then.
  static DerStructure Decode(std::string_view type, std::span<const uint8_t> der);
  // An empty structure of `type`, to be written and encoded.
  static DerStructure Create(std::string_view type);

  DerStructure(DerStructure&&) noexcept;
  DerStructure& operator=(DerStructure&&) noexcept;
  ~DerStructure();

  // False when an OPTIONAL element is absent, or there is no such element.
  bool Has(std::string_view path) const;
  // The bytes of an OCTET STRING or of a character string as written, an
  // INTEGER's two's complement (big-endian), or the whole DER of an ANY.
  std::vector<uint8_t> Bytes(std::string_view path) const;
  // An OBJECT IDENTIFIER in dotted form: "1.2.643.7.1.1.1.1".
  std::string Oid(std::string_view path) const;
  // The name of the alternative a CHOICE holds: "utcTime".
  std::string Choice(std::string_view path) const;
  BitString Bits(std::string_view path) const;
  // A UTCTime (years 1950 to 2049, as X.509 reads them) or GeneralizedTime.
  DateTime Time(std::string_view path) const;
  // The number of elements of a SEQUENCE OF or SET OF.
  size_t Count(std::string_view path) const;
  // The element's own DER, tag and length included, as it was decoded.
  std::vector<uint8_t> ElementDer(std::string_view path) const;
  // The DER of each element of the SEQUENCE OF or SET OF at `path`, in
  // order, each with its tag and length.
  std::vector<std::vector<uint8_t>> ElementsDer(std::string_view path) const;

  // Writing: a CHOICE takes the name of its alternative, a SEQUENCE OF
  // "NEW" for one more element, an OBJECT IDENTIFIER its dotted form, a
  // BOOLEAN "TRUE" or "FALSE", an INTEGER its decimal digits, a time its
  // DER text ("20270101000000Z").
  void Write(std::string_view path, std::string_view text);
  // An OCTET STRING's or character string's bytes, an INTEGER's two's
  // complement, or an ANY's whole DER.
  void WriteBytes(std::string_view path, std::span<const uint8_t> bytes);
  void WriteBits(std::string_view path, const BitString& bits);
  // Leaves an OPTIONAL element out.
  void Omit(std::string_view path);
  // The structure as DER. Throws DerError when an element is not written.
  std::vector<uint8_t> Encode() const;
  // The same, wiped when it goes. libtasn1's encoder copies the structure
  // and frees its copy unwiped, out of the program's reach: what must not
  // be copied at all (a key in the clear) is never encoded here.
  WipedDer EncodeWiped() const;

 private:
  struct State;
  explicit DerStructure(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// The DER of each element of a SEQUENCE, whatever they are: what is read
// element by element. Throws DerError when `der` is no SEQUENCE.
std::vector<std::vector<uint8_t>> DerElements(std::span<const uint8_t> der);

// The public key of the certificate `der` when it is a GOST key: X ‖ Y,
// little-endian; empty for a key of any other kind. Throws DerError when
// `der` is no certificate.
std::vector<uint8_t> GostPublicKeyOfCertificate(std::span<const uint8_t> der);

// The tag and the length that `der` starts with: what a file is taken for
// before it is decoded whole, so the content may run past the end.
struct DerHeader {
  enum class TagClass { kUniversal, kApplication, kContext, kPrivate };
  TagClass tag_class = TagClass::kUniversal;
  bool constructed = false;
  unsigned long tag = 0;
  size_t header_size = 0;   // the tag's and the length's bytes
  size_t content_size = 0;  // as the length says
};

// Nothing when the tag or the length cannot be read from `der`, or the
// length is indefinite.
std::optional<DerHeader> ReadDerHeader(std::span<const uint8_t> der);

// How many elements libtasn1 has stepped over to reach the elements read
// since the program started: an element named by a path with "?n" in it
// costs n, and a walk of ElementsDer or DerElements one per element. The
// tests count it to tell a walk that grows with the number of elements
// from one that grows with its square.
uint64_t DerElementSteps();

}  // namespace quillfen
