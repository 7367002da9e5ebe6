#include "kernel/RunLock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(RunLock, OneHolderAtATimeAndNoneAfterTheProcessEnds) {
  const fs::path dir = fs::temp_directory_path() / ("velmo-lock-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = (dir / "#TMP00000001#LOCK").string();

  EXPECT_FALSE(RunLockHeld(path));  // no file: nobody
  EXPECT_FALSE(fs::exists(path));
  const int a = RunLockTake(path);
  ASSERT_GE(a, 0);
  EXPECT_TRUE(RunLockHeld(path));
  EXPECT_EQ(RunLockTake(path), -1);  // a second handle, even in this process
  RunLockRelease(a);
  EXPECT_FALSE(RunLockHeld(path));
  EXPECT_TRUE(fs::exists(path));

  // A run that dies holding its lock leaves it free.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (RunLockTake(path) < 0) ::_exit(1);
    ::_exit(RunLockHeld(path) ? 0 : 2);  // no unlock: the system drops it
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(RunLockHeld(path));
  const int b = RunLockTake(path);
  EXPECT_GE(b, 0);
  RunLockRelease(b);
  RunLockRelease(-1);
  EXPECT_EQ(RunLockTake((dir / "no-folder" / "x").string()), -1);
  fs::remove_all(dir);
}

}  // namespace
