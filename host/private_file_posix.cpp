#include "host/private_file_posix.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "host/run_time_error.h"

namespace quillfen {
namespace {

constexpr char kFileName[] = "copy";

// "quillfen-" and six letters or digits no one else can foresee, as
// mkdtemp would choose them.
std::string RandomName() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[6];
  size_t got = 0;
  while (got < sizeof random) {
    const ssize_t count = ::getrandom(random + got, sizeof random - got, 0);
    if (count < 0) {
      if (errno == EINTR) continue;
      ThrowErrno();
    }
    got += static_cast<size_t>(count);
  }
  std::string name = "quillfen-";
  for (const unsigned char byte : random) name += kLetters[byte % (sizeof kLetters - 1)];
  return name;
}

// Makes a new directory, 0700, under a random name in `parent`: in the
// directory held, never on a path the owner of TMPDIR could send elsewhere
// meanwhile. Its name.
std::string MakeRandomDirectory(int parent) {
  for (int attempt = 1;; ++attempt) {
    std::string name = RandomName();
    if (::mkdirat(parent, name.c_str(), 0700) == 0) return name;
    if (errno != EEXIST || attempt == 100) ThrowErrno();
  }
}

}  // namespace

PrivateFile::PrivateFile() : parent_(-1), directory_(-1), file_(-1) {
  const char* temporary = std::getenv("TMPDIR");
  const std::string base = temporary != nullptr && *temporary != '\0' ? temporary : "/tmp";
  parent_.Reset(::open(base.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (parent_.get() < 0) ThrowErrno();
  name_ = MakeRandomDirectory(parent_.get());
  try {
    directory_.Reset(
        ::openat(parent_.get(), name_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (directory_.get() < 0) ThrowErrno();
    struct stat info;
    if (::fstat(directory_.get(), &info) != 0) ThrowErrno();
    if (info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) {
      throw RunTimeError(EEXIST, u"Another directory took the place of the one made");
    }
    file_.Reset(::openat(directory_.get(), kFileName,
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file_.get() < 0) ThrowErrno();
    // The umask may only take bits away; it must not decide the mode.
    if (::fchmod(file_.get(), 0600) != 0) ThrowErrno();
  } catch (const RunTimeError&) {
    Remove();
    throw;
  }
  path_ = base + "/" + name_ + "/" + kFileName;
}

PrivateFile::~PrivateFile() { Remove(); }

void PrivateFile::Write(std::span<const char> bytes) {
  WriteAll(file_.get(), bytes.data(), bytes.size());
}

void PrivateFile::OpenThroughDirectory(const std::function<void(const char* name)>& open) const {
  const FileDescriptor caller(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (caller.get() < 0) ThrowErrno();
  if (::fchdir(directory_.get()) != 0) ThrowErrno();
  try {
    open(kFileName);
  } catch (...) {
    if (::fchdir(caller.get()) != 0) {
      // The exception on its way says what failed first.
    }
    throw;
  }
  if (::fchdir(caller.get()) != 0) ThrowErrno();
}

void PrivateFile::Remove() {
  if (name_.empty()) return;
  if (directory_.get() >= 0) ::unlinkat(directory_.get(), kFileName, 0);
  // An empty directory only, never a link or what it leads to.
  ::unlinkat(parent_.get(), name_.c_str(), AT_REMOVEDIR);
  name_.clear();
}

}  // namespace quillfen
