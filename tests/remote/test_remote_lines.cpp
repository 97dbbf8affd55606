// Line handling of the remote-control port, its entry into the command queue
// and its start switch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/core/StartSwitches.h"
#include "main/core/TaskQueue.h"
#include "remote/core/RemoteLines.h"

using vm::remote::ClientLines;
using vm::remote::kMaxHeldBytes;
using vm::remote::kMaxLineBytes;
using vm::remote::LineKind;

namespace {

std::vector<vm::remote::Line> Drain(ClientLines &c) {
  std::vector<vm::remote::Line> out;
  while (c.HasLine()) out.push_back(c.TakeLine());
  return out;
}

}  // namespace

TEST(RemoteLines, FramesQueriesAndCommandsAcrossFeeds) {
  ClientLines c;
  c.Feed("*IDN");
  EXPECT_FALSE(c.HasLine());
  c.Feed("?\r\n  :PULS2:WIDT 0.001 \n\r\n \n:PULS1:DEL?  \n");
  const auto lines = Drain(c);
  ASSERT_EQ(lines.size(), 3u);  // blank lines give nothing
  EXPECT_EQ(lines[0].kind, LineKind::Query);
  EXPECT_EQ(lines[0].text, "*IDN?");
  EXPECT_EQ(lines[1].kind, LineKind::Command);
  EXPECT_EQ(lines[1].text, ":PULS2:WIDT 0.001");
  EXPECT_EQ(lines[2].kind, LineKind::Query);
  EXPECT_EQ(lines[2].text, ":PULS1:DEL?");
  EXPECT_EQ(c.HeldBytes(), 0u);
}

TEST(RemoteLines, OverlongLineIsRefusedOnceAndTheNextLineSurvives) {
  ClientLines c;
  const std::string limit(kMaxLineBytes - 1, 'A');
  c.Feed(":" + limit + "\r\n");       // exactly the limit, CR LF end
  c.Feed(":" + limit + "\n");         // exactly the limit, LF end
  c.Feed(std::string(3 * kMaxLineBytes, 'B'));  // over, fed in one go ...
  c.Feed(std::string(100, 'B') + "\n*IDN?\n");  // ... and still going
  c.Feed(std::string(kMaxLineBytes, 'C') + "\r\r\n");  // CR inside counts
  const auto lines = Drain(c);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].text.size(), kMaxLineBytes);
  EXPECT_EQ(lines[1].text.size(), kMaxLineBytes);
  EXPECT_EQ(lines[2].kind, LineKind::TooLong);
  EXPECT_EQ(lines[3].text, "*IDN?");
  EXPECT_EQ(lines[4].kind, LineKind::TooLong);
  EXPECT_EQ(vm::remote::RefusalReply(LineKind::TooLong), "ERR LENGTH");
}

TEST(RemoteLines, ControlAndNonAsciiBytesAreRefused) {
  ClientLines c;
  // A CR inside a line would become two exchanges on the serial line.
  c.Feed(std::string(":PULS1:DEL 1\r:PULS1:DEL?\n", 26));
  c.Feed(std::string("\0\xff\x01?\n", 5));
  c.Feed("\t*IDN?\t\n");
  const auto lines = Drain(c);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].kind, LineKind::BadCharacters);
  EXPECT_EQ(lines[1].kind, LineKind::BadCharacters);
  EXPECT_EQ(lines[2].text, "*IDN?");
}

TEST(RemoteLines, FastClientIsHeldToTheBound) {
  ClientLines c;
  std::string flood;
  while (flood.size() < 4 * kMaxHeldBytes) flood += ":PULS1:DEL 0.000001\n";
  size_t taken = 0;
  for (int i = 0; i < 10; ++i) taken += c.Feed(std::string_view(flood).substr(taken));
  EXPECT_LE(c.HeldBytes(), kMaxHeldBytes + 1);
  EXPECT_EQ(c.Room(), 0u);
  EXPECT_LT(taken, flood.size());
  c.TakeLine();
  EXPECT_GT(c.Room(), 0u);  // taking a line lets the client go on
  // An overlong line being thrown away costs nothing while it streams.
  ClientLines d;
  for (int i = 0; i < 100; ++i) d.Feed(std::string(kMaxLineBytes, 'x'));
  EXPECT_LE(d.HeldBytes(), 1u);
}

TEST(RemoteQueue, LinesKeepTheirPlaceAmongEditsAndTheirTickets) {
  vm::TaskQueue q;
  q.QueuedCommandToPort(":PULS1:DEL 1", false);
  q.QueueRemoteLine("*IDN?", 7);
  // While commands are disabled the readback's control echoes are dropped,
  EXPECT_FALSE(q.QueuedCommandToPort(":PULS1:DEL 2", true));
  q.QueueRemoteLine(":PULS2:WIDT 1", 8);  // a client's line is not
  q.QueuedCommandToPort(":PULS1:DEL 3", false);
  std::vector<std::pair<std::string, uint64_t>> got;
  while (auto e = q.TakeNextEntry()) got.emplace_back(e->command, e->ticket);
  const std::vector<std::pair<std::string, uint64_t>> want{
      {":PULS1:DEL 1", 0}, {"*IDN?", 7}, {":PULS2:WIDT 1", 8}, {":PULS1:DEL 3", 0}};
  EXPECT_EQ(got, want);
}

TEST(RemoteSwitch, PortFromSwitch) {
  EXPECT_EQ(vm::ParseStartSwitches({"-log"}).remotePort, 0);
  EXPECT_EQ(vm::ParseStartSwitches({"/REMOTE"}).remotePort, 5025);
  EXPECT_EQ(vm::ParseStartSwitches({"-Remote=6000"}).remotePort, 6000);
  EXPECT_EQ(vm::ParseStartSwitches({"-remotely"}).remotePort, 0);
  for (const char *bad : {"-remote=", "-remote=0", "-remote=65536", "-remote=50x", "-remote=-1"})
    EXPECT_EQ(vm::ParseStartSwitches({bad}).remotePort, -1) << bad;
}
