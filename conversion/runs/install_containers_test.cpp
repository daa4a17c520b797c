// --install through the real program, as root installs for another user.
#ifndef _WIN32
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "host/unicode.h"
#include "tests/run_program.h"
#include "tests/test_containers.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

class KeyStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "installing for another user needs root";
    nobody_ = ::getpwnam("nobody");
    if (nobody_ == nullptr) GTEST_SKIP() << "no user nobody here";
    // The key store is open to its users, as /var/opt/cprocsp/keys is.
    fs::permissions(dir_.path(), fs::perms(0755));
    fs::create_directory(keys_);
    WriteBinaryFile(dir_ / "all.reg", EncodeUtf16Le(SeveralContainersExport(containers_), true));
  }

  ProgramResult Install(std::vector<std::string> options, const std::string& source = "all.reg") {
    options.push_back((dir_ / source).string());
    return RunProgram(QUILLFEN_EXE, options);
  }

  void ExpectOwnedByNobody(const fs::path& path, unsigned mode) {
    struct stat info;
    ASSERT_EQ(::lstat(path.c_str(), &info), 0) << path;
    EXPECT_EQ(info.st_uid, nobody_->pw_uid) << path;
    EXPECT_EQ(info.st_gid, nobody_->pw_gid) << path;
    EXPECT_EQ(info.st_mode & 07777, mode) << path;
  }

  void MakeDirectory(const fs::path& path, uid_t owner, unsigned mode) {
    fs::create_directory(path);
    fs::permissions(path, fs::perms(mode));
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fchown(fd, owner, owner == 0 ? 0 : nobody_->pw_gid), 0);
    ::close(fd);
  }

  const std::string kCaption = "Velmora - Quillfen\n";
  TempDir dir_;
  fs::path keys_ = dir_ / "keys";
  const std::vector<TestContainer> containers_ = FourContainers();
  struct passwd* nobody_ = nullptr;
};

TEST_F(KeyStoreTest, EveryContainerBelongsToTheUserTwiceOver) {
  const std::string keys_dir = "--keys-dir=" + keys_.string();
  // A second run never touches the first: its directories are numbered on.
  const std::vector<std::vector<std::string>> rounds = {
      {"perfilev.000", "perfilev.001", "leabcdef.000", "2024.000"},
      {"perfilev.002", "perfilev.003", "leabcdef.001", "2024.001"},
  };
  for (const auto& names : rounds) {
    const auto result = Install({"--install=nobody", keys_dir, "--all"});
    ASSERT_EQ(result.exit_status, 0) << result.err;
    EXPECT_TRUE(result.out.ends_with("Установлено в хранилище ключей успешно! ^_^v\n"));
    ExpectOwnedByNobody(keys_ / "nobody", 0700);
    for (size_t i = 0; i < containers_.size(); ++i) {
      const std::string& name = names[i];
      const fs::path container = keys_ / "nobody" / name;
      ExpectOwnedByNobody(container, 0700);
      EXPECT_NE(
          result.out.find(container.string() + " → \\\\.\\HDIMAGE\\" + ToUtf8(containers_[i].name)),
          std::string::npos)
          << result.out;
      for (const auto& [value, bytes] : containers_[i].values) {
        const fs::path file = container / ToUtf8(value);
        ExpectOwnedByNobody(file, 0600);
        EXPECT_EQ(ReadBinaryFile(file), std::string(bytes.begin(), bytes.end()));
      }
    }
  }
}

TEST_F(KeyStoreTest, EachCertificateGetsTheCommandThatBindsIt) {
  // The key store lists a container by its name.key, which a copied key
  // keeps: the command must name that one, quoted for the shell.
  ValueList copied = KnownAnswerValues("kat256.000");
  for (auto& [value, bytes] : copied) {
    if (value == u"name.key") bytes = TestNameKey("kat'256");
  }
  const std::vector<TestContainer> containers = {
      {u"S-1", false, u"kat256 - копия", copied},
      {u"S-1", false, u"без сертификата", containers_[0].values},
  };
  WriteBinaryFile(dir_ / "certs.reg", EncodeUtf16Le(SeveralContainersExport(containers), true));
  const std::string keys_dir = "--keys-dir=" + keys_.string();
  const std::string user_dir = (keys_ / "nobody").string();
  const struct {
    std::vector<std::string> call;
    std::string message;
  } cases[] = {
      {{"--install=nobody", keys_dir, "--all", (dir_ / "certs.reg").string()},
       user_dir + "\n\n" + user_dir + "/kat256.000 → \\\\.\\HDIMAGE\\kat'256\n" + user_dir +
           "/key.000 → \\\\.\\HDIMAGE\\без сертификата (name.key не прочитан: имя из "
           "источника)\n\n"
           "Сертификат — в личное хранилище пользователя, от его имени:\n"
           "certmgr -inst -store uMy -cont '\\\\.\\HDIMAGE\\kat'\\''256'\n\n"
           "Установлено в хранилище ключей успешно! ^_^v\n"},
      // A container directory, as on a flash drive.
      {{"--install=nobody", keys_dir,
        std::string(QUILLFEN_SOURCE_DIR) + "/tests/data/known-answers/kat512.000"},
       user_dir + "\n\n" + user_dir +
           "/kat512.000 → \\\\.\\HDIMAGE\\kat512\n\n"
           "Сертификат — в личное хранилище пользователя, от его имени:\n"
           "certmgr -inst -store uMy -cont '\\\\.\\HDIMAGE\\kat512'\n\n"
           "Установлено в хранилище ключей успешно! ^_^v\n"},
  };
  for (const auto& c : cases) {
    const auto result = RunProgram(QUILLFEN_EXE, c.call);
    ASSERT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, "Velmora - Quillfen\n" + c.message);
  }
}

TEST_F(KeyStoreTest, AUserDirectoryAnotherCouldChangeIsRefused) {
  fs::create_directory(dir_ / "elsewhere");
  const struct {
    const char* user;
    std::function<void(const fs::path&)> plant;  // by someone else than the user
  } cases[] = {
      {"root", [&](const fs::path& at) { fs::create_directory_symlink(dir_ / "elsewhere", at); }},
      {"nobody", [&](const fs::path& at) { MakeDirectory(at, nobody_->pw_uid, 0777); }},
      {"nobody", [&](const fs::path& at) { MakeDirectory(at, nobody_->pw_uid, 0770); }},
      {"nobody", [&](const fs::path& at) { MakeDirectory(at, 0, 0700); }},
      {"nobody", [&](const fs::path& at) { WriteBinaryFile(at, ""); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    const fs::path planted = keys_ / c.user;
    c.plant(planted);
    const auto result =
        Install({"--install=" + std::string(c.user), "--keys-dir=" + keys_.string()});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, kCaption + planted.string() +
                              "\n\nЭтот каталог хранилища ключей не принадлежит пользователю «" +
                              c.user +
                              "» или открыт на запись другим: класть в него ключи небезопасно.\n");
    EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
    if (fs::is_directory(fs::symlink_status(planted))) {
      EXPECT_TRUE(fs::is_empty(planted));
    }
    fs::remove(planted);
  }
}

// Another user puts a link in the place of a directory the moment it is
// made; the link leads to a directory the user could not otherwise write
// into, or to a file whose owner and mode root would change.
TEST_F(KeyStoreTest, ADirectoryReplacedTheMomentItIsMadeRedirectsNothing) {
  fs::create_directory(dir_ / "elsewhere");
  fs::permissions(dir_ / "elsewhere", fs::perms(0777));
  WriteBinaryFile(dir_ / "setuid", "#!/bin/sh\n");
  fs::permissions(dir_ / "setuid", fs::perms(04755));
  const std::string another = std::to_string(nobody_->pw_uid);
  const struct {
    std::string name;  // the directory replaced
    std::string to;
    bool hard;
    std::string error;
    std::string owner;  // of a directory put there instead of a link
  } cases[] = {
      {"nobody", "elsewhere", false, "Ошибка 20: Not a directory", ""},
      {"nobody", "setuid", false, "Ошибка 20: Not a directory", ""},
      {"nobody", "setuid", true, "Ошибка 20: Not a directory", ""},
      {"perfilev.000", "elsewhere", false,
       "Ошибка 20: Not a directory\n\nКонтейнер «" + ToUtf8(containers_[0].name) + "».", ""},
      {"nobody", "elsewhere", false, "Ошибка 17: Another directory took the place of the one made",
       another},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " → " + c.to);
    const auto result = RunProgram(
        "/usr/bin/env",
        {"LD_PRELOAD=" QUILLFEN_SWAP_AFTER_MKDIR, "ASAN_OPTIONS=verify_asan_link_order=0",
         "QUILLFEN_SWAP_NAME=" + c.name, "QUILLFEN_SWAP_TO=" + (dir_ / c.to).string(),
         c.hard ? "QUILLFEN_SWAP_HARD=1" : "QUILLFEN_SWAP_SOFT=1",
         c.owner.empty() ? "QUILLFEN_SWAP_LINK=1" : "QUILLFEN_SWAP_OWNER=" + c.owner, QUILLFEN_EXE,
         "--install=nobody", "--keys-dir=" + keys_.string(), "--all", (dir_ / "all.reg").string()});
    EXPECT_EQ(result.exit_status, 1);
    const fs::path replaced = c.name == "nobody" ? keys_ / "nobody" : keys_ / "nobody" / c.name;
    EXPECT_EQ(result.err, kCaption + replaced.string() +
                              "\n\nНе удалось создать каталог контейнера.\n\n" + c.error + "\n");
    EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
    struct stat info;
    ASSERT_EQ(::stat((dir_ / "setuid").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 04755u);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(ReadBinaryFile(dir_ / "setuid"), "#!/bin/sh\n");
    // What the run made is gone; the other user's link is theirs. Their
    // empty directory in the name the run made goes too.
    std::vector<std::string> expected, left;
    if (c.owner.empty()) expected.push_back("nobody");
    if (c.name != "nobody") expected.push_back("nobody/" + c.name);
    for (const auto& entry : Listing(keys_)) left.push_back(entry.first);
    EXPECT_EQ(left, expected);
    fs::remove_all(keys_ / "nobody");
  }
}

// Root runs it under sudo for the user behind it, who picks the export and
// the key store: root's rights reach neither further than the user's.
TEST_F(KeyStoreTest, UnderSudoTheUserWhoAskedBoundsTheRun) {
  WriteBinaryFile(dir_ / "private.reg", ReadBinaryFile(dir_ / "all.reg"));
  fs::permissions(dir_ / "private.reg", fs::perms(0600));
  MakeDirectory(dir_ / "users", nobody_->pw_uid, 0755);
  MakeDirectory(dir_ / "open", 0, 0777);
  MakeDirectory(dir_ / "sticky", 0, 01777);
  const std::string unsafe =
      "\n\nЭтот каталог хранилища ключей не принадлежит root или открыт на запись другим: класть "
      "в него ключи по просьбе другого пользователя небезопасно.\n";
  const struct {
    std::string sudo_user;
    std::string keys;    // below the test's directory
    std::string source;  // the same
    std::string err;     // "" for success, installed for nobody
  } cases[] = {
      {"nobody", "keys", "all.reg", ""},
      {"nobody", "sticky", "all.reg", ""},
      {"nobody", "keys", "private.reg",
       (dir_ / "private.reg").string() +
           "\n\nНе удалось прочитать файл.\n\nОшибка 13: Permission denied\n"},
      {"nobody", "users", "all.reg", (dir_ / "users").string() + unsafe},
      {"nobody", "open", "all.reg", (dir_ / "open").string() + unsafe},
      {"no-such-user", "keys", "all.reg", "Пользователь «no-such-user» не найден.\n"},
      // Root behind sudo is root.
      {"root", "users", "private.reg", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sudo_user + " " + c.keys + " " + c.source);
    const std::vector<std::string> call = {"SUDO_USER=" + c.sudo_user, QUILLFEN_EXE,
                                           c.sudo_user == "root" ? "--install=nobody" : "--install",
                                           "--keys-dir=" + (dir_ / c.keys).string(),
                                           (dir_ / c.source).string()};
    const auto result = RunProgram("/usr/bin/env", call);
    EXPECT_EQ(result.exit_status, c.err.empty() ? 0 : 1);
    if (c.err.empty()) {
      EXPECT_EQ(result.err, "");
      ExpectOwnedByNobody(dir_ / c.keys / "nobody" / "perfilev.000" / "name.key", 0600);
    } else {
      EXPECT_EQ(result.err, kCaption + c.err);
    }
    EXPECT_EQ(result.out.empty(), !c.err.empty());
    fs::remove_all(dir_ / c.keys / "nobody");
    EXPECT_TRUE(fs::is_empty(dir_ / c.keys));
  }
}

// Anyone may install for themselves into a key store they may write to.
TEST_F(KeyStoreTest, AUserInstallsForThemselvesWithoutRoot) {
  MakeDirectory(dir_ / "users", nobody_->pw_uid, 0755);
  const auto result =
      RunProgram("/usr/bin/setpriv",
                 {"--reuid=nobody", "--regid=nogroup", "--clear-groups", QUILLFEN_EXE, "--install",
                  "--keys-dir=" + (dir_ / "users").string(), (dir_ / "all.reg").string()});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  ExpectOwnedByNobody(dir_ / "users" / "nobody", 0700);
  ExpectOwnedByNobody(dir_ / "users" / "nobody" / "perfilev.000", 0700);
  ExpectOwnedByNobody(dir_ / "users" / "nobody" / "perfilev.000" / "primary.key", 0600);
}

TEST_F(KeyStoreTest, RefusalsLeaveTheDiskAsItWas) {
  std::u16string damaged = SeveralContainersExport(containers_);
  damaged.replace(damaged.find(u"hex:", damaged.find(u"le-abc.def]")) + 4, 2, u"000");
  WriteBinaryFile(dir_ / "damaged.reg", EncodeUtf16Le(damaged, true));
  fs::create_directory_symlink(keys_, dir_ / "linked");
  const std::string keys_dir = "--keys-dir=" + keys_.string();
  const struct {
    std::vector<std::string> call;
    std::string message;  // the end of what is shown
  } cases[] = {
      {{"--install=nobody", "--keys-dir=" + (dir_ / "none").string()},
       "Каталог хранилища ключей не найден: КриптоПро CSP здесь не установлен, или каталог "
       "указан неверно.\n"},
      {{"--install=nobody", "--keys-dir=" + (dir_ / "linked").string()},
       "Каталог хранилища ключей не найден: КриптоПро CSP здесь не установлен, или каталог "
       "указан неверно.\n\nОшибка 40: Too many levels of symbolic links\n"},
      {{"--install=no-such-user", keys_dir}, "Пользователь «no-such-user» не найден.\n"},
      // As nobody, for root.
      {{"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", QUILLFEN_EXE,
        "--install=root", keys_dir},
       "Установить контейнер в хранилище ключей другого пользователя («root») может только "
       "root.\n"},
      {{"--install=nobody", keys_dir, "--all", "damaged"}, "Контейнер «le-abc.def».\n"},
      // Run by a uid no user has.
      {{"/usr/bin/setpriv", "--reuid=4242", "--regid=4242", "--clear-groups", QUILLFEN_EXE,
        "--install=nobody", keys_dir},
       "Не удалось узнать, кто запустил программу.\n\nОшибка 2: No user has this uid\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    std::vector<std::string> call = c.call;
    std::string program = QUILLFEN_EXE;
    if (call.front().starts_with("/")) {
      program = call.front();
      call.erase(call.begin());
    }
    const bool damaged_export = call.back() == "damaged";
    if (damaged_export) call.pop_back();
    call.push_back((dir_ / (damaged_export ? "damaged.reg" : "all.reg")).string());
    const auto result = RunProgram(program, call);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_TRUE(result.err.ends_with(c.message)) << result.err;
    EXPECT_TRUE(fs::is_empty(keys_));
  }
}

}  // namespace
}  // namespace quillfen
#endif
