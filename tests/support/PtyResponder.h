#pragma once
// A scriptable instrument on a pseudo-terminal, for tests and benchmarks.
//
// A helper thread reads what the program writes, splits it into lines (CR LF
// or LF), and answers each line by the rules given:
//
//   vmtest::PtyResponder r;
//   dir.addPort(7, r.slavePath());
//   r.reply("*IDN?", "VM,5204,1234,1.00-1.25");   // CR appended
//   r.onlyAtBaud(9600);                            // silent at other rates
//   r.sequence("*IDN?", {"", "VM,5204,..."});     // 1st silent, 2nd answers
//   r.replyDelay(100);                             // answer after 100 ms
//
// A line without a rule gets no answer (a silent port is a responder with no
// rules). Everything received is kept in order for assertions.
#include <termios.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/PtyPair.h"

namespace vmtest {

class PtyResponder {
 public:
  // Given the received line (without CR LF) and the line's current baud rate,
  // returns the reply text (CR is appended) or nothing for silence.
  using Handler = std::function<std::optional<std::string>(const std::string &line, int baud)>;

  PtyResponder() : thread_([this] { run(); }) {}
  ~PtyResponder() { stop(); }
  PtyResponder(const PtyResponder &) = delete;
  PtyResponder &operator=(const PtyResponder &) = delete;

  bool ok() const { return pty_.ok(); }
  const std::string &slavePath() const { return pty_.slavePath(); }
  PtyPair &pty() { return pty_; }

  // Fixed answer to one exact line.
  void reply(const std::string &line, const std::string &answer) {
    std::lock_guard<std::mutex> g(m_);
    sequences_[line] = {answer};
    repeatLast_[line] = true;
  }
  // Answers for the 1st, 2nd, ... occurrence of the line ("" = silent); after
  // the list is used up, the last entry repeats when repeatLast is set,
  // otherwise the line gets no answer.
  void sequence(const std::string &line, std::vector<std::string> answers,
                bool repeatLast = true) {
    std::lock_guard<std::mutex> g(m_);
    sequences_[line] = std::move(answers);
    repeatLast_[line] = repeatLast;
    seen_[line] = 0;
  }
  // Overrides the rules: every line goes to `h`.
  void handler(Handler h) {
    std::lock_guard<std::mutex> g(m_);
    handler_ = std::move(h);
  }
  // Answers only while the program has the line at this rate (0 = any).
  void onlyAtBaud(int baud) { baud_ = baud; }
  // Delay before each answer.
  void replyDelay(int ms) { delayMs_ = ms; }
  // Raw bytes appended to every answer instead of CR.
  void terminator(std::string t) {
    std::lock_guard<std::mutex> g(m_);
    terminator_ = std::move(t);
  }

  // Every line received so far, in order.
  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> g(m_);
    return lines_;
  }
  // Every byte received so far.
  std::string raw() const {
    std::lock_guard<std::mutex> g(m_);
    return raw_;
  }
  void clear() {
    std::lock_guard<std::mutex> g(m_);
    lines_.clear();
    raw_.clear();
  }

  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  // The line's current rate as the program set it (the pair shares one set
  // of line settings, so the master side sees the slave's).
  int currentBaud() const {
    termios t{};
    if (::tcgetattr(pty_.masterFd(), &t) != 0) return 0;
    switch (::cfgetospeed(&t)) {
      case B4800: return 4800;
      case B9600: return 9600;
      case B19200: return 19200;
      case B38400: return 38400;
      case B57600: return 57600;
      case B115200: return 115200;
      case B230400: return 230400;
      default: return 0;
    }
  }

 private:
  void run() {
    std::string pending;
    while (!stop_) {
      std::string got = pty_.readSome(10);
      if (got.empty()) continue;
      {
        std::lock_guard<std::mutex> g(m_);
        raw_ += got;
      }
      pending += got;
      size_t nl;
      while ((nl = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        answer(line);
      }
    }
  }

  void answer(const std::string &line) {
    const int baud = currentBaud();
    std::optional<std::string> out;
    std::string term;
    {
      std::lock_guard<std::mutex> g(m_);
      lines_.push_back(line);
      term = terminator_;
      if (handler_) {
        out = handler_(line, baud);
      } else if (baud_ == 0 || baud == baud_) {
        auto it = sequences_.find(line);
        if (it != sequences_.end() && !it->second.empty()) {
          size_t n = seen_[line]++;
          if (n < it->second.size())
            out = it->second[n];
          else if (repeatLast_[line])
            out = it->second.back();
        }
      }
    }
    if (!out || out->empty()) return;
    if (delayMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_.load()));
    pty_.write(*out + term);
  }

  PtyPair pty_;
  mutable std::mutex m_;
  std::map<std::string, std::vector<std::string>> sequences_;
  std::map<std::string, bool> repeatLast_;
  std::map<std::string, size_t> seen_;
  Handler handler_;
  std::string terminator_ = "\r";
  std::vector<std::string> lines_;
  std::string raw_;
  std::atomic<int> baud_{0};
  std::atomic<int> delayMs_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;  // last: starts after everything above exists
};

}  // namespace vmtest
