#include "conversion/runs/container_list.h"

#include <array>

#include "conversion/contents/container_values.h"
#include "conversion/conversion_error.h"
#include "conversion/destinations/container_names.h"
#include "conversion/runs/convert_containers.h"
#include "conversion/runs/run_frame.h"
#include "host/unicode.h"
#include "host/visible_name.h"
#include "support/joined.h"

namespace quillfen {
namespace {

constexpr std::array<std::u16string_view, 4> kUsualValues = {u"header.key", u"masks.key",
                                                             u"name.key", u"primary.key"};

// A container's failure on one line: without the source's path, which every
// line would repeat, and with the message's empty lines joined.
std::u16string Reason(const ConversionError& error, std::u16string_view sourceFile) {
  std::u16string_view message = error.Message();
  const std::u16string path = std::u16string(sourceFile) + u"\r\n\r\n";
  if (message.starts_with(path)) message.remove_prefix(path.size());
  return OneLine(message, u" ");
}

ListedContainer Read(ContainerKey& key, std::u16string_view sourceFile) {
  ListedContainer listed;
  listed.name = key.Name();
  listed.user = key.User();
  listed.wow64 = key.Wow64();
  std::array<bool, kUsualValues.size()> present{};
  // The certificate is all the list reads of the values.
  std::vector<ContainerValue> header;
  try {
    while (auto value = key.NextValue()) {
      ++listed.values;
      for (size_t i = 0; i < kUsualValues.size(); ++i) {
        present[i] = present[i] || IsNamed(*value, kUsualValues[i]);
      }
      if (IsNamed(*value, u"header.key")) header.push_back(std::move(*value));
    }
  } catch (const ConversionError& error) {
    listed.error = Reason(error, sourceFile);
    return listed;
  }
  listed.certificate = SummaryOfCertificate(ReadContainerContents(header));
  for (size_t i = 0; i < kUsualValues.size(); ++i) {
    if (!present[i]) listed.missing.emplace_back(kUsualValues[i]);
  }
  return listed;
}

std::u16string Missing(const ListedContainer& container) {
  return u"нет: " + Joined(container.missing, u", ");
}

}  // namespace

bool ListContainers(std::u16string_view sourceFile, const ContainerChoice& choice, Host& host,
                    std::vector<ListedContainer>* listed, std::u16string* note,
                    const Announce& announce) {
  return RunConversion(host, sourceFile, announce, [&](ContainerOutput&) {
    const auto source = OpenSourceOrDirectory(host.files, sourceFile);
    ContainerChoice all = choice;
    all.kind = ContainerChoice::Kind::kAll;
    DirectoryNamer namer(nullptr, {});
    std::vector<ListedContainer> read;
    for (const auto& key : ChooseContainers(*source, all, sourceFile)) {
      read.push_back(Read(*key, sourceFile));
      read.back().directory = namer.Next(key->Name()).value_or(u"");
    }
    *listed = std::move(read);
    if (note != nullptr) *note = source->Note();
  });
}

// Built by appending: GCC 12 warns wrongly about a literal before a
// temporary string.
std::u16string ListLine(const ListedContainer& container) {
  std::u16string line = VisibleName(container.name, true);
  for (const std::u16string& column :
       {VisibleName(container.user, true), FromUtf8(std::to_string(container.values)),
        VisibleName(container.directory, true), VisibleName(container.certificate.name, true),
        container.certificate.last_day}) {
    line += u'\t';
    line += column;
  }
  if (!container.error.empty()) {
    line += u"\tошибка: ";
    line += VisibleName(container.error, true);
  } else if (!container.missing.empty()) {
    line += u'\t';
    line += Missing(container);
  }
  return line;
}

std::u16string ListLineForPeople(const ListedContainer& container) {
  std::u16string line = QuotedName(container.name) + u" — ";
  line += WhereText(container.user, container.wow64);
  line += u" — значений: ";
  line += FromUtf8(std::to_string(container.values));
  line += u" — каталог ";
  line += container.directory;
  if (container.error.empty()) {
    line += u" — сертификат ";
    line +=
        container.certificate.last_day == CertificateSummary().last_day
            ? u"нет"
            : VisibleName(container.certificate.name) + u" до " + container.certificate.last_day;
  }
  if (!container.error.empty()) {
    line += u" — ошибка: ";
    line += VisibleName(container.error);
  } else if (!container.missing.empty()) {
    line += u" — ";
    line += Missing(container);
  }
  return line;
}

std::u16string ShownLines(const std::vector<std::u16string>& lines, size_t most) {
  std::u16string text;
  for (size_t i = 0; i < lines.size() && i < most; ++i) {
    if (i != 0) text += u"\r\n";
    text += lines[i];
  }
  if (lines.size() > most) {
    text += u"\r\n… и ещё " + FromUtf8(std::to_string(lines.size() - most));
  }
  return text;
}

}  // namespace quillfen
