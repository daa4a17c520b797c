#include "tests/known_answers.h"

#include "host/unicode.h"

namespace quillfen {

const std::vector<KnownAnswer>& KnownAnswers() {
  static const std::vector<KnownAnswer> kAnswers = {
      {"kat2001.000", "1.2.643.2.2.98", "1.2.643.2.2.35.1", "Kat-2001",
       "583d34a0b10b49e68cba0d65d4460b1ca6f70eb2677cf0fba70c029189b7e26d", "2ed05791ce57e4ec",
       "b3d48a04", "0abb418ddaa3d03b3daa9eeae356c0d8ead57e94982ffae9d5244530d981a97e",
       "d1e3ec0577750831642371df", "0c930cd2",
       "e3c724dc90e4ca8ad945cf6b6989d4007dfdc671fc813dd4b6cc68a9aeab62b7",
       "06bc26f408e43c1c0149e67578b81390669e5e3db4b909074dcbea2e9d14985f",
       "378dca011c7c17570d32720e", "32995b62",
       "a3a902545664901cfaa63019e4a0acf88c17dabb2b5c7c2d8ea9aa48b7479ea1",
       "2ed05791ce57e4ec72dea6f166f1be303bb280285517d416171f6f6a77c3f5cf"
       "554f555d61aefb8e4d3a810455ac6d6edd1ade9d51324ac27653e2666810cde2"},
      {"kat256.000", "1.2.643.7.1.1.6.1", "1.2.643.2.2.36.0", "Kat-256",
       "fa6d68c582b65360616a371fa4ae8909420651a2e5ebabb6c5e2dfef3c1e8661", "e3d7cbbad706f241",
       "0a9b5fe8", "c4c2e3a8de3fdb388dd14ea59686cf38bddb216d7667cbc2698447a472a7d21f",
       "11bc9d5253d75377b7fe036a", "5fee5eb0",
       "96baa17b675d4e7ad79725344146185f4986a8cd462e2808063790598b1ec29e",
       "de5010d449d171b96001abbc558b5378f7c980be393249e6c8dab9ab40a78647",
       "6a551aee36d605656846a006", "9abb9a7c",
       "3b46e0bb7a0d2138b72f34cc2f704dc1fa0b738651ac092ced4135595585a34c",
       "e3d7cbbad706f241db676112d13e662a995b2b5ef942b63c82fc582b94eda1d7"
       "b72b18d0bf49083f303481a0c3150582c056535d2d3e5e65504c192d3fa9c95b"},
      {"kat512.000", "1.2.643.7.1.1.6.2", "1.2.643.7.1.2.1.2.2", "",
       "26e6ebde6f2e310b757dea25ebffb39f6b99f8f2fb04658be18d2e2b0bc028db"
       "16eed5d7d37fbf2b9250048a29a87dec19263f7e6bca6f245d4e2d7be81a4f3c",
       "19dcf24c651eda3f", "00000000",
       "d010c26bbd1d7faf18fd707d380cb702b59d0adec0e155d4c303c0659420d521"
       "3522c6be150bcfe8430ce7e2bd6eccbc7de1a78cd0fd4f305cebad569f04d727",
       "716b47be722eb104f2e4b84b", "6dbf01f3",
       "aacfd822a4fc278c641db720e292dcf4f5c95717c56085be21a87969d598388c"
       "a7371fcb028cabe7a196481d6fd756ed805ecd05fde81e9af0b06917481494cd",
       "8d849c65a9d25c1c44ab5e8d926115675ae9e05b3c572154da3ffb11e8f6c429"
       "941c58bcbdecdb725a2bc16ba7ba23089af8110fb0926fd9e1aaf6596b27d29b",
       "bf0ffcd8b0642e7ccbbbe7aa", "bb6df429",
       "2b315b3f17e12a8ecc0b4ccad34c463e33ecfd90d21f6dff81df8621a6e78724"
       "0457a01b99ba261004d36c25154a67b43de53ed979689e4887142b4b2671af9b",
       "19dcf24c651eda3ff17474c2ff068d675198988ae609122639654051427ed13a"
       "491bf90a3b31e1f42ecc4795311c7a957b4c31c37d0282bb8f90a18792621230"
       "a36124323cb38320a91bf565d3207221c74d05595b444d8aac47b84b7260668b"
       "2e7916f16e1d05d8de4f780b5b43364a0cef04f137180d8208baf6ac06149c58"},
  };
  return kAnswers;
}

std::u16string KnownAnswersDirectory() {
  return FromUtf8(QUILLFEN_SOURCE_DIR "/tests/data/known-answers");
}

}  // namespace quillfen
