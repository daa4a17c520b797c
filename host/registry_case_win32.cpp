#include <windows.h>

#include <climits>

#include "host/registry_case.h"
#include "host/windows_error.h"

namespace quillfen {

// Compared with the system's own upper-case table, the one the registry
// uses: each unit on its own, whatever language the user has chosen.
bool SameTextIgnoringCase(std::u16string_view text, std::u16string_view other) {
  if (text.size() != other.size()) return false;
  if (text.empty()) return true;
  if (text.size() > size_t(INT_MAX)) return text == other;
  const int result = ::CompareStringOrdinal(
      reinterpret_cast<const wchar_t*>(text.data()), int(text.size()),
      reinterpret_cast<const wchar_t*>(other.data()), int(other.size()), TRUE);
  if (result == 0) throw LastWindowsError();
  return result == CSTR_EQUAL;
}

}  // namespace quillfen
