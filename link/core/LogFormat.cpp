#include "link/core/LogFormat.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace vm::logfmt {

std::string TimeStamp(int hour, int minute, int second, int msec) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", hour, minute, second, msec);
  return buf;
}

std::string StartStamp(int year, int month, int day, int hour, int minute, int second) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d-%02d-%02d_%02d-%02d-%02d", month, day, year % 100, hour,
                minute, second);
  return buf;
}

std::string SanitizeUserName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (unsigned char c : name) {
    bool bad = c < 32 || c == 127 || c == '/' || c == '\\';
    out += bad ? '_' : char(c);
  }
  // ".." next to a separator is harmless once separators are gone, but a
  // name made only of dots would still read like a directory; replace every
  // run of two or more dots.
  for (size_t i = 0; (i = out.find("..", i)) != std::string::npos;) {
    while (i < out.size() && out[i] == '.') out[i++] = '_';
  }
  // Keep the whole name within the usual 255-byte file-name limit.
  if (out.size() > 200) out.resize(200);
  return out;
}

std::string FileName(std::string_view user, std::string_view stamp) {
  return "SystemLogFile_" + SanitizeUserName(user) + "_" + std::string(stamp) + ".txt";
}

namespace {

// Splits a pattern into runs: a quoted literal ('...', with '' for a quote),
// a run of one repeated letter, or any other single character.
std::vector<std::string> PatternRuns(std::string_view p) {
  std::vector<std::string> runs;
  for (size_t i = 0; i < p.size();) {
    size_t j = i + 1;
    if (p[i] == '\'') {
      while (j < p.size()) {
        if (p[j] == '\'' && j + 1 < p.size() && p[j + 1] == '\'') {
          j += 2;
        } else if (p[j++] == '\'') {
          break;
        }
      }
    } else if (std::isalpha(static_cast<unsigned char>(p[i]))) {
      while (j < p.size() && p[j] == p[i]) ++j;
    }
    runs.emplace_back(p.substr(i, j - i));
    i = j;
  }
  return runs;
}

}  // namespace

std::string HeaderDatePattern(std::string_view shortDate) {
  std::string out;
  for (const std::string &run : PatternRuns(shortDate))
    out += (run == "y" || run == "yy") ? "yyyy" : run;
  return out;
}

std::string HeaderTimePattern(std::string_view longTime) {
  // Drop every zone field ("t" .. "tttt") together with the blanks and
  // punctuation that only separated it from the rest.
  const std::vector<std::string> runs = PatternRuns(longTime);
  std::string out;
  std::string gap;  // non-field text since the last field, held back
  bool afterZone = false;
  for (const std::string &run : runs) {
    const bool field = std::isalpha(static_cast<unsigned char>(run[0])) != 0;
    if (!field) {
      gap += run;
      continue;
    }
    if (run[0] == 't') {
      // The text before the zone goes with it, unless it is a quoted literal.
      if (gap.find('\'') != std::string::npos) out += gap;
      gap.clear();
      afterZone = true;
      continue;
    }
    if (!afterZone || !out.empty()) out += gap;
    gap.clear();
    afterZone = false;
    out += run;
  }
  if (!afterZone) out += gap;
  return out;
}

std::string Header(std::string_view date, std::string_view time) {
  return "System Communication Log File " + std::string(date) + "," + std::string(time);
}

std::string Trying(int port, int baud) {
  return "Trying on port: " + std::to_string(port) + ", baud:" + std::to_string(baud);
}

std::string Sent(std::string_view time, std::string_view command) {
  return "Sent    (" + std::string(time) + "): " + std::string(command);
}

std::string Received(std::string_view time, std::string_view reply) {
  return "Received(" + std::string(time) + "): " + std::string(reply);
}

std::string ExceptionError(std::string_view time) {
  return "Exception Error (" + std::string(time);
}

std::string CommandDisabled(std::string_view time, std::string_view command) {
  return "Command Disabled:    (" + std::string(time) + "): " + std::string(command);
}

std::string PortInUse(std::string_view time, std::string_view command) {
  return "Comport in use:    (" + std::string(time) + "): " + std::string(command);
}

std::string TimeoutError(std::string_view time) {
  return "Timeout Error(" + std::string(time) + ")";
}

}  // namespace vm::logfmt
