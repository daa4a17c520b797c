#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "conversion/converter_args.h"
#include "conversion/runs/convert_reg_file.h"
#include "host/host.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"
#include "tests/test_exports.h"

namespace quillfen {

// A conversion against the in-memory disk, with its messages kept.
class ConversionTest : public testing::Test {
 protected:
  static constexpr char16_t kSource[] = u"/work/key.reg";
  static constexpr char16_t kTarget[] = u"/work/key.000";

  bool Convert(const std::u16string& target = kTarget) {
    Host host{files, messenger};
    return ConvertRegFile(ConverterArgs{kSource, target}, host);
  }

  // A fresh disk with an export of `text`, or of `containers`, as kSource;
  // `before` is all it holds.
  void GivenExport(const std::u16string& text) {
    files = FakeFileSystem();
    messenger.shown.clear();
    files.AddFile(kSource, EncodeUtf16Le(text, true));
    before = files.Snapshot();
  }
  void GivenExport(const std::vector<TestContainer>& containers) {
    GivenExport(SeveralContainersExport(containers));
  }

  // The one Critical message the conversion showed.
  std::u16string OnlyError() const {
    EXPECT_EQ(messenger.shown.size(), 1u);
    if (messenger.shown.empty()) return {};
    EXPECT_EQ(messenger.shown[0].style, MessageStyle::kCritical);
    EXPECT_EQ(messenger.shown[0].caption, u"Velmora - Quillfen");
    return messenger.shown[0].text;
  }

  FakeFileSystem files;
  RecordingMessenger messenger;
  std::map<std::u16string, std::string> before;
};

}  // namespace quillfen
