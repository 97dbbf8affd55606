#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

#include "serial/core/PortList.h"
#include "serial/core/PortLock.h"
#include "serial/core/Terminator.h"
#include "support/PtyPair.h"

namespace fs = std::filesystem;
using namespace vm::serial;

TEST(EndOfResponse, DecodesEscapesAndFallsBackToLiteralText) {
  struct Case {
    std::string text, raw;
  } cases[] = {
      {"#13", "\r"},
      {"#13#10", "\r\n"},
      {"OK#13", "OK\r"},
      {"\r", "\r"},
      {"A#", "A"},
      {"##13", "##13"},       // empty code between the hashes
      {"#13x", "#13x"},       // not a number
      {"#$0D", "\r"},         // hexadecimal
      {"#$0d#$0A", "\r\n"},
      {"#256", "#256"},       // no such byte
      {"#-1", "#-1"},
      {"#0", std::string(1, '\0')},
      {"", ""},
      {"#", ""},
      {"END", "END"},
      {"#13OK", "#13OK"},     // literal text only before the first hash
  };
  for (const auto &c : cases) EXPECT_EQ(DecodeEndOfResponse(c.text), c.raw) << "text: " << c.text;
}

TEST(PortNames, EveryDigitCounts) {
  EXPECT_EQ(ParseComPortNumber("COM7"), 7);
  EXPECT_EQ(ParseComPortNumber("COM12"), 12);
  EXPECT_EQ(ParseComPortNumber("COM123"), 123);
  EXPECT_EQ(ParseComPortNumber("COM2147483647"), 2147483647);
  for (const char *bad : {"COM", "COM0", "COM012", "COM1x", "COM-1", "COM 1", "com1", "LPT1", "COM2147483648",
                          "COM99999999999"})
    EXPECT_FALSE(ParseComPortNumber(bad).has_value()) << bad;
}

TEST(PortDir, ListsComEntriesAscendingByNumber) {
  vmtest::PortDir dir;
  for (int n : {10, 3, 1, 123, 12, 2}) ASSERT_TRUE(dir.addPort(n, "/dev/null-nowhere"));
  for (const char *junk : {"COM", "COMx", "COM0", "COM007", "com5", "README", "COM4.bak"})
    std::ofstream(fs::path(dir.path()) / junk) << "";
  EXPECT_EQ(ListPortDir(dir.path()), (std::vector<int>{1, 2, 3, 10, 12, 123}));
  EXPECT_TRUE(ListPortDir(dir.path() + "/missing").empty());
  EXPECT_TRUE(ListPortDir("").empty());
}

TEST(MachinePorts, NumberingIsFixedPerDriverFamily) {
  EXPECT_EQ(PortNumberForTty("ttyS0"), 1);
  EXPECT_EQ(PortNumberForTty("ttyS31"), 32);
  EXPECT_EQ(PortNumberForTty("ttyUSB0"), 101);
  EXPECT_EQ(PortNumberForTty("ttyACM2"), 203);
  EXPECT_EQ(PortNumberForTty("ttySC1"), 502);  // not ttyS with index "C1"
  EXPECT_FALSE(PortNumberForTty("ttyUSB100").has_value());
  EXPECT_FALSE(PortNumberForTty("tty1").has_value());
  EXPECT_FALSE(PortNumberForTty("ttyS01").has_value());
  EXPECT_FALSE(PortNumberForTty("ptmx").has_value());
  for (int n : {1, 32, 101, 203, 502, 800}) EXPECT_EQ(PortNumberForTty(*TtyForPortNumber(n)), n);
  EXPECT_FALSE(TtyForPortNumber(0).has_value());
  EXPECT_FALSE(TtyForPortNumber(801).has_value());
}

// A fake /sys/class/tty: ttyS0 is the console, ttyS1 a UART that did not
// answer, ttyS2 has no device at all, ttyS3 is real, plus USB adapters.
TEST(MachinePorts, SkipsConsoleAndPhantomUarts) {
  vmtest::PortDir tmp;  // only for a scratch directory
  const fs::path root = fs::path(tmp.path()) / "tty";
  auto tty = [&](const std::string &name, const char *type, bool device) {
    fs::create_directories(root / name);
    if (type) std::ofstream(root / name / "type") << type << "\n";
    if (device) fs::create_directories(root / name / "device");
  };
  tty("console", nullptr, false);
  std::ofstream(root / "console" / "active") << "tty0 ttyS0\n";
  tty("tty0", nullptr, true);
  tty("tty1", nullptr, true);
  tty("ttyS0", "4", true);
  tty("ttyS1", "0", true);
  tty("ttyS2", "4", false);
  tty("ttyS3", "4", true);
  tty("ttyS10", "4", true);
  tty("ttyUSB1", nullptr, true);
  tty("ttyUSB0", nullptr, true);
  tty("ttyACM0", nullptr, true);
  tty("ttyUSB100", nullptr, true);
  std::vector<int> numbers;
  std::vector<std::string> names;
  for (const auto &p : ListMachinePorts(root.string())) {
    numbers.push_back(p.number);
    names.push_back(p.tty);
  }
  EXPECT_EQ(numbers, (std::vector<int>{4, 11, 101, 102, 201}));
  EXPECT_EQ(names, (std::vector<std::string>{"ttyS3", "ttyS10", "ttyUSB0", "ttyUSB1", "ttyACM0"}));
  EXPECT_TRUE(ListMachinePorts((root / "missing").string()).empty());
}

TEST(OpenFailure, NamesTheFixForPermissionProblems) {
  const std::string a = OpenFailureAdvice(EACCES, "/dev/ttyUSB0", "dialout");
  EXPECT_NE(a.find("dialout"), std::string::npos);
  EXPECT_NE(a.find("/dev/ttyUSB0"), std::string::npos);
  EXPECT_NE(OpenFailureAdvice(EACCES, "/dev/ttyS4", "uucp").find("usermod -aG uucp"), std::string::npos);
  // A device owned by root's group: joining root is not the advice to give.
  EXPECT_NE(OpenFailureAdvice(EPERM, "/dev/ttyS4", "root").find("dialout"), std::string::npos);
}

// Lock files: ours while held, another live process's refuse the port,
// stale or unreadable ones are free, and no usable folder means no lock.
TEST(PortLock, TakesHonoursAndClearsLockFiles) {
  const fs::path dir = fs::temp_directory_path() / ("vm-locks-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path alias = dir / "COM7";
  fs::create_symlink("/dev/null", alias);
  EXPECT_EQ(LockFileName(alias.string()), "LCK..null");
  const std::string file = (dir / "LCK..null").string();
  auto write = [&](const std::string &text) { std::ofstream(file, std::ios::binary) << text; };
  auto read = [&] {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  char mine[16];
  std::snprintf(mine, sizeof mine, "%10d\n", int(::getpid()));

  {
    PortLock lock;
    ASSERT_TRUE(lock.Take("/dev/null", {dir.string()}));
    EXPECT_TRUE(lock.HoldsFile());
    EXPECT_EQ(read(), mine);
  }
  EXPECT_FALSE(fs::exists(file));  // released with the lock

  // Held by a live process (our parent): refused, its file left alone.
  write("  " + std::to_string(::getppid()) + "\n");
  PortLock lock;
  int owner = 0;
  EXPECT_FALSE(lock.Take(alias.string(), {dir.string()}, &owner));
  EXPECT_EQ(owner, int(::getppid()));
  EXPECT_TRUE(fs::exists(file));

  // A process that has ended, and a file nobody can read a process from.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  for (const std::string stale : {std::to_string(child) + "\n", std::string("garbage"), std::string()}) {
    write(stale);
    EXPECT_TRUE(lock.Take("/dev/null", {dir.string()})) << stale;
    EXPECT_EQ(read(), mine) << stale;
    lock.Release();
  }
  const int binary = 0x01020304;  // the old binary form: the id as a native int
  EXPECT_EQ(LockOwner(std::string(reinterpret_cast<const char *>(&binary), sizeof binary)), binary);

  // No folder that takes a lock: the port is still usable, without one.
  EXPECT_TRUE(lock.Take("/dev/null", {(dir / "missing").string()}));
  EXPECT_FALSE(lock.HoldsFile());
  fs::remove_all(dir);
}
