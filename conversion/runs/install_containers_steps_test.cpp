// --install on the in-memory disk, whose call record shows every step.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "conversion/runs/install_containers.h"
#include "host/unicode.h"
#include "tests/conversion_fixture.h"
#include "tests/fake_accounts.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

using Op = FakeFileSystem::Op;

// The key store's route on the in-memory disk, whose call record shows every
// step: root installs every container for alice.
class KeyStoreStepsTest : public ConversionTest {
 protected:
  void SetUp() override {
    GivenExport(FourContainers());
    files.AddDirectory(kKeys);
    before = files.Snapshot();
  }

  bool Install(const std::function<void()>& announce = {}) {
    FakeAccounts accounts(files, Account{u"root", 0, 0});
    accounts.Add(Account{u"alice", 1000, 1000});
    Host host{files, messenger, &accounts};
    Installation installation;
    InstallRequest request;
    request.source_file = kSource;
    request.choice.kind = ContainerChoice::Kind::kAll;
    request.user = u"alice";
    request.keys_dir = kKeys;
    return InstallContainers(request, host, &installation, announce);
  }

  // Where `op` on `path` comes in the call record.
  size_t At(Op op, const std::u16string& path) const {
    const auto& calls = files.calls();
    for (size_t i = 0; i < calls.size(); ++i) {
      if (calls[i].op == op && calls[i].path == path) return i;
    }
    return calls.size();
  }

  static constexpr char16_t kKeys[] = u"/keys";
};

TEST_F(KeyStoreStepsTest, TheNewUserDirectoryIsTheUsersAndOnTheDiskBeforeAnythingGoesIn) {
  ASSERT_TRUE(Install());
  const size_t made = At(Op::kMakeDirectory, u"/keys/alice");
  const size_t given = At(Op::kGiveTo, u"/keys/alice");
  const size_t flushed = At(Op::kSyncDirectory, u"/keys");
  const size_t first_in = At(Op::kMakeDirectory, u"/keys/alice/perfilev.000");
  EXPECT_LT(made, given);
  EXPECT_LT(given, flushed);
  EXPECT_LT(flushed, first_in);
  EXPECT_LT(first_in, files.calls().size());
  EXPECT_EQ(files.OwnerOf(u"/keys/alice"), (FakeFileSystem::Owner{1000, 1000, 0700}));
  EXPECT_EQ(files.OwnerOf(u"/keys/alice/leabcdef.000/primary.key"),
            (FakeFileSystem::Owner{1000, 1000, 0600}));
}

// Every directory the run wrote in is on the disk before the message says
// the containers are there.
TEST_F(KeyStoreStepsTest, EveryDirectoryWrittenIsFlushedBeforeTheMessage) {
  size_t announced = 0;
  ASSERT_TRUE(Install([&] { announced = files.calls().size(); }));
  ASSERT_GT(announced, 0u);
  for (const std::u16string directory :
       {u"/keys", u"/keys/alice", u"/keys/alice/perfilev.000", u"/keys/alice/perfilev.001",
        u"/keys/alice/leabcdef.000", u"/keys/alice/2024.000"}) {
    EXPECT_LT(At(Op::kSyncDirectory, directory), announced) << ToUtf8(directory);
  }
}

TEST_F(KeyStoreStepsTest, AnyStepThatFailsLeavesTheStoreAsItWas) {
  files.ClearCalls();
  ASSERT_TRUE(Install());
  const size_t steps = files.calls().size();
  for (size_t failing = 1; failing <= steps; ++failing) {
    SCOPED_TRACE("step " + std::to_string(failing));
    SetUp();
    files.ClearCalls();
    files.FailCall(failing, EIO);
    if (Install()) {
      // Only a question whose failure reads as "that name is taken" may fail
      // unnoticed.
      EXPECT_EQ(files.calls().at(failing - 1).op, Op::kKind);
      continue;
    }
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].style, MessageStyle::kCritical);
    EXPECT_EQ(files.Snapshot(), before);
  }
}

TEST_F(KeyStoreStepsTest, ALinkPutInThePlaceOfANewDirectoryIsRefused) {
  for (const bool link : {true, false}) {
    for (const std::u16string path : {u"/keys/alice", u"/keys/alice/perfilev.000"}) {
      SCOPED_TRACE(ToUtf8(path) + (link ? ", a link" : ", another directory"));
      SetUp();
      if (path != u"/keys/alice") {
        files.AddDirectory(u"/keys/alice");
        files.SetOwner(u"/keys/alice", 1000, 0700);
      }
      files.AfterCall(Op::kMakeDirectory, path, [&] {
        if (link) {
          files.AddLink(path);
        } else {
          files.Remove(path);
          files.AddDirectory(path);
        }
      });
      const auto untouched = files.Snapshot();
      EXPECT_FALSE(Install());
      std::u16string message =
          path + u"\r\n\r\nНе удалось создать каталог контейнера.\r\n\r\n" +
          (link ? u"Ошибка 40: Too many levels of symbolic links"
                : u"Ошибка 17: Another directory took the place of the one made");
      if (path != u"/keys/alice")
        message += u"\r\n\r\nКонтейнер «perfilev_007730699137_12.12.19_11.50.30».";
      EXPECT_EQ(OnlyError(), message);
      // The link is the other user's; nothing else is left, an empty
      // directory in the name the run made neither.
      auto expected = untouched;
      if (link) expected[path] = "";
      EXPECT_EQ(files.Snapshot(), expected);
    }
  }
}

}  // namespace
}  // namespace quillfen
#endif
