#include "app/format_version.h"

#include <gtest/gtest.h>

#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

TEST(FormatAppVersionTest, Table) {
  EXPECT_EQ(FormatAppVersion(1, 0, 3), u"1.00.0003");
  EXPECT_EQ(FormatAppVersion(1, 12, 3), u"1.12.0003");
  EXPECT_EQ(FormatAppVersion(1, 0, 45), u"1.00.0045");
  EXPECT_EQ(FormatAppVersion(10, 123, 54321), u"10.123.54321");
  EXPECT_EQ(FormatAppVersion(), u"1.00.0003");
}

TEST(GetAboutTextTest, TitleVersionAndCopyright) {
  EXPECT_EQ(GetAboutText(), u"Velmora - Quillfen 1.00.0003\r\nCopyright © 2026 Velmora");
}

}  // namespace
}  // namespace quillfen
