#include "sim/engine/Session.h"

#include "sim/engine/SimText.h"

namespace vmsim {

void LineFramer::Feed(std::string_view bytes, std::vector<Line>& out) {
  while (!bytes.empty()) {
    const size_t lf = bytes.find('\n');
    const std::string_view part = bytes.substr(0, lf);
    if (buf_.size() < kMaxLine + 1) buf_.append(part.substr(0, kMaxLine + 1 - buf_.size()));
    total_ += part.size();
    if (!part.empty()) last_ = part.back();
    if (lf == std::string_view::npos) return;
    bytes.remove_prefix(lf + 1);

    Line line;
    line.totalBytes = total_;
    if (total_ > 0 && last_ == '\r') {
      if (buf_.size() == total_) buf_.pop_back();
      --line.totalBytes;
    }
    line.overlong = line.totalBytes > kMaxLine;
    if (buf_.size() > kMaxLine) buf_.resize(kMaxLine);
    line.text = std::move(buf_);
    buf_.clear();
    total_ = 0;
    last_ = 0;
    out.push_back(std::move(line));
  }
}

Session::Outcome Session::OnLine(const LineFramer::Line& line, int clientBaud, bool clientEcho, int64_t nowNs) {
  Outcome o;
  if (clientBaud != faults_.baud) {
    o.reason = "baud";
    return o;
  }
  if (clientEcho) {
    o.reason = "echo";
    return o;
  }
  ++lines_;
  if (faults_.silent) {
    o.reason = "silent";
    return o;
  }
  if (faults_.silentAfter >= 0 && lines_ > faults_.silentAfter) {
    o.reason = "silent-after";
    return o;
  }
  if (faults_.idnOnlySecond && !line.overlong && EqualsNoCase(Trim(line.text), "*IDN?")) {
    if (++idnAttempts_ % 2 == 1) {
      o.reason = "idn-skip";
      return o;
    }
  }
  o.answered = true;
  o.reply = line.overlong ? kOverlongReply : inst_.HandleLine(line.text, nowNs);
  if (faults_.garbageAfter >= 0 && lines_ > faults_.garbageAfter) o.reply = kGarbageReply;
  return o;
}

}  // namespace vmsim
