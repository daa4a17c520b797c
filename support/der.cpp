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
  int count = 0;
  state_->Check(path, asn1_number_of_elements(state_->node, std::string(path).c_str(), &count));
  return static_cast<size_t>(count);
}

std::vector<uint8_t> DerStructure::ElementDer(std::string_view path) const {
  const std::vector<uint8_t>& der = state_->der;
  if (der.empty()) throw DerError(state_->What(path), u"структура не прочитана из DER");
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

std::vector<uint8_t> DerStructure::Encode() const {
  char error[ASN1_MAX_ERROR_DESCRIPTION_SIZE] = {};
  int size = 0;
  int result = asn1_der_coding(state_->node, "", nullptr, &size, error);
  std::vector<uint8_t> der;
  if (result == ASN1_MEM_ERROR) {
    der.resize(size);
    result = asn1_der_coding(state_->node, "", der.data(), &size, error);
  }
  if (result != ASN1_SUCCESS) state_->Fail({}, result);
  der.resize(size);
  return der;
}

std::string ElementPath(std::string_view path, size_t n) {
  std::string element(path);
  if (!element.empty()) element += '.';
  element += '?';
  element += std::to_string(n);
  return element;
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
  const DerStructure sequence = DerStructure::Decode("Elements", der);
  std::vector<std::vector<uint8_t>> elements;
  const size_t count = sequence.Count({});
  elements.reserve(count);
  for (size_t i = 1; i <= count; ++i) elements.push_back(sequence.Bytes(ElementPath({}, i)));
  return elements;
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

}  // namespace quillfen
