#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/accounts.h"
#include "tests/fake_file_system.h"

namespace quillfen {

// The system's users in memory. Acting as a user makes the in-memory disk
// give what is made to that user.
class FakeAccounts : public Accounts {
 public:
  FakeAccounts(FakeFileSystem& files, Account current) : files_(files), current_(current) {
    Add(current);
  }

  void Add(const Account& account) { users_[account.name] = account; }
  void SetSudoCaller(std::u16string name) { sudo_caller_ = std::move(name); }

  std::optional<Account> Find(std::u16string_view name) override {
    const auto found = users_.find(std::u16string(name));
    if (found == users_.end()) return std::nullopt;
    return found->second;
  }
  Account Current() override { return current_; }
  bool IsRoot() override { return current_.uid == 0; }
  std::optional<std::u16string> SudoCaller() override { return sudo_caller_; }
  void ActAs(const Account& user) override {
    acted.push_back(user.name);
    files_.ActAs(user.uid, user.gid);
  }
  void ActAsSelf() override {
    acted.push_back(u"self");
    files_.ActAs(current_.uid, current_.gid);
  }

  std::vector<std::u16string> acted;

 private:
  FakeFileSystem& files_;
  Account current_;
  std::optional<std::u16string> sudo_caller_;
  std::map<std::u16string, Account> users_;
};

}  // namespace quillfen
