#include "support/der.h"

#include <libtasn1.h>

#include <algorithm>
#include <array>
#include <climits>
#include <new>

#include "host/unicode.h"
#include "support/crypto.h"

// The module as libtasn1's asn1Parser wrote it at build time: a table that
// only this file sees, so that no other reaches the library's types.
#include "quillfen_asn1_tab.c"

namespace quillfen {
namespace {

std::u16string Quoted(std::string_view name) {
  std::u16string text = u"«";
  text += FromUtf8(name);
  text += u"»";
  return text;
}

// What libtasn1's result means for the data, in the program's words.
std::u16string ResultText(int result) {
  switch (result) {
    case ASN1_TAG_ERROR:
      return u"неверный тег";
    case ASN1_DER_ERROR:
      return u"неверная кодировка DER";
    case ASN1_DER_OVERFLOW:
      return u"данные обрываются";
    case ASN1_ELEMENT_NOT_FOUND:
      return u"нет такого элемента";
    case ASN1_VALUE_NOT_FOUND:
      return u"нет значения";
    case ASN1_VALUE_NOT_VALID:
      return u"значение не годится";
    case ASN1_TIME_ENCODING_ERROR:
      return u"неверная запись времени";
    case ASN1_RECURSION:
      return u"слишком глубокая вложенность";
    default:
      return u"ошибка libtasn1: " + FromUtf8(asn1_strerror(result));
  }
}

[[noreturn]] void Fail(std::string_view what, int result) {
  if (result == ASN1_MEM_ALLOC_ERROR) throw std::bad_alloc();
  throw DerError(Quoted(what), ResultText(result));
}

// The module's definitions, built once from the table.
asn1_node_const Definitions() {
  static const asn1_node definitions = [] {
    asn1_node tree = nullptr;
    char error[ASN1_MAX_ERROR_DESCRIPTION_SIZE] = {};
    const int result = asn1_array2tree(quillfen_asn1_tab, &tree, error);
    if (result != ASN1_SUCCESS) Fail("Quillfen", result);
    return tree;
  }();
  return definitions;
}

std::string TypeName(std::string_view type) { return "Quillfen." + std::string(type); }

uint64_t element_steps = 0;

// What libtasn1 steps over to find the element at `path`: the n - 1
// elements before each "?n" in it, and the one it lands on.
void CountSteps(std::string_view path) {
  for (size_t at = path.find('?'); at != std::string_view::npos; at = path.find('?', at + 1)) {
    uint64_t n = 0;
    for (size_t i = at + 1; i < path.size() && path[i] >= '0' && path[i] <= '9'; ++i) {
      n = n * 10 + uint64_t(path[i] - '0');
    }
    element_steps += n;
  }
}

// The tag and length at the start of `der`: how many bytes they take, how
// many the content after them, and whether the element is constructed;
// nothing when they are no DER or the content runs past `der`.
struct ElementHead {
  size_t header;
  size_t content;
  bool constructed;
};

std::optional<ElementHead> HeadOf(std::span<const uint8_t> der) {
  const int size = static_cast<int>(std::min<size_t>(der.size(), INT_MAX));
  unsigned char tag_class = 0;
  int tag_length = 0;
  unsigned long tag = 0;
  if (asn1_get_tag_der(der.data(), size, &tag_class, &tag_length, &tag) != ASN1_SUCCESS) {
    return std::nullopt;
  }
  int length_length = 0;
  const long content =
      asn1_get_length_der(der.data() + tag_length, size - tag_length, &length_length);
  const size_t header = static_cast<size_t>(tag_length + length_length);
  if (content < 0 || static_cast<size_t>(content) > der.size() - header) return std::nullopt;
  return ElementHead{header, static_cast<size_t>(content),
                     (tag_class & ASN1_CLASS_STRUCTURED) != 0};
}

// libtasn1's decoder finds the parent of an element by stepping back over
// the elements before it: a list of n costs it n² steps, and a certificate
// of 80,000 names minutes. Real containers and certificates hold lists of
// a few dozen; a longer one than this is refused before the decoder sees
// it.
constexpr size_t kLongestList = 256;

// True when no constructed element in `der` holds more than kLongestList
// elements, as far as `der` is DER at all: what is not is the decoder's to
// refuse. One pass, whatever the nesting.
bool ListsAreShort(std::span<const uint8_t> der) {
  struct Open {
    size_t end;
    size_t elements;
  };
  std::vector<Open> open;
  size_t at = 0;
  while (at < der.size()) {
    while (!open.empty() && at >= open.back().end) open.pop_back();
    if (!open.empty() && ++open.back().elements > kLongestList) return false;
    const size_t limit = open.empty() ? der.size() : open.back().end;
    const auto head = HeadOf(der.subspan(at, limit - at));
    if (!head) return true;
    if (head->constructed) {
      open.push_back({at + head->header + head->content, 0});
      at += head->header;
    } else {
      at += head->header + head->content;
    }
  }
  return true;
}

// The elements inside the one DER element `der`, each whole, in one walk.
std::vector<std::vector<uint8_t>> ElementsInside(std::span<const uint8_t> der) {
  const auto outer = HeadOf(der);
  if (!outer) Fail("Element", ASN1_DER_ERROR);
  std::span<const uint8_t> content = der.subspan(outer->header, outer->content);
  std::vector<std::vector<uint8_t>> elements;
  while (!content.empty()) {
    ++element_steps;
    const auto head = HeadOf(content);
    if (!head) Fail("Element", ASN1_DER_ERROR);
    const size_t length = head->header + head->content;
    elements.emplace_back(content.begin(), content.begin() + static_cast<ptrdiff_t>(length));
    content = content.subspan(length);
  }
  return elements;
}

}  // namespace

DerError::DerError(std::u16string what, std::u16string reason)
    : std::runtime_error(ToUtf8(what + u": " + reason)),
      what_(std::move(what)),
      reason_(std::move(reason)) {}

struct DerStructure::State {
  asn1_node node = nullptr;
  std::string type;
  std::vector<uint8_t> der;  // as decoded, for the elements' own DER

  // Masks and keys are decoded here too: the copy of the DER goes as the
  // library's nodes go, wiped.
  ~State() {
    asn1_delete_structure2(&node, ASN1_DELETE_FLAG_ZEROIZE);
    Wipe(der);
  }

  std::u16string What(std::string_view path) const {
    return path.empty() ? Quoted(type) : Quoted(type + "." + std::string(path));
  }
  [[noreturn]] void Fail(std::string_view path, int result) const {
    if (result == ASN1_MEM_ALLOC_ERROR) throw std::bad_alloc();
    throw DerError(What(path), ResultText(result));
  }

  // A value as libtasn1 gives it, and its length in its own unit (bits for
  // a BIT STRING, bytes otherwise).
  std::vector<uint8_t> Read(std::string_view path, int* length = nullptr) const {
    CountSteps(path);
    const std::string name(path);
    int size = 0;
    unsigned int type = 0;
    int result = asn1_read_value_type(node, name.c_str(), nullptr, &size, &type);
    std::vector<uint8_t> value;
    if (result == ASN1_MEM_ERROR) {
      value.resize(type == ASN1_ETYPE_BIT_STRING ? (static_cast<size_t>(size) + 7) / 8 : size);
      int capacity = static_cast<int>(value.size());
      result = asn1_read_value_type(node, name.c_str(), value.data(), &capacity, &type);
      size = capacity;
    }
    if (result != ASN1_SUCCESS) Fail(path, result);
    if (type != ASN1_ETYPE_BIT_STRING) value.resize(size);
    if (length != nullptr) *length = size;
    return value;
  }

  // A value that libtasn1 gives as a text ending in a NUL.
  std::string ReadText(std::string_view path) const {
    const std::vector<uint8_t> value = Read(path);
    std::string text(value.begin(), value.end());
    if (const size_t end = text.find('\0'); end != std::string::npos) text.resize(end);
    return text;
  }

  void Check(std::string_view path, int result) const {
    if (result != ASN1_SUCCESS) Fail(path, result);
  }
};

DerStructure::DerStructure(std::unique_ptr<State> state) : state_(std::move(state)) {}
DerStructure::DerStructure(DerStructure&&) noexcept = default;
DerStructure& DerStructure::operator=(DerStructure&&) noexcept = default;
DerStructure::~DerStructure() = default;

DerStructure DerStructure::Create(std::string_view type) {
  auto state = std::make_unique<State>();
  state->type = type;
  const int result = asn1_create_element(Definitions(), TypeName(type).c_str(), &state->node);
  if (result != ASN1_SUCCESS) Fail(type, result);
  return DerStructure(std::move(state));
}

DerStructure DerStructure::Decode(std::string_view type, std::span<const uint8_t> der) {
  DerStructure structure = Create(type);
  State& state = *structure.state_;
  if (der.size() > static_cast<size_t>(INT_MAX)) {
    throw DerError(state.What({}), u"данные слишком велики");
  }
  if (der.empty()) throw DerError(state.What({}), u"нет данных");
  if (!ListsAreShort(der)) throw DerError(state.What({}), u"больше 256 элементов в одном списке");
  state.der.assign(der.begin(), der.end());
  // Without ASN1_DECODE_FLAG_ALLOW_PADDING, bytes after the structure are
  // an error too.
  int length = static_cast<int>(der.size());
  char error[ASN1_MAX_ERROR_DESCRIPTION_SIZE] = {};
  const int result = asn1_der_decoding2(&state.node, state.der.data(), &length,
                                        ASN1_DECODE_FLAG_STRICT_DER, error);
  if (result != ASN1_SUCCESS) state.Fail({}, result);
  return structure;
}

bool DerStructure::Has(std::string_view path) const {
  CountSteps(path);
  const asn1_node found = asn1_find_node(state_->node, std::string(path).c_str());
  if (found == nullptr) return false;
  asn1_data_node_st data{};
  if (asn1_read_node_value(found, &data) != ASN1_SUCCESS) return false;
  switch (data.type) {
    case ASN1_ETYPE_SEQUENCE:
    case ASN1_ETYPE_SEQUENCE_OF:
    case ASN1_ETYPE_SET:
    case ASN1_ETYPE_SET_OF:
    case ASN1_ETYPE_CHOICE:
      // Structured: no value of its own, there when its node is.
      return true;
    default:
      return data.value != nullptr;
  }
}

std::vector<uint8_t> DerStructure::Bytes(std::string_view path) const { return state_->Read(path); }

std::string DerStructure::Oid(std::string_view path) const { return state_->ReadText(path); }

std::string DerStructure::Choice(std::string_view path) const { return state_->ReadText(path); }

BitString DerStructure::Bits(std::string_view path) const {
  BitString bits;
  int length = 0;
  bits.bytes = state_->Read(path, &length);
  bits.bits = static_cast<size_t>(length);
  return bits;
}

DateTime DerStructure::Time(std::string_view path) const {
  const std::optional<DateTime> time = ParseDerTime(state_->ReadText(path));
  if (!time) throw DerError(state_->What(path), u"неверная запись времени");
  return *time;
}

size_t DerStructure::Count(std::string_view path) const {
  CountSteps(path);
  int count = 0;
  state_->Check(path, asn1_number_of_elements(state_->node, std::string(path).c_str(), &count));
  element_steps += static_cast<uint64_t>(count);
  return static_cast<size_t>(count);
}

std::vector<uint8_t> DerStructure::ElementDer(std::string_view path) const {
  const std::vector<uint8_t>& der = state_->der;
  if (der.empty()) throw DerError(state_->What(path), u"структура не прочитана из DER");
  CountSteps(path);
  int start = 0, end = 0;
  state_->Check(path,
                asn1_der_decoding_startEnd(state_->node, der.data(), static_cast<int>(der.size()),
                                           std::string(path).c_str(), &start, &end));
  return std::vector<uint8_t>(der.begin() + start, der.begin() + end + 1);
}

void DerStructure::Write(std::string_view path, std::string_view text) {
  const std::string value(text);
  state_->Check(path, asn1_write_value(state_->node, std::string(path).c_str(), value.c_str(), 0));
}

void DerStructure::WriteBytes(std::string_view path, std::span<const uint8_t> bytes) {
  // A length of 0 makes libtasn1 measure the value as a text: an empty one.
  static const uint8_t kNothing = 0;
  state_->Check(path, asn1_write_value(state_->node, std::string(path).c_str(),
                                       bytes.empty() ? &kNothing : bytes.data(),
                                       static_cast<int>(bytes.size())));
}

void DerStructure::WriteBits(std::string_view path, const BitString& bits) {
  // A length of 0 makes libtasn1 measure the value as a text: an empty one.
  static const uint8_t kNothing = 0;
  state_->Check(path, asn1_write_value(state_->node, std::string(path).c_str(),
                                       bits.bits == 0 ? &kNothing : bits.bytes.data(),
                                       static_cast<int>(bits.bits)));
}

void DerStructure::Omit(std::string_view path) {
  state_->Check(path, asn1_write_value(state_->node, std::string(path).c_str(), nullptr, 0));
}

std::vector<uint8_t> DerStructure::Encode() const { return EncodeWiped().Release(); }

WipedDer DerStructure::EncodeWiped() const {
  char error[ASN1_MAX_ERROR_DESCRIPTION_SIZE] = {};
  int size = 0;
  int result = asn1_der_coding(state_->node, "", nullptr, &size, error);
  std::vector<uint8_t> der;
  if (result == ASN1_MEM_ERROR) {
    der.resize(size);
    result = asn1_der_coding(state_->node, "", der.data(), &size, error);
  }
  if (result != ASN1_SUCCESS) {
    Wipe(der);
    state_->Fail({}, result);
  }
  der.resize(static_cast<size_t>(size));
  return WipedDer(std::move(der));
}

WipedDer& WipedDer::operator=(WipedDer&& other) noexcept {
  Wipe(bytes_);
  bytes_ = std::move(other.bytes_);
  other.bytes_.clear();
  return *this;
}

WipedDer::~WipedDer() { Wipe(bytes_); }

std::vector<uint8_t> WipedDer::Release() {
  std::vector<uint8_t> bytes = std::move(bytes_);
  bytes_.clear();
  return bytes;
}

std::vector<std::vector<uint8_t>> DerStructure::ElementsDer(std::string_view path) const {
  return ElementsInside(ElementDer(path));
}

std::vector<uint8_t> GostPublicKeyOfCertificate(std::span<const uint8_t> der) {
  const DerStructure certificate = DerStructure::Decode("Certificate", der);
  try {
    const BitString key = certificate.Bits("tbsCertificate.subjectPublicKeyInfo.subjectPublicKey");
    return DerStructure::Decode("GostPublicKey", key.bytes).Bytes("");
  } catch (const DerError&) {
    return {};  // no GOST key: nothing to prove a GOST private key against
  }
}

std::vector<std::vector<uint8_t>> DerElements(std::span<const uint8_t> der) {
  // Decoded first, so that what is walked is DER as libtasn1 checks it.
  DerStructure::Decode("Elements", der);
  return ElementsInside(der);
}

std::optional<DerHeader> ReadDerHeader(std::span<const uint8_t> der) {
  // libtasn1 refuses a length whose content is not all there; the header
  // alone is read from a copy that is long enough for any length.
  std::array<uint8_t, 2 * 128> header{};
  const size_t copied = std::min(der.size(), header.size());
  std::copy(der.begin(), der.begin() + static_cast<std::ptrdiff_t>(copied), header.begin());
  unsigned char tag_class = 0;
  int tag_size = 0;
  unsigned long tag = 0;
  if (asn1_get_tag_der(header.data(), static_cast<int>(copied), &tag_class, &tag_size, &tag) !=
      ASN1_SUCCESS) {
    return std::nullopt;
  }
  int length_size = 0;
  const long length =
      asn1_get_length_der(header.data() + tag_size, INT_MAX - tag_size, &length_size);
  if (length < 0 || static_cast<size_t>(tag_size + length_size) > copied) return std::nullopt;
  DerHeader result;
  static constexpr DerHeader::TagClass kClasses[] = {
      DerHeader::TagClass::kUniversal, DerHeader::TagClass::kApplication,
      DerHeader::TagClass::kContext, DerHeader::TagClass::kPrivate};
  result.tag_class = kClasses[(tag_class & 0xC0) >> 6];
  result.constructed = (tag_class & ASN1_CLASS_STRUCTURED) != 0;
  result.tag = tag;
  result.header_size = static_cast<size_t>(tag_size + length_size);
  result.content_size = static_cast<size_t>(length);
  return result;
}

uint64_t DerElementSteps() { return element_steps; }

}  // namespace quillfen
