// Figures of the simulated instrument: lines per second through the engine,
// and the round-trip time of a query through the pseudo-terminal (the
// program's discovery allows 25 ms per reply).
// Usage: bench_sim [path to VM5200_SIM]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/engine/Instrument.h"

using Clock = std::chrono::steady_clock;

static double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int main(int argc, char** argv) {
  {
    vmsim::Instrument in;
    const char* lines[] = {"*IDN?", ":PULS1:DEL 0.00000002500", "*CFG? 1?", ":PULS0:COUN:COUN?", "*CFG 2 1 0.001 0.0005 NORM 1 1 1 0 TTL NORM 5 3 DIS DIS DIS HIGH T0"};
    const int n = 500000;
    size_t bytes = 0;
    const auto t0 = Clock::now();
    for (int i = 0; i < n; ++i) bytes += in.HandleLine(lines[i % 5], i).size();
    const double ms = Ms(Clock::now() - t0);
    std::printf("engine: %d lines in %.1f ms = %.0f lines/s (%zu reply bytes)\n", n, ms, n / ms * 1000, bytes);
  }
  if (argc < 2) return 0;

  char dir[] = "/tmp/vmsim-bench.XXXXXX";
  if (!mkdtemp(dir)) return 1;
  int out[2];
  if (pipe(out) != 0) return 1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    execl(argv[1], argv[1], "--port-dir", dir, "--port", "1", "--model", "5208", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') {
  }
  const std::string link = std::string(dir) + "/COM1";
  const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, B115200);
  cfsetospeed(&t, B115200);
  tcsetattr(fd, TCSANOW, &t);

  std::vector<double> rtt;
  for (int i = 0; i < 2000; ++i) {
    const auto t0 = Clock::now();
    if (write(fd, "*IDN?\r\n", 7) != 7) break;
    std::string reply;
    char buf[256];
    while (reply.find('\r') == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 3000) <= 0) break;
      const ssize_t r = read(fd, buf, sizeof buf);
      if (r <= 0) break;
      reply.append(buf, static_cast<size_t>(r));
    }
    rtt.push_back(Ms(Clock::now() - t0));
  }
  std::sort(rtt.begin(), rtt.end());
  if (!rtt.empty())
    std::printf("pty round trip of *IDN? (%zu): median %.3f ms, p99 %.3f ms, max %.3f ms\n", rtt.size(),
                rtt[rtt.size() / 2], rtt[rtt.size() * 99 / 100], rtt.back());
  close(fd);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  rmdir(dir);
  return 0;
}
