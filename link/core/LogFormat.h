#pragma once
// Texts of the communication log: the file name and every line. The blanks
// inside the literals are part of the format that users' tools read.
#include <string>
#include <string_view>

namespace vm::logfmt {

// "hh:nn:ss.zzz": 24-hour clock, three-digit milliseconds.
std::string TimeStamp(int hour, int minute, int second, int msec);
// "mm-dd-yy_hh-nn-ss", fixed for a whole run and part of the file name.
std::string StartStamp(int year, int month, int day, int hour, int minute, int second);

// Makes a user name safe to embed in a file name: path separators, control
// characters and ".." cannot take the file out of the working directory.
std::string SanitizeUserName(std::string_view name);
// "SystemLogFile_" + user + "_" + stamp + ".txt" (user sanitised here).
std::string FileName(std::string_view user, std::string_view stamp);

// The header shows date + "," + time in the user's short date and long time
// formats, but always with a four-digit year and without a time zone. These
// take a locale's date or time pattern (Qt pattern letters, '...' quoting)
// and return the pattern to format the header with.
std::string HeaderDatePattern(std::string_view shortDate);
std::string HeaderTimePattern(std::string_view longTime);

std::string Header(std::string_view date, std::string_view time);
std::string Trying(int port, int baud);
std::string Sent(std::string_view time, std::string_view command);
std::string Received(std::string_view time, std::string_view reply);
std::string ExceptionError(std::string_view time);
std::string CommandDisabled(std::string_view time, std::string_view command);
std::string PortInUse(std::string_view time, std::string_view command);
std::string TimeoutError(std::string_view time);

}  // namespace vm::logfmt
