#include "link/core/LogFile.h"

#include <cerrno>
#include <cstring>

namespace vm {

LogFile::~LogFile() { Close(); }

bool LogFile::Create(const std::string &path) {
  Close();
  error_.clear();
  f_ = std::fopen(path.c_str(), "wb");
  if (!f_) {
    error_ = std::strerror(errno);
    return false;
  }
  return true;
}

bool LogFile::WriteLine(std::string_view line) {
  if (!f_) {
    error_ = "log file not open";
    return false;
  }
  errno = 0;
  bool ok = std::fwrite(line.data(), 1, line.size(), f_) == line.size() &&
            std::fwrite("\r\n", 1, 2, f_) == 2 && std::fflush(f_) == 0;
  if (!ok) {
    error_ = errno ? std::strerror(errno) : "write failed";
    std::clearerr(f_);
  }
  return ok;
}

void LogFile::Close() {
  if (f_) std::fclose(f_);
  f_ = nullptr;
}

}  // namespace vm
