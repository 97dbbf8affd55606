// A script's query round trip through the remote-control port against the
// panel's own QueryText round trip, measured in the same run against an
// instrument on a pseudo-terminal. The two alternate in blocks so a change in
// the machine's load falls on both. Prints p50 and p99 of each and the ratio
// (goal: remote p99 at most 1.15 x the QueryText p99).
//
//   build/bench/remote/bench_remote_query [count]     (default 300 of each)
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "link/InstrumentLink.h"
#include "main/Main.h"
#include "remote/RemoteControl.h"
#include "serial/VMComPort.h"
#include "bench/support/BenchPort.h"
#include "support/PtyResponder.h"

namespace {

const char kIdn[] = "VM,5204,1234,1.00-1.25";

double At(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(q * (v.size() - 1) + 0.5))];
}

// A blocking client, as a script would be: one query, wait for its line.
struct Client {
  int fd = -1;
  std::string buf;
  bool Connect(int port) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
  }
  std::string Query(const std::string &q) {
    const std::string line = q + "\n";
    if (::send(fd, line.data(), line.size(), 0) != ssize_t(line.size())) return {};
    for (;;) {
      const auto lf = buf.find('\n');
      if (lf != std::string::npos) {
        std::string r = buf.substr(0, lf);
        buf.erase(0, lf + 1);
        return r;
      }
      char tmp[256];
      const ssize_t n = ::recv(fd, tmp, sizeof tmp, 0);
      if (n <= 0) return {};
      buf.append(tmp, size_t(n));
    }
  }
  ~Client() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const int count = argc > 1 ? std::max(20, std::atoi(argv[1])) : 300;
  vmtest::PortDir dir;
  vmtest::PtyResponder inst;
  inst.reply("*IDN?", kIdn);
  if (!inst.ok() || !dir.addPort(1, inst.slavePath())) {
    std::fprintf(stderr, "no pseudo-terminal\n");
    return 1;
  }
  QApplication app(argc, argv);
  TMainForm::StartOptions o;
  o.RunFormCreate = false;
  TMainForm form(o);
  if (!OpenBenchPort(form.ComPort)) return 1;
  int tcpPort = 0;
  TRemoteControl *remote = nullptr;
  for (int p = 25025; p < 25125 && !remote; ++p) {
    auto *r = new TRemoteControl(form.Session, &form, p, &app);
    if (r->Start()) {
      remote = r;
      tcpPort = p;
    } else {
      delete r;
    }
  }
  if (!remote) {
    std::fprintf(stderr, "no free port for the listener\n");
    return 1;
  }

  Client client;
  if (!client.Connect(tcpPort)) {
    std::fprintf(stderr, "client did not connect\n");
    return 1;
  }
  std::vector<double> local, viaPort;
  int bad = 0;
  const int block = 25;
  while (int(local.size()) < count) {
    for (int i = 0; i < block; ++i) {
      QElapsedTimer t;
      t.start();
      if (form.Session.Link().QueryText("*IDN") != kIdn) ++bad;
      local.push_back(t.nsecsElapsed() / 1e6);
    }
    // The client runs on a thread of its own while the panel's event loop
    // (one thread, as always) serves it.
    std::atomic<bool> done{false};
    std::thread th([&] {
      for (int i = 0; i < block; ++i) {
        QElapsedTimer t;
        t.start();
        if (client.Query("*IDN?") != kIdn) ++bad;
        viaPort.push_back(t.nsecsElapsed() / 1e6);
      }
      done = true;
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (done) loop.quit();
    });
    poll.start(1);
    loop.exec();
    th.join();
  }
  const double lp50 = At(local, 0.5), lp99 = At(local, 0.99);
  const double rp50 = At(viaPort, 0.5), rp99 = At(viaPort, 0.99);
  std::printf("Query round trip, %d of each (115200 baud, pty; TCP on 127.0.0.1):\n", count);
  std::printf("  QueryText in the panel   p50 %.2f ms   p99 %.2f ms\n", lp50, lp99);
  std::printf("  script via remote port   p50 %.2f ms   p99 %.2f ms\n", rp50, rp99);
  std::printf("  ratio                    p50 %.3f x    p99 %.3f x   (goal p99 <= 1.15 x)\n",
              rp50 / lp50, rp99 / lp99);
  std::printf("  wrong replies %d\n", bad);
  return bad ? 1 : 0;
}
