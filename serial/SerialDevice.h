#pragma once
// The thin platform layer under TVMComPort: one open serial device. This
// build carries the POSIX implementation (termios, poll, FIONREAD, tcflush);
// another platform supplies the same few operations.
#include <memory>
#include <string>

#include "serial/core/PortLock.h"

namespace vm::serial {

enum class Handshake { None, Hardware, AssertAll };
enum class Parity { None, Even, Odd };

class SerialDevice {
 public:
  // Opens `path` for reading and writing, exclusively, without becoming the
  // process's controlling terminal and without waiting for carrier, and
  // holds the port's lock file while open. Null on failure with the system's
  // error number in *err (EBUSY when another live process holds the lock
  // file, its id then in *lockOwner).
  static std::unique_ptr<SerialDevice> Open(const std::string &path, int *err, int *lockOwner = nullptr);
  ~SerialDevice();
  SerialDevice(const SerialDevice &) = delete;
  SerialDevice &operator=(const SerialDevice &) = delete;

  // Raw 8-bit transfer at `baud` with `parity`, 1 stop bit, and the modem
  // lines / flow control of `hs`. False when the line settings could not be
  // read or written.
  bool Configure(int baud, Parity parity, Handshake hs);
  // The line settings can be read (it is a serial device).
  bool HasLineSettings() const;
  // Bytes waiting in the receive queue; -1 on failure.
  int BytesWaiting() const;
  // Reads up to n waiting bytes without blocking: the count read, 0 when none
  // is waiting, -1 on a hard error (errno set).
  int Read(char *buf, int n);
  // Writes all n bytes, waiting for room at most `timeoutMs`: the count
  // written, -1 on a hard error before anything was written.
  int Write(const char *buf, int n, int timeoutMs);
  // Discards pending input and output.
  void Flush();

  enum class Wait { Readable, Timeout, HangUp };
  // Sleeps until bytes arrive, the line hangs up, or timeoutUs passes.
  Wait WaitReadable(int timeoutUs);

  // True after an error meaning the device is gone (hang-up, removal).
  static bool IsHardError(int err);

 private:
  explicit SerialDevice(int fd) : fd_(fd) {}
  int fd_ = -1;
  PortLock lock_;  // released after the descriptor is closed
};

}  // namespace vm::serial
