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

  // Who runs the program, and who asked: the user behind sudo when root runs
  // it under sudo, else the same.
  virtual Account Current() = 0;
  virtual Account Caller() = 0;

  // From now on, what the program creates is created with the rights of
  // `user` and belongs to it, so that the program writing into a directory
  // the user controls gains the user nothing; ActAsSelf() brings the
  // program's own rights back. Both throw RunTimeError.
  virtual void ActAs(const Account& user) = 0;
  virtual void ActAsSelf() = 0;

  // Gives `path` (not following a link) to `user` and the user's group.
  // Throws RunTimeError.
  virtual void GiveTo(std::u16string_view path, const Account& user) = 0;

  // True when `path` is a directory itself, no link, that belongs to `user`
  // and that no one else may write to. Throws RunTimeError.
  virtual bool IsPrivateDirectoryOf(std::u16string_view path, const Account& user) = 0;
};

}  // namespace quillfen
