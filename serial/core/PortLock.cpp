#include "serial/core/PortLock.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vm::serial {

namespace {

bool Alive(int pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

// The owner named by the lock file at `path`; 0 when it is missing or unreadable.
int OwnerOf(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return 0;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (text.size() > 64) return 0;
  return LockOwner(text);
}

// Creates our lock file; the system's error number on failure.
int Create(const std::string &path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  char text[16];
  const int n = std::snprintf(text, sizeof text, "%10d\n", int(::getpid()));
  const bool ok = ::write(fd, text, size_t(n)) == n;
  ::close(fd);
  if (ok) return 0;
  ::unlink(path.c_str());
  return EIO;
}

}  // namespace

std::vector<std::string> LockDirs() {
  if (const char *dir = std::getenv("VM5200_LOCK_DIR")) {
    if (!*dir) return {};
    return {dir};
  }
  return {"/var/lock", "/run/lock"};
}

std::string LockFileName(const std::string &devicePath) {
  std::string dev = devicePath;
  if (char *real = ::realpath(devicePath.c_str(), nullptr)) {
    dev = real;
    std::free(real);
  }
  if (dev.rfind("/dev/", 0) == 0) {
    dev.erase(0, 5);
  } else if (auto slash = dev.rfind('/'); slash != std::string::npos) {
    dev.erase(0, slash + 1);
  }
  for (char &c : dev)
    if (c == '/') c = '_';
  return "LCK.." + dev;
}

int LockOwner(std::string_view content) {
  size_t i = 0;
  while (i < content.size() && (content[i] == ' ' || content[i] == '\t')) ++i;
  long long pid = 0;
  size_t digits = 0;
  for (; i < content.size() && content[i] >= '0' && content[i] <= '9'; ++i, ++digits) {
    pid = pid * 10 + (content[i] - '0');
    if (pid > INT_MAX) return 0;
  }
  if (digits > 0) {
    for (; i < content.size(); ++i)
      if (content[i] != '\n' && content[i] != '\r' && content[i] != ' ') return 0;
    return int(pid);
  }
  // The older binary form: the id as a native 4-byte integer.
  if (content.size() == sizeof(int)) {
    int bin = 0;
    std::memcpy(&bin, content.data(), sizeof bin);
    return bin > 0 ? bin : 0;
  }
  return 0;
}

bool PortLock::Take(const std::string &devicePath, const std::vector<std::string> &dirs, int *owner) {
  Release();
  if (dirs.empty()) return true;
  const std::string name = LockFileName(devicePath);
  const int self = int(::getpid());

  // Someone else's live lock in any of the folders refuses the port; stale
  // ones are cleared so they do not stand in our way.
  for (const std::string &dir : dirs) {
    const std::string path = dir + "/" + name;
    const int pid = OwnerOf(path);
    if (pid != self && Alive(pid)) {
      if (owner) *owner = pid;
      return false;
    }
    if (pid != self) ::unlink(path.c_str());
  }

  for (const std::string &dir : dirs) {
    const std::string path = dir + "/" + name;
    for (int attempt = 0; attempt < 2; ++attempt) {
      const int err = Create(path);
      if (err == 0) {
        path_ = path;
        return true;
      }
      if (err != EEXIST) break;  // this folder cannot take it: try the next
      // Someone took it between our look and our create.
      const int pid = OwnerOf(path);
      if (pid == self) return true;  // held by this process already
      if (Alive(pid)) {
        if (owner) *owner = pid;
        return false;
      }
      ::unlink(path.c_str());
    }
  }
  return true;  // no folder would take a lock: go on without one
}

void PortLock::Release() {
  if (path_.empty()) return;
  if (OwnerOf(path_) == int(::getpid())) ::unlink(path_.c_str());
  path_.clear();
}

}  // namespace vm::serial
