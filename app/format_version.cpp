#include "app/format_version.h"

#include <string>

#include "app_identity.h"
#include "host/platform.h"

namespace quillfen {
namespace {

std::u16string Padded(int number, size_t width) {
  const std::string digits = std::to_string(number);
  std::u16string text(digits.size() < width ? width - digits.size() : 0, u'0');
  text.append(digits.begin(), digits.end());
  return text;
}

}  // namespace

std::u16string FormatAppVersion(int major, int minor, int revision) {
  return Padded(major, 1) + u"." + Padded(minor, 2) + u"." + Padded(revision, 4);
}

std::u16string FormatAppVersion() {
  const VersionInfo& info = AppVersionInfo();
  return FormatAppVersion(info.major, info.minor, info.revision);
}

std::u16string GetAboutText() {
  return std::u16string(kAppTitle) + u" " + FormatAppVersion() + u"\r\n" +
         AppVersionInfo().copyright;
}

}  // namespace quillfen
