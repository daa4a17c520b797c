#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillfen {

// A user of the system: what owns the files of a key store.
struct Account {
  std::u16string name;
  uint32_t uid = 0;
  uint32_t gid = 0;  // the user's primary group
};

// The system's users, and whose rights the program uses. Only POSIX hosts
// have it: on Windows the registry is the key store.
class Accounts {
 public:
  virtual ~Accounts() = default;

  // The user called `name`, or nothing when there is none. Throws
  // RunTimeError when the system cannot tell.
  virtual std::optional<Account> Find(std::u16string_view name) = 0;

  // Who runs the program.
  virtual Account Current() = 0;
  // True when the program has root's rights: told without Current(), which
  // fails for a uid no user has.
  virtual bool IsRoot() = 0;
  // When root runs it under sudo, the name of the user behind sudo, who
  // asked; else nothing.
  virtual std::optional<std::u16string> SudoCaller() = 0;

  // From now on, the program opens and creates with the rights of `user`,
  // and what it creates belongs to the user, so that the program reading a
  // file or writing into a directory the user names gains the user nothing;
  // ActAsSelf() brings the program's own rights back. Both throw
  // RunTimeError.
  virtual void ActAs(const Account& user) = 0;
  virtual void ActAsSelf() = 0;
};

}  // namespace quillfen
