// Fuzz entry for the remote-control port's line handling: arbitrary bytes fed
// in chunks, lines taken now and then. Checked on every input:
//  - a line handed on is printable ASCII, at most kMaxLineBytes, never blank,
//    and is a query exactly when it ends in "?";
//  - the bytes held never pass the bound, and a client that stops sending
//    can always be drained to nothing held but its partial line;
//  - no more entries come out than LF bytes went in (plus one refusal per
//    overlong line still streaming).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "remote/core/RemoteLines.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace vm::remote;
  if (size == 0) return 0;
  const uint8_t sel = data[0];
  const size_t chunk = 1 + size_t(sel & 0x3F) * 97;
  const bool takeOften = (sel & 0x40) != 0;
  ++data;
  --size;

  ClientLines c;
  size_t lfs = 0, entries = 0, overlong = 0, off = 0;
  auto take = [&] {
    while (c.HasLine()) {
      const Line l = c.TakeLine();
      ++entries;
      if (l.kind == LineKind::TooLong) ++overlong;
      if (l.kind == LineKind::Command || l.kind == LineKind::Query) {
        Check(!l.text.empty() && l.text.size() <= kMaxLineBytes);
        for (char ch : l.text) Check(ch == '\t' || (ch >= 0x20 && ch < 0x7F));
        Check((l.kind == LineKind::Query) == IsQueryLine(l.text));
        Check(l.text.front() != ' ' && l.text.back() != ' ');
      } else {
        Check(l.text.empty() && !RefusalReply(l.kind).empty());
      }
    }
  };
  while (off < size) {
    const size_t n = std::min(chunk, size - off);
    const std::string_view part(reinterpret_cast<const char *>(data + off), n);
    const size_t got = c.Feed(part);
    Check(got <= n);
    for (size_t i = 0; i < got; ++i) lfs += part[i] == '\n';
    Check(c.HeldBytes() <= kMaxHeldBytes + 1);
    off += got;
    if (takeOften || got < n) take();
    if (got == 0 && !c.HasLine()) Check(c.Room() > 0);  // never stuck
  }
  take();
  Check(c.HeldBytes() <= kMaxLineBytes + 1);
  Check(entries <= lfs + overlong);
  return 0;
}
