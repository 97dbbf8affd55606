// Identity reply parsing, log file names and the log writer's error path.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/core/StartSwitches.h"
#include "link/core/Identity.h"
#include "link/core/LogFile.h"
#include "link/core/LogFormat.h"
#include "link/core/ScanReport.h"

using vm::InstrumentIdentity;
using vm::ParseIdentityReply;

static InstrumentIdentity Old() {
  InstrumentIdentity id;
  id.CompanyBadge = "OB";
  id.ModelNumber = "OLD";
  id.SerialNumber = 77;
  id.FirmwareVersion = "0.1";
  id.FpgaVersion = "0.2";
  return id;
}

TEST(Identity, FullReplySetsAllFields) {
  InstrumentIdentity id = Old();
  ParseIdentityReply("VM,5204,1234,1.00-1.25", id);
  EXPECT_EQ(id.CompanyBadge, "VM");
  EXPECT_EQ(id.ModelNumber, "5204");
  EXPECT_EQ(id.SerialNumber, 1234);
  EXPECT_EQ(id.FirmwareVersion, "1.00");
  EXPECT_EQ(id.FpgaVersion, "1.25");
}

TEST(Identity, ShortRepliesCountAsNone) {
  for (const char *reply : {"", "VM,5204,12", "0123456789"}) {
    InstrumentIdentity id = Old();
    ParseIdentityReply(reply, id);
    EXPECT_EQ(id.CompanyBadge, "") << reply;
    EXPECT_EQ(id.ModelNumber, "");
    EXPECT_EQ(id.SerialNumber, 0);
    EXPECT_EQ(id.FirmwareVersion, "");
    EXPECT_EQ(id.FpgaVersion, "");
  }
  // Eleven characters are a reply.
  InstrumentIdentity id = Old();
  ParseIdentityReply("VM,5204,1,-", id);
  EXPECT_EQ(id.ModelNumber, "5204");
  EXPECT_EQ(id.SerialNumber, 1);
}

TEST(Identity, BadSerialStopsAfterModelKeepingOldRest) {
  InstrumentIdentity id = Old();
  ParseIdentityReply("VM,5204,12X4,1.00-1.25", id);
  EXPECT_EQ(id.CompanyBadge, "VM");
  EXPECT_EQ(id.ModelNumber, "5204");
  EXPECT_EQ(id.SerialNumber, 77);
  EXPECT_EQ(id.FirmwareVersion, "0.1");
  EXPECT_EQ(id.FpgaVersion, "0.2");
  EXPECT_TRUE(vm::IsKnownModel(id.ModelNumber));
}

TEST(Identity, NoCommaGivesEmptyBadgeAndModel) {
  InstrumentIdentity id = Old();
  ParseIdentityReply("HELLO WORLD 5204", id);
  EXPECT_EQ(id.CompanyBadge, "");
  EXPECT_EQ(id.ModelNumber, "");
  EXPECT_EQ(id.SerialNumber, 77);
}

TEST(Identity, FieldsKeepLeadingBlanksAndLoseTrailingOnes) {
  InstrumentIdentity id = Old();
  ParseIdentityReply("VM , 5204 , 42 ,2.0 -3.1-x", id);
  EXPECT_EQ(id.CompanyBadge, "VM");
  EXPECT_EQ(id.ModelNumber, " 5204");  // not a known model then
  EXPECT_FALSE(vm::IsKnownModel(id.ModelNumber));
  EXPECT_EQ(id.SerialNumber, 42);
  EXPECT_EQ(id.FirmwareVersion, "2.0");
  EXPECT_EQ(id.FpgaVersion, "3.1-x");
}

TEST(Identity, MissingHyphenLeavesFirmwareEmpty) {
  InstrumentIdentity id = Old();
  ParseIdentityReply("VM,5218,99,1.00", id);
  EXPECT_EQ(id.FirmwareVersion, "");
  EXPECT_EQ(id.FpgaVersion, "1.00");
}

TEST(Identity, KnownModelsAreExact) {
  for (const char *m : {"5204", "3204", "5214", "3214", "5208", "3208", "5218", "3218"})
    EXPECT_TRUE(vm::IsKnownModel(m)) << m;
  for (const char *m : {"5209", "52040", "5204 ", "", "3218a"}) EXPECT_FALSE(vm::IsKnownModel(m)) << m;
}

TEST(LogName, UserNameCannotLeaveTheWorkingDirectory) {
  EXPECT_EQ(vm::logfmt::FileName("alice", "03-14-24_09-05-07"),
            "SystemLogFile_alice_03-14-24_09-05-07.txt");
  EXPECT_EQ(vm::logfmt::FileName("", "s"), "SystemLogFile__s.txt");
  for (const char *bad : {"../../etc/x", "a/b", "a\\b", "..", "a\nb", "x\x7f"}) {
    std::string name = vm::logfmt::FileName(bad, "s");
    EXPECT_EQ(name.find('/'), std::string::npos) << bad;
    EXPECT_EQ(name.find('\\'), std::string::npos) << bad;
    EXPECT_EQ(name.find(".."), std::string::npos) << bad;
    for (unsigned char c : name) EXPECT_GE(c, 32) << bad;
  }
  EXPECT_EQ(vm::logfmt::SanitizeUserName("j.doe"), "j.doe");  // a single dot is a name
  EXPECT_LE(vm::logfmt::FileName(std::string(1000, 'u'), "03-14-24_09-05-07").size(), 255u);
}

TEST(LogName, Stamps) {
  EXPECT_EQ(vm::logfmt::StartStamp(2024, 3, 14, 9, 5, 7), "03-14-24_09-05-07");
  EXPECT_EQ(vm::logfmt::TimeStamp(9, 5, 7, 12), "09:05:07.012");
}

TEST(Switches, DashOrSlashAnyCaseWholeWord) {
  auto s = vm::ParseStartSwitches({"-LOG", "/Demo", "pick"});
  EXPECT_TRUE(s.log);
  EXPECT_TRUE(s.demo);
  EXPECT_FALSE(s.pick);  // no leading "-" or "/"
  s = vm::ParseStartSwitches({"/pIcK", "-logx", "--log"});
  EXPECT_TRUE(s.pick);
  EXPECT_FALSE(s.log);
  EXPECT_FALSE(s.demo);
}

static std::string ReadAll(const std::string &path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

TEST(LogFileWriter, EachLineIsOnDiskAtOnceWithCrLf) {
  std::string path = ::testing::TempDir() + "/vm_logfile_test.txt";
  vm::LogFile log;
  ASSERT_TRUE(log.Create(path));
  ASSERT_TRUE(log.WriteLine("first"));
  EXPECT_EQ(ReadAll(path), "first\r\n");  // no close needed
  ASSERT_TRUE(log.WriteLine(""));
  EXPECT_EQ(ReadAll(path), "first\r\n\r\n");
  ASSERT_TRUE(log.Create(path));  // created anew: earlier content gone
  EXPECT_EQ(ReadAll(path), "");
  std::remove(path.c_str());
}

TEST(LogFileWriter, FullDiskIsReportedNotIgnored) {
  // A file-size limit makes writes past it fail like a full disk.
  std::string path = ::testing::TempDir() + "/vm_logfile_full.txt";
  vm::LogFile log;
  ASSERT_TRUE(log.Create(path));
  ASSERT_TRUE(log.WriteLine("header"));
  auto old = signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 64;
  setrlimit(RLIMIT_FSIZE, &small);
  bool ok = log.WriteLine(std::string(200, 'x'));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, old);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(log.LastError().empty());
  log.Close();
  std::remove(path.c_str());
}

TEST(LogFileWriter, UnwritableLocationFailsToCreate) {
  vm::LogFile log;
  EXPECT_FALSE(log.Create("/nonexistent-dir/x.txt"));
  EXPECT_FALSE(log.WriteLine("x"));
}

// The header carries a four-digit year and no time zone, whatever the
// user's patterns say; the rest of each pattern is the user's.
TEST(LogFormat, HeaderPatternsWidenYearAndDropZone) {
  EXPECT_EQ(vm::logfmt::HeaderDatePattern("M/d/yy"), "M/d/yyyy");
  EXPECT_EQ(vm::logfmt::HeaderDatePattern("dd.MM.yyyy"), "dd.MM.yyyy");
  EXPECT_EQ(vm::logfmt::HeaderDatePattern("d 'yy' yy"), "d 'yy' yyyy");
  EXPECT_EQ(vm::logfmt::HeaderTimePattern("h:mm:ss AP t"), "h:mm:ss AP");
  EXPECT_EQ(vm::logfmt::HeaderTimePattern("HH:mm:ss tttt"), "HH:mm:ss");
  EXPECT_EQ(vm::logfmt::HeaderTimePattern("t HH:mm:ss"), "HH:mm:ss");
  EXPECT_EQ(vm::logfmt::HeaderTimePattern("H:mm:ss (t)"), "H:mm:ss");
  EXPECT_EQ(vm::logfmt::HeaderTimePattern("h:mm:ss 'o''clock'"), "h:mm:ss 'o''clock'");
}

// Ports the scan could not search are named with the reason, and refused
// ones with the group to join (dialout for root-owned devices).
TEST(ScanReport, RefusalDetailNamesPortsAndGroups) {
  EXPECT_EQ(vm::RefusalDetail({}), "");
  EXPECT_EQ(vm::RefusalDetail({{3, "/dev/ttyS2", ENOENT, 0, ""}}), "");
  const std::string text = vm::RefusalDetail({{101, "/dev/ttyUSB0", EACCES, 0, "root"},
                                              {102, "/dev/ttyUSB1", EBUSY, 4242, "dialout"},
                                              {201, "/dev/ttyACM0", EPERM, 0, "uucp"}});
  EXPECT_NE(text.find("COM101 (/dev/ttyUSB0): permission denied."), std::string::npos) << text;
  EXPECT_NE(text.find("COM102 (/dev/ttyUSB1): in use by another program (process 4242)."),
            std::string::npos);
  EXPECT_NE(text.find("group \"dialout\""), std::string::npos);
  EXPECT_NE(text.find("sudo usermod -aG uucp $USER"), std::string::npos);
  EXPECT_EQ(text.find("group \"dialout\"", text.find("group \"dialout\"") + 1), std::string::npos);
}
