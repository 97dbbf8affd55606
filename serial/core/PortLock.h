#pragma once
// UUCP-style lock files ("LCK..ttyUSB0" in /var/lock or /run/lock): the
// convention terminal programs, modem tools and other serial programs use to
// say "this port is mine". We honour theirs and take one of our own while a
// port is open, so a second copy of this program (a rack with two
// generators) or a terminal program never has its session written into.
//
// A lock is a small text file holding the owner's process id, written as
// ten characters right-aligned and a newline. A lock whose process no longer
// runs, or whose content cannot be read, is stale and counts as free.
//
// Locking is a courtesy, never a condition: when no lock folder exists or
// none can be written, ports open without a lock.
#include <string>
#include <string_view>
#include <vector>

namespace vm::serial {

// The folders searched for locks, the first writable one also receives ours.
// VM5200_LOCK_DIR, when set, replaces them all (empty: no locking at all).
std::vector<std::string> LockDirs();

// "LCK.." + the device's name below /dev ('/' written as '_'), after
// resolving symbolic links, so every alias of a device shares one lock.
std::string LockFileName(const std::string &devicePath);

// The process id in a lock file's text; 0 when there is none.
int LockOwner(std::string_view content);

class PortLock {
 public:
  PortLock() = default;
  ~PortLock() { Release(); }
  PortLock(const PortLock &) = delete;
  PortLock &operator=(const PortLock &) = delete;
  PortLock(PortLock &&o) noexcept : path_(std::move(o.path_)) { o.path_.clear(); }
  PortLock &operator=(PortLock &&o) noexcept {
    if (this != &o) {
      Release();
      path_ = std::move(o.path_);
      o.path_.clear();
    }
    return *this;
  }

  // Takes the lock of `devicePath` in `dirs`. False only when another live
  // process holds it (its id in *owner); true otherwise, with or without a
  // lock file of ours (HoldsFile tells).
  bool Take(const std::string &devicePath, const std::vector<std::string> &dirs, int *owner = nullptr);
  // Removes our lock file, if it still is ours.
  void Release();
  bool HoldsFile() const { return !path_.empty(); }
  const std::string &FilePath() const { return path_; }

 private:
  std::string path_;
};

}  // namespace vm::serial
