// Hostile exports and targets, given to the real program: each must end in
// one clear message, status 1, and a disk as it was.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <stdexcept>
#include <thread>

#include "host/unicode.h"
#include "tests/run_program.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kCaption = "Velmora - Quillfen\n";
const std::string kNoRegistryFile = "Файл не является файлом реестра.";
const std::string kNoKeys = "В файле реестра не найдено разделов.";
const std::string kNotHex =
    "В файле реестра обнаружено неверное значение (данные не являются двоичными или записаны с "
    "ошибкой).";
const std::string kReadFailed = "Не удалось прочитать файл.";
const std::string kNoDirectory = "Не удалось создать каталог контейнера.";
const std::string kExists = "Файл или каталог уже существует.";

// Bounds every run: a program that hangs is killed and shows as status 137.
ProgramResult RunBounded(const std::vector<std::string>& arguments, int seconds = 20) {
  std::vector<std::string> bounded{"-s", "KILL", std::to_string(seconds), QUILLFEN_EXE};
  bounded.insert(bounded.end(), arguments.begin(), arguments.end());
  return RunProgram("/usr/bin/timeout", bounded);
}

// Every name below `root` with the kind and size of what it names, links
// not followed.
std::map<std::string, std::string> Listing(const fs::path& root) {
  std::map<std::string, std::string> listing;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const auto status = entry.symlink_status();
    std::string what = std::to_string(int(status.type()));
    if (status.type() == fs::file_type::regular) {
      what += ',';
      what += std::to_string(entry.file_size());
    }
    listing[fs::relative(entry.path(), root).string()] = what;
  }
  return listing;
}

// Memory rather than disk where the system offers it: the program flushes
// every file it writes, and a hundred thousand flushes would time the disk,
// not the program.
fs::path MemoryBase() {
  return ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path();
}

std::string SmallExport() { return EncodeUtf16Le(RegeditExport({{u"a.key", {1, 2}}}), true); }

std::string Utf16LeExportWithValueLine(const std::u16string& line) {
  return EncodeUtf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n" +
                           std::u16string(kTestContainerHeader) + u"\r\n" + line + u"\r\n",
                       true);
}

TEST(HostileInputTest, EndsInOneMessageAndLeavesNothing) {
  std::mt19937 random(20260101);
  std::string garbage(64 << 10, '\0');
  for (auto& byte : garbage) byte = static_cast<char>(random());

  const std::string nul_inside =
      EncodeUtf8(u"Windows Registry Editor Version 5.00\r\n\r\n", false) +
      EncodeUtf8(kTestContainerHeader, false) + "\r\n\"a.key\"=hex:01," + std::string(1, '\0') +
      "02\r\n";
  // The odd byte left of the last line break is a character of its own,
  // not a break: dropping it would read the cut file as complete.
  std::string cut_by_one = Utf16LeExportWithValueLine(u"\"a.key\"=hex:01,02,03");
  cut_by_one.pop_back();
  const std::string key_prefix =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\S-1-5-21-1\\Keys\\";

  // What a case puts at the source path (a file, or something else).
  using Make = std::function<void(const fs::path& source)>;
  const auto file = [](std::string bytes) -> Make {
    return [bytes](const fs::path& source) { WriteBinaryFile(source, bytes); };
  };
  const struct {
    const char* name;
    Make make;
    std::string message;      // after the source path and an empty line
    std::string source = {};  // instead of the one `make` fills
  } cases[] = {
      {"empty file", file(""), kNoRegistryFile},
      {"binary garbage", file(garbage), kNoRegistryFile},
      {"NUL inside a value line", file(nul_inside), kNotHex},
      {"NUL in the first line",
       file("Windows Registry" + std::string(1, '\0') + "Editor Version 5.00\r\n"),
       kNoRegistryFile},
      {"unpaired high surrogate in a value name",
       file(Utf16LeExportWithValueLine(u"\"a\xD800.key\"=hex:01")), kNotHex},
      {"unpaired low surrogate in the data",
       file(Utf16LeExportWithValueLine(u"\"a.key\"=hex:01,\xDC00")), kNotHex},
      {"UTF-16LE export cut by one byte", file(cut_by_one), kNotHex},
      {"UTF-16LE mark and nothing", file("\xFF\xFE"), kNoRegistryFile},
      {"UTF-16BE mark and nothing", file("\xFE\xFF"), kNoRegistryFile},
      {"UTF-8 mark and nothing", file("\xEF\xBB\xBF"), kNoRegistryFile},
      {"first line of 10 MB",
       file("Windows Registry Editor Version 5.00" + std::string(10 << 20, 'A')), kNoRegistryFile},
      {"key header of 10 MB without a line break", file(key_prefix + std::string(10 << 20, 'k')),
       kNoKeys},
      {"sparse file of 4 GiB",
       [](const fs::path& source) {
         const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
         ASSERT_GE(fd, 0);
         EXPECT_EQ(::ftruncate(fd, off_t{4} << 30), 0);
         ::close(fd);
       },
       kReadFailed + "\n\nОшибка 27: File too large"},
      {"directory", [](const fs::path& source) { fs::create_directory(source); },
       kReadFailed + "\n\nОшибка 21: Is a directory"},
      {"FIFO without a writer",
       [](const fs::path& source) { ASSERT_EQ(::mkfifo(source.c_str(), 0600), 0); },
       kReadFailed + "\n\nОшибка 22: Not a regular file"},
      {"device", [](const fs::path&) {}, kReadFailed + "\n\nОшибка 22: Not a regular file",
       "/dev/zero"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const fs::path source = c.source.empty() ? dir / "in.reg" : fs::path(c.source);
    const fs::path target = dir / "out" / "key.000";
    c.make(source);
    const auto before = Listing(dir.path());

    const auto started = Clock::now();
    const auto result = RunBounded({source.string(), target.string()});
    const auto seconds = std::chrono::duration<double>(Clock::now() - started).count();

    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, kCaption + source.string() + "\n\n" + c.message + "\n");
    EXPECT_LT(seconds, 5.0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(target)));
    EXPECT_EQ(Listing(dir.path()), before);
  }
}

TEST(HostileInputTest, UnusableTargetsEndInOneMessageAndLeaveNothing) {
  const std::string component(300, 'x');
  const struct {
    const char* name;
    std::string target;  // below the temporary directory
    std::string message;
  } cases[] = {
      {"level longer than a name may be", component + "/key.000", kNoDirectory},
      {"last level longer than a name may be", "keys/" + component, kNoDirectory},
      {"below a regular file", "plain.txt/key.000", kNoDirectory},
      {"dangling symbolic link", "link", kExists},
      {"link to a directory", "linked", kExists},
      {"file named with a slash after it", "plain.txt/", kExists},
      {"dangling link named with a slash after it", "link/", kExists},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBinaryFile(dir / "in.reg", SmallExport());
    WriteBinaryFile(dir / "plain.txt", "text");
    fs::create_symlink(dir / "nowhere", dir / "link");
    fs::create_directory(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "linked");
    const auto before = Listing(dir.path());

    const std::string target = (dir / c.target).string();
    const auto result = RunBounded({(dir / "in.reg").string(), target});

    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, kCaption + target + "\n\n" + c.message + "\n");
    EXPECT_EQ(Listing(dir.path()), before);
    EXPECT_EQ(ReadBinaryFile(dir / "plain.txt"), "text");
  }
}

TEST(HostileInputTest, PathsAreReadAsTheKernelReadsThem) {
  const struct {
    const char* name;
    std::string target;  // below the temporary directory
    std::string where;   // where the container lands, below it too
    bool working_directory_gone;
  } cases[] = {
      {"dot-dot after a link", "L/../viaL", "real/viaL", false},
      {"absolute paths without a working directory", "abs/key.000", "abs/key.000", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBinaryFile(dir / "in.reg", SmallExport());
    fs::create_directories(dir / "real" / "deep");
    fs::create_directory_symlink(dir / "real" / "deep", dir / "L");
    fs::create_directory(dir / "gone");
    const std::string target = (dir / c.target).string();
    // The shell removes its own working directory, then becomes the program.
    const auto result = c.working_directory_gone
                            ? RunProgram("/bin/sh",
                                         {"-c", "rmdir \"$PWD\" && exec \"$0\" \"$@\"",
                                          QUILLFEN_EXE, (dir / "in.reg").string(), target},
                                         dir / "gone")
                            : RunProgram(QUILLFEN_EXE, {(dir / "in.reg").string(), target});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(ReadBinaryFile(dir / c.where / "a.key"), "\x01\x02");
  }
}

TEST(HostileInputTest, AFileTheDiskCannotKeepUndoesTheConversion) {
  TempDir dir;
  WriteBinaryFile(dir / "in.reg", SmallExport());
  const auto before = Listing(dir.path());
  const std::string target = (dir / "out" / "key.000").string();
  // The shim fails every flush of a regular file; a sanitizer runtime would
  // otherwise insist on being loaded first.
  const auto result = RunProgram(
      "/usr/bin/env", {"LD_PRELOAD=" QUILLFEN_FAIL_FSYNC, "ASAN_OPTIONS=verify_asan_link_order=0",
                       QUILLFEN_EXE, (dir / "in.reg").string(), target});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, kCaption + target + "/a.key\n\nНе удалось записать файл в каталог " +
                            "контейнера.\n\nОшибка 5: Input/output error\n");
  EXPECT_EQ(Listing(dir.path()), before);
}

// A value of millions of items needs several copies of its line at once; a
// machine without that much memory refuses one of them.
TEST(HostileInputTest, MemoryThatRunsOutEndsInTheReadMessageAndUndoesTheFirstFile) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer reserves more address space than the limit allows";
#endif
  TempDir dir(MemoryBase());
  std::u16string line = u"\"b.key\"=hex:";
  for (int i = 0; i < 4'000'000; ++i) line += u"ab,";
  line += u"ab";
  const std::string source = (dir / "in.reg").string();
  WriteBinaryFile(source, Utf16LeExportWithValueLine(u"\"a.key\"=hex:01\r\n" + line));
  const auto before = Listing(dir.path());
  const std::string target = (dir / "out" / "key.000").string();
  // Room for the program, the mapped export and one copy of its text.
  const size_t limit_kib = 3 * fs::file_size(source) / 1024 + 64 * 1024;
  const auto result =
      RunProgram("/bin/sh", {"-c", "ulimit -v " + std::to_string(limit_kib) + " && exec \"$@\"",
                             "sh", QUILLFEN_EXE, source, target});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err,
            kCaption + source + "\n\n" + kReadFailed + "\n\nОшибка 12: Cannot allocate memory\n");
  EXPECT_EQ(Listing(dir.path()), before);
}

// Another process cuts the export short while the program reads it: the
// program ends as it always does, never with a signal.
TEST(HostileInputTest, AnExportCutShortWhileItIsReadEndsInOneMessage) {
  TempDir dir(MemoryBase());
  ValueList values;
  for (int i = 0; i < 100'000; ++i) {
    std::string name = "v";
    name += std::to_string(i);
    name += ".key";
    values.emplace_back(FromUtf8(name), std::vector<uint8_t>(100, uint8_t(i)));
  }
  const std::string whole = EncodeUtf16Le(RegeditExport(values), true);
  std::map<std::string, int> outcomes;
  for (const int delay_ms : {0, 10, 20, 40, 80}) {
    SCOPED_TRACE(delay_ms);
    const fs::path source = dir / "in.reg";
    const fs::path target = dir / ("out" + std::to_string(delay_ms));
    WriteBinaryFile(source, whole);
    std::thread cutter([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
      ::truncate(source.c_str(), 4096);
    });
    const auto result = RunBounded({source.string(), target.string()}, 60);
    cutter.join();
    ASSERT_LT(result.exit_status, 2) << result.err;
    if (result.exit_status == 1) {
      EXPECT_EQ(result.out, "");
      EXPECT_TRUE(result.err.starts_with(kCaption + source.string() + "\n\n")) << result.err;
      EXPECT_FALSE(fs::exists(target));
      ++outcomes[result.err.substr(result.err.rfind("\n\n") + 2)];
    } else {
      ++outcomes["converted"];
    }
  }
  for (const auto& [outcome, count] : outcomes) std::cout << count << " x " << outcome << "\n";
}

TEST(HostileInputTest, AHundredThousandValuesBecomeAHundredThousandFiles) {
  constexpr size_t kValues = 100'000;
  ValueList values;
  values.reserve(kValues);
  for (size_t i = 0; i < kValues; ++i) {
    std::string name = "v";
    name += std::to_string(i);
    name += ".key";
    values.emplace_back(std::u16string(name.begin(), name.end()),
                        std::vector<uint8_t>{uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16)});
  }
  TempDir dir(MemoryBase());
  WriteBinaryFile(dir / "in.reg", EncodeUtf16Le(RegeditExport(values), true));
  const fs::path target = dir / "key.000";

  // How the work grows with the values is counted in
  // ConvertRegFileTest.WorkGrowsLinearlyWithTheValues, and the time is the
  // benchmark's: a loaded machine takes seconds a quiet one does not. The
  // bound only ends a run that hangs, inside ctest's own.
  const auto result = RunBounded({(dir / "in.reg").string(), target.string()}, 240);

  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(target)) files += entry.is_regular_file();
  EXPECT_EQ(files, kValues);
  EXPECT_EQ(ReadBinaryFile(target / "v0.key"), std::string(3, '\0'));
  EXPECT_EQ(ReadBinaryFile(target / "v99999.key"), "\x9F\x86\x01");
}

}  // namespace
}  // namespace quillfen
#endif
