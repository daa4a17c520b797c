// Any bytes as a container's files, through the contents reader and the
// lines --info and --list make of it. The first byte says where the rest
// goes: into header.key, into name.key, or into header.key's certificate.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "conversion/contents/container_contents.h"
#include "conversion/contents/info_text.h"
#include "conversion/runs/container_list.h"
#include "fuzz/fuzz_check.h"
#include "host/unicode.h"
#include "support/der.h"

namespace quillfen {
namespace {

// A header.key of known elements around `certificate`, as the facade writes it.
std::vector<uint8_t> HeaderAround(const std::vector<uint8_t>& certificate) {
  DerStructure element = DerStructure::Create("HeaderElement");
  element.Write("", "primaryCertificate");
  element.WriteBytes("primaryCertificate", certificate);
  DerStructure header = DerStructure::Create("HeaderKeyElements");
  header.Write("content", "NEW");
  header.WriteBytes("content.?LAST", element.Encode());
  const uint8_t mac[] = {1, 2, 3, 4};
  header.WriteBytes("mac", mac);
  return header.Encode();
}

bool Contains(const std::vector<uint8_t>& haystack, const std::vector<uint8_t>& needle) {
  if (needle.size() > haystack.size()) return false;
  for (size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
    if (std::equal(needle.begin(), needle.end(), haystack.begin() + i)) return true;
  }
  return false;
}

void CheckCertificate(const CertificateContents& certificate) {
  FUZZ_CHECK(certificate.thumbprint.size() == 40);
  for (const DateTime& time : {certificate.not_before, certificate.not_after}) {
    FUZZ_CHECK(time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31);
    FUZZ_CHECK(time.hour <= 23 && time.minute <= 59 && time.second <= 59);
  }
}

// What `text` would put on a terminal: UTF-8 throughout, so no half of a
// surrogate pair went out as the byte it stood for, and no C1 control (C2 9B
// is CSI) nor a control that turns the text around or breaks its line.
void CheckWritten(std::u16string_view text) {
  const std::string written = ToUtf8(text);
  FUZZ_CHECK(IsValidUtf8(written));
  char32_t c = 0;
  for (size_t i = 0; i < written.size();) {
    i += DecodeUtf8Sequence(written, i, &c);
    FUZZ_CHECK(c < 0x80 || c > 0x9f);
    FUZZ_CHECK(!(c >= 0x202a && c <= 0x202e) && !(c >= 0x2066 && c <= 0x2069));
    FUZZ_CHECK(c != 0x200e && c != 0x200f && c != 0x061c && c != 0x2028 && c != 0x2029);
  }
}

void Run(const uint8_t* data, size_t size) {
  if (size == 0) return;
  const std::vector<uint8_t> rest(data + 1, data + size);
  std::vector<ContainerValue> values;
  std::vector<uint8_t> header;
  switch (data[0] % 3) {
    case 0:
      header = rest;
      break;
    case 1:
      values.push_back({u"name.key", rest});
      break;
    default:
      header = HeaderAround(rest);
      try {
        CheckCertificate(ReadCertificate(rest));
      } catch (const DerError& error) {
        FUZZ_CHECK(!error.Reason().empty());
      }
      break;
  }
  if (!header.empty()) values.push_back({u"header.key", header});

  const ContainerContents contents = ReadContainerContents(values);
  FUZZ_CHECK(contents.files.size() + contents.missing_files.size() == 6);
  for (const auto& problem : contents.problems) FUZZ_CHECK(!problem.empty());
  if (contents.certificate) FUZZ_CHECK(Contains(header, contents.certificate->der));
  if (contents.HasCertificate()) CheckCertificate(*contents.certificate->contents);
  if (data[0] % 3 == 2) FUZZ_CHECK(contents.header_read && contents.certificate);

  const std::u16string block =
      InfoBlock({u"x", u"S-1", false, {}}, contents, {2026, 1, 1, 0, 0, 0});
  FUZZ_CHECK(block.starts_with(u"Контейнер «x»\r\n"));
  // Whatever the files hold, it breaks no line of the block.
  for (size_t i = 0; i < block.size(); ++i) {
    if (block[i] == u'\r') FUZZ_CHECK(i + 2 < block.size() && block[i + 1] == u'\n');
    if (block[i] == u'\n') FUZZ_CHECK(i > 0 && block[i - 1] == u'\r' && block[i + 1] != u'\r');
    if (block[i] != u'\r' && block[i] != u'\n') FUZZ_CHECK(block[i] >= 0x20 && block[i] != 0x7f);
  }
  CheckWritten(block);
  // Nor a column of --list.
  ListedContainer listed;
  listed.certificate = SummaryOfCertificate(contents);
  const std::u16string line = ListLine(listed);
  FUZZ_CHECK(std::count(line.begin(), line.end(), u'\t') == 5);
  CheckWritten(line);
}

}  // namespace
}  // namespace quillfen

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    quillfen::Run(data, size);
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
