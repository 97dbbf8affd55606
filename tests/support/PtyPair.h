#pragma once
// Test helpers for the serial link: a pseudo-terminal pair standing in for a
// cable with an instrument on the far end, and a port directory whose COM<n>
// entries point at such pairs (the program lists exactly those ports when
// VM5200_PORT_DIR names the directory).
//
// Header-only, POSIX and the standard library only, usable from QtTest and
// GoogleTest alike.
//
//   vmtest::PortDir dir;              // temp dir, VM5200_PORT_DIR set to it
//   vmtest::PtyPair pty;              // master side held by the test
//   dir.addPort(3, pty.slavePath());  // COM3 -> /dev/pts/N
//   pty.writeAfter(50, "VM,5204,...\r"); // the "instrument" answers later
//   std::string sent = pty.readFor(100);  // what the program wrote
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vmtest {

class PtyPair {
 public:
  // Opens a master and sets the pair to raw mode. The helper also keeps one
  // descriptor of the slave open (holdSlave), so the master never sees a
  // hang-up while the program has the port closed between exchanges, and the
  // line settings stay raw before the program opens the port.
  explicit PtyPair(bool holdSlave = true) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return;
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
      closeMaster();
      return;
    }
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) != 0) {
      closeMaster();
      return;
    }
    slavePath_ = name;
    int s = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s >= 0) {
      termios t{};
      if (::tcgetattr(s, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(s, TCSANOW, &t);
      }
      if (holdSlave)
        slaveHold_ = s;
      else
        ::close(s);
    }
  }
  ~PtyPair() { closeMaster(); }
  PtyPair(const PtyPair &) = delete;
  PtyPair &operator=(const PtyPair &) = delete;

  bool ok() const { return master_ >= 0 && !slavePath_.empty(); }
  int masterFd() const { return master_; }
  // The helper's own slave descriptor (-1 without holdSlave): read the line
  // settings the program applied, or flock() it to play another program that
  // holds the port.
  int slaveFd() const { return slaveHold_; }
  const std::string &slavePath() const { return slavePath_; }

  // Bytes into the program's receive queue, now.
  bool write(std::string_view data) {
    std::lock_guard<std::mutex> g(writeLock_);
    size_t done = 0;
    while (done < data.size() && master_ >= 0) {
      ssize_t n = ::write(master_, data.data() + done, data.size() - done);
      if (n > 0) {
        done += size_t(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        return false;
      }
    }
    return done == data.size();
  }

  // Bytes into the program's receive queue after delayMs, from a helper
  // thread (so they arrive while the program waits inside a read). Several
  // calls are served one after the other in call order.
  void writeAfter(int delayMs, std::string data) {
    threads_.emplace_back([this, delayMs, data = std::move(data)] {
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      write(data);
    });
  }

  // Waits for all writeAfter threads.
  void join() {
    for (auto &t : threads_)
      if (t.joinable()) t.join();
    threads_.clear();
  }

  // Everything the program writes during the next ms milliseconds.
  std::string readFor(int ms) {
    std::string out;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      end - std::chrono::steady_clock::now())
                      .count();
      if (left < 0) break;
      out += readSome(int(left));
    }
    return out;
  }

  // What the program wrote, up to and including `until` (or all that came
  // within timeoutMs).
  std::string readUntil(std::string_view until, int timeoutMs) {
    std::string out;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.find(until) == std::string::npos) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      end - std::chrono::steady_clock::now())
                      .count();
      if (left < 0) break;
      out += readSome(int(left));
    }
    return out;
  }

  // Whatever is waiting now, after at most waitMs for the first byte.
  std::string readSome(int waitMs) {
    std::string out;
    if (master_ < 0) return out;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0 || !(p.revents & POLLIN)) {
      if (p.revents & (POLLHUP | POLLERR))  // no slave open: don't spin
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(waitMs, 5)));
      return out;
    }
    char buf[4096];
    ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) out.assign(buf, size_t(n));
    return out;
  }

  // The far end goes away (cable pulled, adapter removed): the slave device
  // node disappears and the program's open descriptor hangs up.
  void closeMaster() {
    join();
    if (slaveHold_ >= 0) ::close(slaveHold_);
    slaveHold_ = -1;
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  // Drops the helper's own slave descriptor (see the constructor).
  void releaseSlave() {
    if (slaveHold_ >= 0) ::close(slaveHold_);
    slaveHold_ = -1;
  }

 private:
  int master_ = -1;
  int slaveHold_ = -1;
  std::string slavePath_;
  std::mutex writeLock_;
  std::vector<std::thread> threads_;
};

// A temporary port directory. While it lives, VM5200_PORT_DIR names it (the
// previous value comes back when it is destroyed).
class PortDir {
 public:
  PortDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vm5200-ports-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data())) path_ = buf.data();
    const char *old = ::getenv("VM5200_PORT_DIR");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
    if (!path_.empty()) ::setenv("VM5200_PORT_DIR", path_.c_str(), 1);
  }
  ~PortDir() {
    if (hadOld_)
      ::setenv("VM5200_PORT_DIR", old_.c_str(), 1);
    else
      ::unsetenv("VM5200_PORT_DIR");
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  PortDir(const PortDir &) = delete;
  PortDir &operator=(const PortDir &) = delete;

  const std::string &path() const { return path_; }
  std::string entry(int n) const { return path_ + "/COM" + std::to_string(n); }

  // COM<n> -> target (replaces an existing entry).
  bool addPort(int n, const std::string &target) {
    std::string link = entry(n);
    ::unlink(link.c_str());
    return ::symlink(target.c_str(), link.c_str()) == 0;
  }
  void removePort(int n) { ::unlink(entry(n).c_str()); }

 private:
  std::string path_;
  std::string old_;
  bool hadOld_ = false;
};

}  // namespace vmtest
