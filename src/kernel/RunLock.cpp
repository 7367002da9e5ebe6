#include "kernel/RunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

int RunLockTake(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  int rc;
  do rc = ::flock(fd, LOCK_EX | LOCK_NB);
  while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void RunLockRelease(int handle) {
  if (handle < 0) return;
  ::flock(handle, LOCK_UN);
  ::close(handle);
}

bool RunLockHeld(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno != ENOENT;
  int rc;
  do rc = ::flock(fd, LOCK_SH | LOCK_NB);
  while (rc != 0 && errno == EINTR);
  const bool held = rc != 0;
  if (!held) ::flock(fd, LOCK_UN);
  ::close(fd);
  return held;
}
