// The hive's private copy, on the real disk and through the real program.
#ifndef _WIN32
#include "support/registry_hive.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "conversion/conversion_error.h"
#include "conversion/sources/container_source.h"
#include "host/platform.h"
#include "host/unicode.h"
#include "tests/run_program.h"
#include "tests/test_hives.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

TEST(RegistryHiveTest, AHiveCutShortWhileItIsCopiedIsTheCutShortMessage) {
  TempDir dir;
  const fs::path hive = dir / "SOFTWARE";
  WriteBinaryFile(hive, SoftwareHive(FourContainers()));
  const std::u16string path = FromUtf8(hive.string());
  auto bytes = RealFileSystem().ReadFile(path);
  ASSERT_EQ(::truncate(hive.c_str(), 4096), 0);
  try {
    OpenContainerSource(std::move(bytes), path);
    ADD_FAILURE() << "a hive cut short was read";
  } catch (const ConversionError& error) {
    EXPECT_EQ(error.Message(), path +
                                   u"\r\n\r\nНе удалось прочитать файл.\r\n\r\nОшибка 5: The file "
                                   u"was cut short while it was read");
  }
}

// The copy lies below TMPDIR while the hive is opened, and goes; the system
// need not show its files under /proc.
TEST(RegistryHiveTest, TheCopyNeedsNoProcAndLeavesNothing) {
  TempDir dir;
  fs::create_directory(dir / "tmp");
  WriteBinaryFile(dir / "SOFTWARE", SoftwareHive(FourContainers()));
  const std::string list = "/usr/bin/env TMPDIR=" + (dir / "tmp").string() + " " + QUILLFEN_EXE +
                           " --list " + (dir / "SOFTWARE").string();
  std::vector<std::string> setups = {"true"};
#ifndef __SANITIZE_ADDRESS__  // whose runtime reads /proc itself
  if (::geteuid() == 0 && RunProgram("/usr/bin/unshare", {"--mount", "true"}).exit_status == 0) {
    setups.push_back("umount /proc");
  }
#endif
  for (const auto& setup : setups) {
    SCOPED_TRACE(setup);
    const auto result = RunProgram("/usr/bin/unshare", {"--mount", "--propagation", "private",
                                                        "/bin/sh", "-c", setup + " && " + list});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_NE(result.out.find("le-abc.def\tS-1-5-21-1002\t3\tleabcdef.000\t—\t—\tнет: masks.key\n"),
              std::string::npos)
        << result.out;
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
  }
}

// Whoever owns TMPDIR puts a directory of the program's own user, but open
// to others (0755), in the place of the one just made: refused, as a
// directory the program did not make.
TEST(RegistryHiveTest, AnOpenDirectoryInThePlaceOfTheCopysIsRefused) {
  TempDir dir;
  fs::create_directory(dir / "tmp");
  WriteBinaryFile(dir / "SOFTWARE", SoftwareHive(FourContainers()));
  WriteBinaryFile(
      dir / "root-only",
      SoftwareHive(
          {{u"S-1-5-18", false, u"root-only", {{u"header.key", {1}}, {u"name.key", {2}}}}}));
  fs::permissions(dir / "root-only", fs::perms(0600));
  const std::string to = "QUILLFEN_SWAP_TO=" + (dir / "root-only").string();
  const struct {
    const char* what;
    std::vector<std::string> swap;
    int status;
    std::string out, err;
    size_t moved;  // directories renamed away, left empty
  } kCases[] = {
      {"a 0755 directory of the same user put in its place as it is made",
       {"LD_PRELOAD=" QUILLFEN_SWAP_AFTER_MKDIR, "QUILLFEN_SWAP_NAME=quillfen-XXXXXX", to,
        "QUILLFEN_SWAP_OWNER=" + std::to_string(::geteuid()), "QUILLFEN_SWAP_MODE=755"},
       1,
       "",
       ConsoleMessage(FromUtf8((dir / "SOFTWARE").string()) +
                      u"\r\n\r\nНе удалось прочитать файл.\r\n\r\nОшибка 17: Another "
                      u"directory took the place of the one made"),
       0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> arguments = c.swap;
    arguments.insert(arguments.end(),
                     {"ASAN_OPTIONS=verify_asan_link_order=0", "TMPDIR=" + (dir / "tmp").string(),
                      QUILLFEN_EXE, "--list", (dir / "SOFTWARE").string()});
    const auto result = RunProgram("/usr/bin/env", arguments);
    EXPECT_EQ(result.exit_status, c.status);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    // The swap took place: a directory made is below the other name, the
    // copy gone from it.
    size_t moved = 0;
    for (const auto& entry : fs::directory_iterator(dir / "tmp")) {
      if (!entry.path().filename().string().ends_with("-moved")) continue;
      EXPECT_TRUE(fs::is_empty(entry.path()));
      ++moved;
    }
    EXPECT_EQ(moved, c.moved);
    fs::remove_all(dir / "tmp");
    fs::create_directory(dir / "tmp");
  }
}

// Whoever owns TMPDIR (a caller of sudo who kept it) renames a directory
// under the program's feet and puts a link in its place: the copy's
// directory the moment libhivex opens the copy, with a copy there that
// leads to a hive only root may read; or TMPDIR itself, after the program
// opened it and before it makes its directory there. The hive listed is
// still the one given, and nothing is left anywhere.
TEST(RegistryHiveTest, ADirectorySwappedWhileTheCopyIsMadeOrOpenedRedirectsNothing) {
  const struct {
    const char* name;
    std::string swap;      // the shim's trigger
    std::string to;        // below the test's directory
    std::string moved_in;  // where the directory renamed away is
  } cases[] = {
      {"the copy's directory", "QUILLFEN_SWAP_FILE=copy", "root-only", "tmp"},
      {"TMPDIR", "QUILLFEN_SWAP_TMPDIR=1", "elsewhere", "."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    fs::create_directory(dir / "tmp");
    fs::create_directory(dir / "elsewhere");
    WriteBinaryFile(dir / "SOFTWARE", SoftwareHive(FourContainers()));
    WriteBinaryFile(
        dir / "root-only",
        SoftwareHive(
            {{u"S-1-5-18", false, u"root-only", {{u"header.key", {1}}, {u"name.key", {2}}}}}));
    fs::permissions(dir / "root-only", fs::perms(0600));
    const auto result = RunProgram(
        "/usr/bin/env",
        {"LD_PRELOAD=" QUILLFEN_SWAP_ON_OPEN, "ASAN_OPTIONS=verify_asan_link_order=0", c.swap,
         "QUILLFEN_SWAP_TO=" + (dir / c.to).string(), "TMPDIR=" + (dir / "tmp").string(),
         QUILLFEN_EXE, "--list", (dir / "SOFTWARE").string()});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, ConsoleMessage(FourContainersList()));
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    // The swap took place: what was renamed away is empty, the copy and
    // the directory made gone from it.
    std::vector<std::string> moved;
    for (const auto& entry : fs::directory_iterator(dir / c.moved_in)) {
      if (entry.path().filename().string().ends_with("-moved")) {
        moved.push_back(entry.path().filename().string());
        EXPECT_TRUE(fs::is_empty(entry.path()));
      }
    }
    EXPECT_EQ(moved.size(), 1u);
  }
}

}  // namespace
}  // namespace quillfen
#endif
