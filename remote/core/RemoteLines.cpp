#include "remote/core/RemoteLines.h"

#include <algorithm>

namespace vm::remote {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
  return s;
}

bool AllPrintable(std::string_view s) {
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if ((u < 0x20 && c != '\t') || u >= 0x7F) return false;
  }
  return true;
}

}  // namespace

bool IsQueryLine(std::string_view line) {
  line = Trimmed(line);
  return !line.empty() && line.back() == '?';
}

std::string_view RefusalReply(LineKind kind) {
  switch (kind) {
    case LineKind::TooLong: return "ERR LENGTH";
    case LineKind::BadCharacters: return "ERR CHARACTER";
    default: return "";
  }
}

size_t ClientLines::Feed(std::string_view bytes) {
  const size_t take = std::min(bytes.size(), Room());
  for (size_t i = 0; i < take; ++i) {
    const char c = bytes[i];
    if (c == '\n') {
      if (discarding_) {
        discarding_ = false;
      } else {
        Finish();
      }
      held_ -= partial_.size();
      partial_.clear();
      continue;
    }
    if (discarding_) continue;
    partial_.push_back(c);
    ++held_;
    // One byte more than the limit may still be the CR of a CR LF end.
    if (partial_.size() > kMaxLineBytes + 1 ||
        (partial_.size() == kMaxLineBytes + 1 && c != '\r')) {
      held_ -= partial_.size();
      partial_.clear();
      discarding_ = true;
      lines_.push_back({LineKind::TooLong, {}});
      held_ += 1;
    }
  }
  return take;
}

void ClientLines::Finish() {
  std::string_view s(partial_);
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  if (s.size() > kMaxLineBytes) {
    lines_.push_back({LineKind::TooLong, {}});
    held_ += 1;
    return;
  }
  if (!AllPrintable(s)) {
    lines_.push_back({LineKind::BadCharacters, {}});
    held_ += 1;
    return;
  }
  s = Trimmed(s);
  if (s.empty()) return;
  Line line{IsQueryLine(s) ? LineKind::Query : LineKind::Command, std::string(s)};
  held_ += line.text.size() + 1;
  lines_.push_back(std::move(line));
}

Line ClientLines::TakeLine() {
  Line line = std::move(lines_.front());
  lines_.pop_front();
  held_ -= line.text.size() + 1;
  return line;
}

}  // namespace vm::remote
