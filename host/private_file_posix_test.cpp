#ifndef _WIN32
#include "host/private_file_posix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "host/run_time_error.h"
#include "tests/run_program.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

// TMPDIR as a test sets it, and as it was afterwards.
class ScopedTmpdir {
 public:
  explicit ScopedTmpdir(const std::string& value) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    ::setenv("TMPDIR", value.c_str(), 1);
  }
  ~ScopedTmpdir() {
    if (old_) {
      ::setenv("TMPDIR", old_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

 private:
  std::optional<std::string> old_;
};

TEST(PrivateFileTest, OwnerOnlyBelowTmpdirAndGoneAfterwards) {
  TempDir dir;
  const mode_t old_mask = ::umask(0);
  {
    const ScopedTmpdir tmpdir(dir.path().string());
    PrivateFile file;
    const fs::path path = file.Path();
    EXPECT_EQ(path.parent_path().parent_path(), dir.path());
    EXPECT_EQ(Mode(path.parent_path()), 0700u);
    EXPECT_EQ(Mode(path), 0600u);
    file.Write(std::string_view("copied"));
    EXPECT_EQ(ReadBinaryFile(path), "copied");
    file.Remove();
    EXPECT_TRUE(fs::is_empty(dir.path()));
    // Going takes it too.
    { PrivateFile another; }
    EXPECT_TRUE(fs::is_empty(dir.path()));
  }
  ::umask(old_mask);
  const ScopedTmpdir missing((dir / "missing").string());
  EXPECT_THROW(PrivateFile(), RunTimeError);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace quillfen
#endif
