// VM5200_SIM as a process behind its pseudo-terminal, talked to like a
// serial port: the link, the baud gate, the fault options, bad input, the
// transcript and the state dump.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/engine/SimText.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

fs::path TempDir() {
  char tmpl[] = "/tmp/vmsim-test.XXXXXX";
  return fs::path(mkdtemp(tmpl));
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class Sim {
 public:
  Sim(const fs::path& dir, int port, std::vector<std::string> extra) : link(dir / ("COM" + std::to_string(port))) {
    std::vector<std::string> args = {VM_SIM_EXE, "--port-dir", dir.string(), "--port", std::to_string(port)};
    args.insert(args.end(), extra.begin(), extra.end());
    int out[2];
    if (pipe(out) != 0) std::abort();
    pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      close(out[0]);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    // The first line on stdout is the device path; it is printed once the link exists.
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') device += c;
    close(out[0]);
  }
  ~Sim() { Stop(); }
  int Stop(int sig = SIGTERM) {
    if (pid <= 0) return status;
    kill(pid, sig);
    waitpid(pid, &status, 0);
    pid = -1;
    return status;
  }
  bool Exited(int timeoutMs) {
    for (int i = 0; i < timeoutMs / 10; ++i) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return true;
      }
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }
  fs::path link;
  std::string device;
  pid_t pid = -1;
  int status = -1;
};

// A serial client on the link, raw at the given rate.
class Client {
 public:
  Client(const fs::path& port, speed_t baud) {
    fd = open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, baud);
    cfsetospeed(&t, baud);
    tcsetattr(fd, TCSANOW, &t);
  }
  ~Client() {
    if (fd >= 0) close(fd);
  }
  void Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      pollfd p{fd, POLLOUT, 0};
      poll(&p, 1, 1000);
      const ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
      if (w > 0) done += static_cast<size_t>(w);
      else if (errno != EAGAIN) break;
    }
  }
  // One reply up to CR; "<none>" when nothing complete arrives in time.
  std::string Reply(int timeoutMs = 2000) {
    const int64_t end = NowMs() + timeoutMs;
    std::string r;
    for (;;) {
      const auto cr = pending.find('\r');
      if (cr != std::string::npos) {
        r = pending.substr(0, cr);
        pending.erase(0, cr + 1);
        return r;
      }
      const int64_t left = end - NowMs();
      if (left <= 0) return "<none>";
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      char buf[4096];
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n > 0) pending.append(buf, static_cast<size_t>(n));
      else if (n == 0 || errno != EAGAIN) return "<closed>";
    }
  }
  std::string Ask(const std::string& line, int timeoutMs = 2000) {
    Send(line + "\r\n");
    return Reply(timeoutMs);
  }
  int fd = -1;
  std::string pending;
};

}  // namespace

TEST(SimProcess, PublishesItsPortAnswersOnlyAtItsRateAndCleansUp) {
  const fs::path dir = TempDir();
  const fs::path transcript = dir / "t.txt", dump = dir / "state.txt";
  {
    Sim sim(dir, 5, {"--model", "5218", "--baud", "19200", "--serial", "777", "--transcript", transcript.string(),
                     "--dump-state", dump.string()});
    ASSERT_TRUE(fs::is_symlink(sim.link));
    EXPECT_EQ(fs::read_symlink(sim.link).string(), sim.device);

    // A second simulator on the same number is refused; another number works.
    Sim clash(dir, 5, {});
    EXPECT_TRUE(clash.Exited(3000));
    EXPECT_NE(WEXITSTATUS(clash.status), 0);
    Sim other(dir, 6, {"--model", "5204"});
    ASSERT_TRUE(fs::is_symlink(other.link));
    EXPECT_EQ(Client(other.link, B115200).Ask("*IDN?"), "VM,5204,1234,1.00-1.25");

    {
      Client wrong(sim.link, B115200);
      EXPECT_EQ(wrong.Ask("*IDN?", 300), "<none>");
    }
    Client c(sim.link, B19200);
    EXPECT_EQ(c.Ask("*IDN?"), "VM,5218,777,1.00-1.25");
    EXPECT_EQ(c.Ask(":PULS2:WIDT 0.00000001000"), "OK");

    kill(sim.pid, SIGUSR1);
    for (int i = 0; i < 200 && !fs::exists(dump); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_NE(ReadFile(dump).find("channel.2.width=0.00000001\n"), std::string::npos);
    fs::remove(dump);

    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(sim.link)));
    EXPECT_NE(ReadFile(dump).find("identity.serial=777\n"), std::string::npos);  // written at exit too
  }

  // Transcript: "<monotonic seconds> <baud> <KIND> <text>", time never going back.
  std::istringstream in(ReadFile(transcript));
  std::vector<std::string> kinds;
  double last = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream f(line);
    double t;
    int baud;
    std::string kind;
    ASSERT_TRUE(f >> t >> baud >> kind) << line;
    EXPECT_GE(t, last);
    last = t;
    std::string text;
    std::getline(f, text);
    kinds.push_back(std::to_string(baud) + " " + kind + text);
  }
  const std::vector<std::string> want = {"115200 RX *IDN?", "115200 NOREPLY baud", "19200 RX *IDN?",
                                         "19200 TX VM,5218,777,1.00-1.25", "19200 RX :PULS2:WIDT 0.00000001000",
                                         "19200 TX OK"};
  ASSERT_GE(kinds.size(), want.size() + 2);
  EXPECT_NE(kinds.front().find("EVENT start"), std::string::npos);
  EXPECT_EQ(std::vector<std::string>(kinds.begin() + 1, kinds.begin() + 1 + static_cast<long>(want.size())), want);
  EXPECT_NE(kinds.back().find("EVENT stop"), std::string::npos);
  fs::remove_all(dir);
}

TEST(SimProcess, BadInputNeverStallsTheLine) {
  const fs::path dir = TempDir();
  Sim sim(dir, 1, {"--model", "5208"});
  Client c(sim.link, B115200);
  // 1 MB without a line end, then the end, then a normal query.
  c.Send(std::string(1 << 20, 'Z'));
  c.Send("\r\n*IDN?\r\n");
  EXPECT_EQ(c.Reply(5000), "ERR LENGTH");
  EXPECT_EQ(c.Reply(), "VM,5208,1234,1.00-1.25");
  static const char kJunk[] = "\0\0\xff\xfe\x80 junk\r\n:PULS0:COUN:COUN?\r\n\r\n";
  c.Send(std::string(kJunk, sizeof kJunk - 1));
  EXPECT_EQ(c.Reply(), "ERR UNKNOWN");
  EXPECT_EQ(c.Reply(), "0");
  EXPECT_EQ(c.Reply(), "OK");
  // Memory stayed bounded while the megabyte went through.
  std::ifstream status("/proc/" + std::to_string(sim.pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) EXPECT_LT(std::stol(line.substr(6)), 64 * 1024) << line;
  fs::remove_all(dir);
}

TEST(SimProcess, FaultOptions) {
  const fs::path dir = TempDir();
  {
    Sim sim(dir, 1, {"--silent"});
    EXPECT_EQ(Client(sim.link, B115200).Ask("*IDN?", 300), "<none>");
  }
  {
    Sim sim(dir, 1, {"--silent-after", "1", "--error", "3", "--adjustable"});
    Client c(sim.link, B115200);
    EXPECT_EQ(c.Ask("*ERS?"), "3");
    EXPECT_EQ(c.Ask("*SS?", 300), "<none>");
  }
  {
    Sim sim(dir, 1, {"--idn-only-second", "--garbage-after", "2"});
    Client c(sim.link, B115200);
    EXPECT_EQ(c.Ask("*IDN?", 300), "<none>");
    EXPECT_EQ(c.Ask("*IDN?"), "VM,5204,1234,1.00-1.25");
    EXPECT_EQ(c.Ask("*SS?"), "?!GARBAGE!?");
  }
  {
    Sim sim(dir, 1, {"--reply-delay-ms", "300"});
    Client c(sim.link, B115200);
    const int64_t t0 = NowMs();
    EXPECT_EQ(c.Ask("*SS?"), "0");
    EXPECT_GE(NowMs() - t0, 290);
  }
  {
    Sim sim(dir, 1, {"--close-after", "0.3"});
    Client c(sim.link, B115200);
    EXPECT_EQ(c.Ask("*SS?"), "0");
    ASSERT_TRUE(sim.Exited(5000));
    EXPECT_EQ(WEXITSTATUS(sim.status), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(sim.link)));
    EXPECT_NE(c.Ask("*SS?", 300), "0");  // the port is gone
  }
  fs::remove_all(dir);
}
