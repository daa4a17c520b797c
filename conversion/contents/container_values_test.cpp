#include "conversion/contents/container_values.h"

#include <gtest/gtest.h>

namespace quillfen {
namespace {

TEST(KeptValuesTest, HandsOutEveryValueAndKeepsTheNamedOneOnly) {
  const std::vector<ContainerValue> values = {
      {u"HEADER.KEY", {1, 2}}, {u"masks.key", {3}}, {u"primary.key", {4, 5, 6}}};
  HeldContainerKey key(u"k", u"S-1", true, values);
  KeptValuesKey kept(key, u"header.key");
  EXPECT_EQ(kept.Name(), u"k");
  EXPECT_TRUE(kept.Wow64());
  std::vector<std::u16string> handed;
  while (const auto value = kept.NextValue()) handed.push_back(value->name);
  EXPECT_EQ(handed, (std::vector<std::u16string>{u"HEADER.KEY", u"masks.key", u"primary.key"}));
  ASSERT_EQ(kept.Kept().size(), 1u);
  EXPECT_EQ(kept.Kept()[0].bytes, (std::vector<uint8_t>{1, 2}));
}

TEST(KeptValuesTest, WipedValuesKeepTheirSizeAndHoldZeros) {
  std::vector<ContainerValue> values = {{u"masks.key", {3, 4}}, {u"name.key", {}}};
  WipeValues(values);
  EXPECT_EQ(values[0].bytes, (std::vector<uint8_t>{0, 0}));
  EXPECT_TRUE(values[1].bytes.empty());
}

}  // namespace
}  // namespace quillfen
