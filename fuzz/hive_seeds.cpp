// Writes the hive fuzzer's seeds, made by libhivex's own writing code, into
// the directory given: nothing is copied in from elsewhere.
#include <filesystem>
#include <iostream>

#include "tests/run_program.h"
#include "tests/test_hives.h"

int main(int argc, char** argv) {
  using namespace quillfen;
  if (argc != 2) {
    std::cerr << "usage: hive_seeds DIRECTORY\n";
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  std::filesystem::create_directories(directory);
  const std::string software = SoftwareHive(FourContainers());
  WriteBinaryFile(directory / "software", software);
  WriteBinaryFile(directory / "unclean", WithSecondarySequenceNumber(software, 9));
  WriteBinaryFile(directory / "loop",
                  WithLoopBelow(software, u"Crypto Pro\\Settings\\Users\\S-1-5-21-1001\\Keys"));
  WriteBinaryFile(directory / "string-value",
                  MakeHive({{u"Crypto Pro\\Settings\\Users\\S\\Keys\\K",
                             {{u"a.key", 1, std::string("a\0\0\0", 4)}}}}));
  WriteBinaryFile(directory / "empty", EmptyHive());
  return 0;
}
