#include <gtest/gtest.h>

#include "main/core/SettingsFile.h"

using namespace vm;
using Lines = std::vector<std::string>;

TEST(SettingsFile, CommentRuleAndReplayOrder) {
  const Lines lines{"// 09/12/2026,05:10:00", "*CFG 0 0 0.001 NORM 1 1 1 1",
                    ":SYST:AUT 1 // start on power-up", "", "http://x", ":PULS0:COUN:STAT 0"};
  EXPECT_EQ(ClassifySettingsLine(lines[0]), SettingsLineKind::Comment);
  EXPECT_EQ(ClassifySettingsLine(lines[3]), SettingsLineKind::Command);
  EXPECT_EQ(ReplayCommands(lines),
            (Lines{"*CFG 0 0 0.001 NORM 1 1 1 1", "", ":PULS0:COUN:STAT 0"}));
  EXPECT_TRUE(ReplayCommands({"// a", "//b"}).empty());
}

TEST(SettingsFile, WrittenWithCrLfAfterEveryLine) {
  EXPECT_EQ(SettingsFileText({"// a", "*CFG 90 DIS RIS LOW 2.50 DIS"}),
            "// a\r\n*CFG 90 DIS RIS LOW 2.50 DIS\r\n");
  EXPECT_EQ(SettingsFileText({}), "");
}

TEST(SettingsFile, ReadWithAnyLineEnd) {
  EXPECT_EQ(SplitSettingsFile("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitSettingsFile("a\r\n"), (Lines{"a"}));
  EXPECT_EQ(SplitSettingsFile("a\r\n\r\nb\r\n"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitSettingsFile("\n"), (Lines{""}));
  EXPECT_TRUE(SplitSettingsFile("").empty());
  const Lines round{"// x", "", ":SYST:AUT 0"};
  EXPECT_EQ(SplitSettingsFile(SettingsFileText(round)), round);
}

TEST(SettingsFile, ByteOrderMarks) {
  EXPECT_EQ(SplitSettingsFile("\xEF\xBB\xBF*RCL 1\r\n"), (Lines{"*RCL 1"}));
  const std::string le("\xFF\xFE*\0R\0C\0L\0 \0" "1\0\r\0\n\0x\0", 20);
  EXPECT_EQ(SplitSettingsFile(le), (Lines{"*RCL 1", "x"}));
  const std::string be("\xFE\xFF\0O\0K", 6);
  EXPECT_EQ(SplitSettingsFile(be), (Lines{"OK"}));
}

TEST(SettingsFile, EncodingKeptOnRewrite) {
  const Lines lines{"// Cal", "*SER 77"};
  for (auto enc : {TextEncoding::Ansi, TextEncoding::Utf8Bom, TextEncoding::Utf16LE,
                   TextEncoding::Utf16BE}) {
    const TextFileContent back = ReadTextFile(EncodeTextFile(lines, enc));
    EXPECT_EQ(back.encoding, enc);
    EXPECT_EQ(back.lines, lines);
  }
  EXPECT_EQ(EncodeTextFile({"a"}, TextEncoding::Utf16LE), std::string("\xFF\xFE" "a\0\r\0\n\0", 8));
}
