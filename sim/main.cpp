// VM5200_SIM: the simulated pulse generator behind a pseudo-terminal.
//
// The process owns the master side of a pty and keeps the slave side open
// itself (otherwise the master reads EIO while no client has the port open).
// The client's line settings are read with tcgetattr on the master, which on
// Linux returns the termios of the slave, so the rate the client chose is
// visible here and gates the replies.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "sim/engine/Cli.h"
#include "sim/engine/Instrument.h"
#include "sim/engine/Session.h"
#include "sim/engine/SimText.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int sig) {
  const int saved = errno;
  const char c = static_cast<char>(sig);
  [[maybe_unused]] ssize_t r = write(g_signalPipe[1], &c, 1);
  errno = saved;
}

int64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

int BaudOf(speed_t s) {
  struct Pair {
    speed_t code;
    int baud;
  };
  static const Pair table[] = {
      {B50, 50},         {B75, 75},         {B110, 110},         {B134, 134},         {B150, 150},
      {B200, 200},       {B300, 300},       {B600, 600},         {B1200, 1200},       {B1800, 1800},
      {B2400, 2400},     {B4800, 4800},     {B9600, 9600},       {B19200, 19200},     {B38400, 38400},
      {B57600, 57600},   {B115200, 115200}, {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
      {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000},
      {B2000000, 2000000}};
  for (const auto& p : table)
    if (p.code == s) return p.baud;
  return 0;
}

// One line of the transcript: "<monotonic s> <client baud> <KIND> <text>".
class Transcript {
 public:
  bool Open(const std::string& path) {
    if (path.empty()) return true;
    f_ = std::fopen(path.c_str(), "w");
    return f_ != nullptr;
  }
  void Write(int64_t nowNs, int baud, const char* kind, const std::string& text) {
    if (!f_) return;
    std::fprintf(f_, "%lld.%06lld %d %s %s\n", static_cast<long long>(nowNs / 1000000000LL),
                 static_cast<long long>((nowNs % 1000000000LL) / 1000), baud, kind, text.c_str());
    std::fflush(f_);
  }
  ~Transcript() {
    if (f_) std::fclose(f_);
  }

 private:
  FILE* f_ = nullptr;
};

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "w");
  if (!f) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !ok) return false;
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

struct PendingReply {
  int64_t dueNs;
  std::string text;  // without CR
  int baud;
};

// Stop reading while this much output waits for a client that does not read.
constexpr size_t kMaxPendingOutput = 64 * 1024;

}  // namespace

int main(int argc, char** argv) {
  using namespace vmsim;
  Options opt;
  std::string error;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!ParseOptions(args, opt, error)) {
    std::fprintf(stderr, "VM5200_SIM: %s\n%s", error.c_str(), Usage());
    return 2;
  }
  if (opt.help) {
    std::fputs(Usage(), stdout);
    return 0;
  }
  if (!IsKnownModel(opt.instrument.identity.model))
    std::fprintf(stderr, "VM5200_SIM: warning: model %s is not one of the series; it has 4 channels\n",
                 opt.instrument.identity.model.c_str());

  // Presets first: a refused one ends the run before a link is published.
  Instrument instrument(opt.instrument);
  if (!ApplyPresets(instrument, opt.presets, NowNs(), error)) {
    std::fprintf(stderr, "VM5200_SIM: %s\n", error.c_str());
    return 2;
  }

  Transcript transcript;
  if (!transcript.Open(opt.transcript)) {
    std::fprintf(stderr, "VM5200_SIM: cannot write transcript %s: %s\n", opt.transcript.c_str(), std::strerror(errno));
    return 1;
  }

  int master = -1, slave = -1;
  char slaveName[256] = {};
  if (openpty(&master, &slave, slaveName, nullptr, nullptr) != 0) {
    std::fprintf(stderr, "VM5200_SIM: openpty: %s\n", std::strerror(errno));
    return 1;
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  fcntl(master, F_SETFD, FD_CLOEXEC);
  fcntl(slave, F_SETFD, FD_CLOEXEC);
  {
    // Raw and silent until a client sets its own line: with echo on, every
    // reply would come back as input.
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B38400);  // the rate of a freshly opened Linux tty
    cfsetospeed(&t, B38400);
    tcsetattr(slave, TCSANOW, &t);
  }

  std::string linkPath;
  if (!opt.portDir.empty()) {
    mkdir(opt.portDir.c_str(), 0755);
    linkPath = opt.portDir + "/COM" + std::to_string(opt.port);
    char target[512];
    const ssize_t len = readlink(linkPath.c_str(), target, sizeof target - 1);
    if (len >= 0) {
      target[len] = 0;
      struct stat st{};
      if (stat(linkPath.c_str(), &st) == 0) {
        std::fprintf(stderr, "VM5200_SIM: %s already exists and points to %s (another simulator?)\n",
                     linkPath.c_str(), target);
        return 1;
      }
      unlink(linkPath.c_str());  // stale link of a simulator that was killed
    }
    if (symlink(slaveName, linkPath.c_str()) != 0) {
      std::fprintf(stderr, "VM5200_SIM: cannot create %s: %s\n", linkPath.c_str(), std::strerror(errno));
      return 1;
    }
  }
  auto removeLink = [&] {
    if (linkPath.empty()) return;
    char target[512];
    const ssize_t len = readlink(linkPath.c_str(), target, sizeof target - 1);
    if (len >= 0 && std::string(target, static_cast<size_t>(len)) == slaveName) unlink(linkPath.c_str());
    linkPath.clear();
  };

  if (pipe(g_signalPipe) != 0) return 1;
  for (int fd : g_signalPipe) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  struct sigaction sa{};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaction(sig, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  Session session(instrument, opt.faults);
  LineFramer framer;

  const int64_t startNs = NowNs();
  const int64_t closeNs =
      opt.closeAfterS >= 0 ? startNs + static_cast<int64_t>(std::llround(opt.closeAfterS * 1e9)) : INT64_MAX;
  auto clientLine = [&](int& baud, bool& echo) {
    termios t{};
    if (tcgetattr(master, &t) != 0) {
      baud = 0;
      echo = false;
      return;
    }
    baud = BaudOf(cfgetospeed(&t));
    echo = (t.c_lflag & ECHO) != 0;
  };
  auto dumpState = [&] {
    if (opt.dumpState.empty()) return;
    if (!WriteFileAtomically(opt.dumpState, instrument.DumpState(NowNs())))
      std::fprintf(stderr, "VM5200_SIM: cannot write %s: %s\n", opt.dumpState.c_str(), std::strerror(errno));
  };

  std::printf("%s\n", slaveName);
  std::fflush(stdout);
  std::fprintf(stderr, "VM5200_SIM: model %s at %d baud on %s%s%s\n", opt.instrument.identity.model.c_str(),
               opt.faults.baud, slaveName, linkPath.empty() ? "" : " as ", linkPath.c_str());
  {
    int b;
    bool e;
    clientLine(b, e);
    transcript.Write(startNs, b, "EVENT", std::string("start ") + slaveName + (linkPath.empty() ? "" : " " + linkPath));
  }

  std::deque<PendingReply> replies;
  std::string out;  // bytes due and not yet written
  std::vector<LineFramer::Line> lines;
  std::vector<char> buf(64 * 1024);
  int exitCode = 0;
  bool quit = false;
  const char* quitReason = "signal";

  while (!quit) {
    int64_t now = NowNs();
    // Move the replies that are due to the output.
    while (!replies.empty() && replies.front().dueNs <= now) {
      transcript.Write(now, replies.front().baud, "TX", Escape(replies.front().text));
      out += replies.front().text;
      out += '\r';
      replies.pop_front();
    }
    if (!out.empty()) {
      const ssize_t w = write(master, out.data(), out.size());
      if (w > 0) out.erase(0, static_cast<size_t>(w));
    }
    if (now >= closeNs) {
      quitReason = "close-after";
      break;
    }

    int64_t waitNs = closeNs - now;
    if (!replies.empty()) waitNs = std::min(waitNs, replies.front().dueNs - now);
    int timeoutMs = waitNs >= INT32_MAX * 1000000LL ? -1 : static_cast<int>((waitNs + 999999) / 1000000);
    if (!out.empty()) timeoutMs = timeoutMs < 0 ? 10 : std::min(timeoutMs, 10);  // retry a full pty soon

    pollfd fds[2] = {{g_signalPipe[0], POLLIN, 0}, {master, 0, 0}};
    size_t queued = out.size();
    for (const auto& r : replies) queued += r.text.size() + 1;
    if (queued < kMaxPendingOutput) fds[1].events |= POLLIN;
    if (!out.empty()) fds[1].events |= POLLOUT;
    const int n = poll(fds, 2, timeoutMs);
    if (n < 0 && errno != EINTR) {
      std::fprintf(stderr, "VM5200_SIM: poll: %s\n", std::strerror(errno));
      exitCode = 1;
      break;
    }
    if (n <= 0) continue;

    if (fds[0].revents & POLLIN) {
      char sigs[16];
      const ssize_t r = read(g_signalPipe[0], sigs, sizeof sigs);
      for (ssize_t i = 0; i < r; ++i) {
        if (sigs[i] == SIGUSR1) {
          dumpState();
        } else {
          quit = true;
        }
      }
    }
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t r = read(master, buf.data(), buf.size());
      if (r < 0 && errno != EAGAIN && errno != EINTR) {
        // Should not happen while the slave stays open here; do not spin on it.
        const timespec pause{0, 20000000};
        nanosleep(&pause, nullptr);
      }
      if (r > 0) {
        now = NowNs();
        int baud;
        bool echo;
        clientLine(baud, echo);
        lines.clear();
        framer.Feed(std::string_view(buf.data(), static_cast<size_t>(r)), lines);
        for (const auto& line : lines) {
          if (line.overlong)
            transcript.Write(now, baud, "RXLONG", std::to_string(line.totalBytes) + " " + Escape(line.text));
          else
            transcript.Write(now, baud, "RX", Escape(line.text));
          Session::Outcome o = session.OnLine(line, baud, echo, now);
          if (!o.answered) {
            transcript.Write(now, baud, "NOREPLY", o.reason);
            continue;
          }
          replies.push_back({now + opt.replyDelayMs * 1000000LL, std::move(o.reply), baud});
        }
      }
    }
  }

  {
    int b;
    bool e;
    clientLine(b, e);
    transcript.Write(NowNs(), b, "EVENT", std::string("stop ") + quitReason);
  }
  close(master);
  close(slave);
  removeLink();
  dumpState();
  return exitCode;
}
