#include "conversion/contents/container_values.h"

#include <gtest/gtest.h>

#include "conversion/conversion_error.h"

namespace quillfen {
namespace {

TEST(KeptValuesTest, HandsOutEveryValueAndKeepsTheNamedOneOnly) {
  const std::vector<ContainerValue> values = {{u"HEADER.KEY", {1, 2}},
                                              {u"masks.key", {3}},
                                              {u"Name.Key", {7}},
                                              {u"primary.key", {4, 5, 6}}};
  HeldContainerKey key(u"k", u"S-1", true, values);
  KeptValuesKey kept(key, {u"header.key", u"name.key"});
  EXPECT_EQ(kept.Name(), u"k");
  EXPECT_TRUE(kept.Wow64());
  std::vector<std::u16string> handed;
  while (const auto value = kept.NextValue()) handed.push_back(value->name);
  EXPECT_EQ(handed, (std::vector<std::u16string>{u"HEADER.KEY", u"masks.key", u"Name.Key",
                                                 u"primary.key"}));
  ASSERT_EQ(kept.Kept().size(), 2u);
  EXPECT_EQ(kept.Kept()[0].bytes, (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(kept.Kept()[1].bytes, (std::vector<uint8_t>{7}));
}

TEST(KeptValuesTest, WipedValuesKeepTheirSizeAndHoldZeros) {
  std::vector<ContainerValue> values = {{u"masks.key", {3, 4}}, {u"name.key", {}}};
  WipeValues(values);
  EXPECT_EQ(values[0].bytes, (std::vector<uint8_t>{0, 0}));
  EXPECT_TRUE(values[1].bytes.empty());
}

// Hands out "a", then fails once with a message of two paragraphs, then "b".
class OnceFailingKey : public ContainerKey {
 public:
  OnceFailingKey() : ContainerKey(u"k", u"S-1", false) {}
  std::optional<ContainerValue> NextValue() override {
    switch (next_++) {
      case 0:
        return ContainerValue{u"a", {1}};
      case 1:
        throw ConversionError(u"/work/in.reg\r\n\r\nBad value\r\nof two lines.");
      case 2:
        return ContainerValue{u"b", {2}};
    }
    return std::nullopt;
  }

 private:
  int next_ = 0;
};

TEST(ReadAllValuesTest, StrictEndsAtTheFirstBadValueTolerantSaysItAndReadsOn) {
  OnceFailingKey strict;
  EXPECT_THROW(ReadAllValues(strict), ConversionError);

  OnceFailingKey tolerant;
  std::vector<std::u16string> problems;
  const auto values = ReadAllValues(tolerant, &problems);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[1].name, u"b");
  EXPECT_EQ(problems, std::vector<std::u16string>{u"/work/in.reg: Bad value of two lines."});
}

TEST(FindValueTest, ByNameInAnyAsciiCase) {
  const std::vector<ContainerValue> values = {{u"name.key", {1}}, {u"HEADER.KEY", {2}}};
  ASSERT_NE(FindValue(values, u"header.key"), nullptr);
  EXPECT_EQ(FindValue(values, u"header.key")->bytes, std::vector<uint8_t>{2});
  EXPECT_EQ(FindValue(values, u"masks.key"), nullptr);
}

}  // namespace
}  // namespace quillfen
