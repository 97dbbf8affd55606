#pragma once
// The open communication log. Every line goes to disk as soon as it is
// written, so a hang or a crash keeps the lines a user needs most: the last.
#include <cstdio>
#include <string>
#include <string_view>

namespace vm {

class LogFile {
public:
  LogFile() = default;
  LogFile(const LogFile &) = delete;
  LogFile &operator=(const LogFile &) = delete;
  ~LogFile();

  // Creates (or empties) the file. False when it cannot be created.
  bool Create(const std::string &path);
  // Appends `line` + CR LF and flushes it. False on any write error; the
  // reason is then in LastError().
  bool WriteLine(std::string_view line);
  void Close();
  bool IsOpen() const { return f_ != nullptr; }
  const std::string &LastError() const { return error_; }

private:
  std::FILE *f_ = nullptr;
  std::string error_;
};

}  // namespace vm
