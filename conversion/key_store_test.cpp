// --install through the real program, as root installs for another user.
#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

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
  const std::vector<TestContainer> containers = {
      {u"S-1", false, u"kat'256", KnownAnswerValues("kat256.000")},
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
           "/key.000 → \\\\.\\HDIMAGE\\без сертификата\n\n"
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
  // Planted in a key store open to all, by someone else than the user.
  fs::create_directory(dir_ / "elsewhere");
  fs::create_directory_symlink(dir_ / "elsewhere", keys_ / "root");
  fs::create_directory(keys_ / "nobody");
  fs::permissions(keys_ / "nobody", fs::perms(0777));
  ::chown((keys_ / "nobody").c_str(), nobody_->pw_uid, nobody_->pw_gid);
  for (const char* user : {"root", "nobody"}) {
    const auto result = Install({"--install=" + std::string(user), "--keys-dir=" + keys_.string()});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_TRUE(result.err.ends_with("класть в него ключи небезопасно.\n")) << result.err;
  }
  EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
  EXPECT_TRUE(fs::is_empty(keys_ / "nobody"));
}

TEST_F(KeyStoreTest, RefusalsLeaveTheDiskAsItWas) {
  std::u16string damaged = SeveralContainersExport(containers_);
  damaged.replace(damaged.find(u"hex:", damaged.find(u"le-abc.def]")) + 4, 2, u"000");
  WriteBinaryFile(dir_ / "damaged.reg", EncodeUtf16Le(damaged, true));
  const std::string keys_dir = "--keys-dir=" + keys_.string();
  const struct {
    std::vector<std::string> call;
    std::string message;  // the end of what is shown
  } cases[] = {
      {{"--install=nobody", "--keys-dir=" + (dir_ / "none").string()},
       "Каталог хранилища ключей не найден: КриптоПро CSP здесь не установлен, или каталог "
       "указан неверно.\n"},
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
