#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/contents/info_text.h"
#include "conversion/runs/run_frame.h"
#include "conversion/sources/container_source.h"
#include "host/host.h"

namespace quillfen {

// What --list tells about one container.
struct ListedContainer {
  std::u16string name;
  std::u16string user;
  bool wow64 = false;
  size_t values = 0;  // read before `error`, if any
  // The name --all would give its directory in an empty directory.
  std::u16string directory;
  // Those of the values every container has that it lacks.
  std::vector<std::u16string> missing;
  // Why its values could not be read, on one line; empty when they could.
  std::u16string error;
  CertificateSummary certificate;

  bool operator==(const ListedContainer&) const = default;
};

// Every container of `sourceFile` that `choice` takes (its kind aside), in
// the source's order. A container whose values cannot be read is listed
// with the reason; the listing fails only when the source does. False after
// the one message; `note` receives what the source adds.
bool ListContainers(std::u16string_view sourceFile, const ContainerChoice& choice, Host& host,
                    std::vector<ListedContainer>* listed, std::u16string* note = nullptr,
                    const Announce& announce = {});

// The line for scripts: name, user key, number of values and directory,
// then "нет: " and what is missing, or "ошибка: " and why, separated by
// tabs. Every column is shown by VisibleName with the backslash escaped, so
// a line always splits into its columns.
std::u16string ListLine(const ListedContainer& container);

// The same for people, as a message box shows it: the parts separated by
// words and dashes, never tabs, which a box neither aligns nor always shows.
std::u16string ListLineForPeople(const ListedContainer& container);

// `lines` one below the other; beyond the first `most`, "… и ещё N" instead
// of the rest.
std::u16string ShownLines(const std::vector<std::u16string>& lines, size_t most);

}  // namespace quillfen
