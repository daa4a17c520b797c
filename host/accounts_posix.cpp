#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "host/file_descriptor.h"
#include "host/platform.h"
#include "host/run_time_error.h"
#include "host/unicode.h"

namespace quillfen {
namespace {

class PosixAccounts : public Accounts {
 public:
  std::optional<Account> Find(std::u16string_view name) override {
    const std::string narrow = ToUtf8(name);
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    int error;
    while ((error = ::getpwnam_r(narrow.c_str(), &entry, buffer.data(), buffer.size(), &found)) ==
           ERANGE) {
      buffer.resize(buffer.size() * 2);
    }
    // Missing and "no such entry" look alike across libraries: both are none.
    if (found == nullptr) {
      if (error == 0 || error == ENOENT || error == ESRCH || error == EBADF || error == EPERM) {
        return std::nullopt;
      }
      ThrowErrno(error);
    }
    return Account{FromUtf8(found->pw_name), found->pw_uid, found->pw_gid};
  }

  Account Current() override { return ById(::geteuid()); }
  bool IsRoot() override { return ::geteuid() == 0; }

  std::optional<std::u16string> SudoCaller() override {
    if (::geteuid() != 0) return std::nullopt;
    const char* sudo_user = std::getenv("SUDO_USER");
    if (sudo_user == nullptr || *sudo_user == '\0') return std::nullopt;
    return FromUtf8(sudo_user);
  }

  void ActAs(const Account& user) override {
    if (switched_ || user.uid == ::geteuid()) return;
    saved_uid_ = ::geteuid();
    saved_gid_ = ::getegid();
    const int count = ::getgroups(0, nullptr);
    if (count < 0) ThrowErrno();
    saved_groups_.resize(size_t(count));
    if (count > 0 && ::getgroups(count, saved_groups_.data()) != count) ThrowErrno();
    switched_ = true;
    // The user's own groups, then the group, then the user: each step needs
    // the rights the next one gives up.
    if (::initgroups(ToUtf8(user.name).c_str(), user.gid) != 0 || ::setegid(user.gid) != 0 ||
        ::seteuid(user.uid) != 0) {
      const int error = errno;
      ActAsSelf();
      ThrowErrno(error);
    }
  }

  void ActAsSelf() override {
    if (!switched_) return;
    if (::seteuid(saved_uid_) != 0 || ::setegid(saved_gid_) != 0 ||
        ::setgroups(saved_groups_.size(), saved_groups_.data()) != 0) {
      ThrowErrno();
    }
    switched_ = false;
  }

 private:
  Account ById(uid_t uid) {
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    int error;
    while ((error = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE) {
      buffer.resize(buffer.size() * 2);
    }
    if (found == nullptr) throw RunTimeError(error != 0 ? error : ENOENT, u"No user has this uid");
    return Account{FromUtf8(found->pw_name), found->pw_uid, found->pw_gid};
  }

  bool switched_ = false;
  uid_t saved_uid_ = 0;
  gid_t saved_gid_ = 0;
  std::vector<gid_t> saved_groups_;
};

}  // namespace

Accounts* RealAccounts() {
  static PosixAccounts accounts;
  return &accounts;
}

}  // namespace quillfen
