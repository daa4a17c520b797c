// Where root writes the files of --cert, --export-key and --export-pfx,
// through the real program: under sudo with the rights of the user who
// asked, alone nowhere another user could change nor through a link another
// user may have made, and never through a directory swapped for a link.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/run_program.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

const std::string kContainer =
    std::string(QUILLFEN_SOURCE_DIR) + "/tests/data/known-answers/kat512.000";
const std::string kChangeable =
    "Этот каталог не принадлежит root или открыт на запись другим: писать в него от имени "
    "root небезопасно.";

struct Option {
  std::vector<std::string> call;
  std::vector<std::string> files;  // written for kat512.000
  unsigned file_mode;
  unsigned directory_mode;
};

// The owner and the mode of `path` itself.
std::pair<uid_t, unsigned> OwnerAndMode(const fs::path& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return {uid_t(-1), 0};
  return {info.st_uid, info.st_mode & 07777};
}

TEST(OutputFilesProgramTest, RootWritesOnlyWhereNoOtherUserCanRedirectIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "the owners of these files need root";
  const struct passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "no user nobody here";
  const uid_t user = nobody->pw_uid;
  TempDir dir;
  fs::permissions(dir.path(), fs::perms(0755));
  WriteBinaryFile(dir / "pass", "\n");
  const auto directory = [&](const std::string& name, uid_t owner, unsigned mode) {
    fs::create_directory(dir / name);
    fs::permissions(dir / name, fs::perms(mode));
    ASSERT_EQ(::chown((dir / name).c_str(), owner, owner == 0 ? 0 : nobody->pw_gid), 0);
  };
  directory("users", user, 0755);
  directory("elsewhere", 0, 0700);  // the root-only place another user aims at
  directory("keys", 0, 0755);
  directory("sticky", 0, 01777);
  directory("users/own", user, 0700);
  // Links root made, and links another user made.
  const auto link = [&](const std::string& name, const std::string& to, uid_t owner) {
    fs::create_directory_symlink(to, dir / name);
    ASSERT_EQ(::lchown((dir / name).c_str(), owner, owner == 0 ? 0 : nobody->pw_gid), 0);
  };
  link("to-keys", "keys", 0);
  link("users/to-keys", "../keys", user);
  link("users/to-own", "own", user);
  link("sticky/to-keys", "../keys", user);
  const std::string sudo = "SUDO_USER=nobody";
  const std::string preload = "LD_PRELOAD=" QUILLFEN_SWAP_AFTER_MKDIR;
  const std::string swap_to = "QUILLFEN_SWAP_TO=" + (dir / "elsewhere").string();
  const std::string out = "QUILLFEN_SWAP_NAME=out";
  const std::string at_open = "QUILLFEN_SWAP_AT_OPEN=1";
  const auto refused = [&](const std::string& at, const std::string& why) {
    return (dir / at).string() + "\n\n" + why + "\n";
  };
  const std::string not_made = "Не удалось создать каталог.\n\nОшибка ";
  const struct {
    const char* name;
    std::vector<std::string> environment;
    std::string target;  // below the test's directory
    std::string err;     // after the caption; "" for success
    uid_t owner = 0;     // of the files written
  } cases[] = {
      {"root, below another user's directory", {}, "users/out", refused("users", kChangeable)},
      {"sudo, the user's own directory", {sudo}, "users/out", "", user},
      {"sudo, through the user's link", {sudo}, "users/to-own/out", "", user},
      {"root, through a link in a directory of root's", {}, "to-keys/out", ""},
      {"root, through a link in another user's directory",
       {},
       "users/to-keys/out",
       refused("users", kChangeable)},
      {"root, another user's link in a sticky directory",
       {},
       "sticky/to-keys/out",
       refused("sticky", kChangeable)},
      {"sudo, a directory closed to the user",
       {sudo},
       "elsewhere/out",
       refused("elsewhere/out", not_made + "13: Permission denied")},
      // Another user swaps the new directory for a link the moment a path
      // would lead to it again, or the moment it is made.
      {"root, swapped after it is made", {preload, out, swap_to, at_open}, "out", ""},
      {"sudo, swapped after", {sudo, preload, out, swap_to, at_open}, "users/out", "", user},
      {"root, swapped as it is made",
       {preload, out, swap_to},
       "out",
       refused("out", not_made + "20: Not a directory")},
  };
  const std::string pass = "--password-file=" + (dir / "pass").string();
  const Option options[] = {
      {{"--cert"}, {"kat512.000.cer"}, 0644, 0755},
      {{"--export-key", pass}, {"kat512.000.key.pem", "kat512.000.cert.pem"}, 0600, 0700},
      {{"--export-pfx", pass, "--pfx-" + pass.substr(2)}, {"kat512.000.pfx"}, 0600, 0700},
  };
  for (const auto& option : options) {
    for (const auto& c : cases) {
      SCOPED_TRACE(option.call.front() + ", " + c.name);
      const auto before = Listing(dir.path());
      std::vector<std::string> call = c.environment;
      call.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
      call.push_back(QUILLFEN_EXE);
      call.insert(call.end(), option.call.begin(), option.call.end());
      call.push_back(kContainer);
      const fs::path target = dir / c.target;
      call.push_back(target.string());
      const auto result = RunProgram("/usr/bin/env", call);
      EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
      if (c.err.empty()) {
        EXPECT_EQ(result.exit_status, 0) << result.err;
        EXPECT_EQ(OwnerAndMode(target), std::pair(c.owner, option.directory_mode));
        for (const auto& file : option.files) {
          EXPECT_EQ(OwnerAndMode(target / file), std::pair(c.owner, option.file_mode)) << file;
        }
        fs::remove_all(target);
      } else {
        EXPECT_EQ(result.exit_status, 1);
        EXPECT_EQ(result.err, "Velmora - Quillfen\n" + c.err);
        // The link another user put in its place stays theirs.
        if (fs::is_symlink(target)) fs::remove(target);
      }
      EXPECT_EQ(Listing(dir.path()), before);
    }
  }
}

}  // namespace
}  // namespace quillfen
