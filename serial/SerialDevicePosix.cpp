// POSIX serial devices: termios for the line, poll for waiting, FIONREAD for
// the receive count. Used on Linux for real UARTs, USB adapters and
// pseudo-terminals alike.
#if !defined(_WIN32)
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "serial/SerialDevice.h"

namespace vm::serial {

namespace {

speed_t SpeedFor(int baud) {
  switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
#ifdef B460800
    case 460800: return B460800;
#endif
#ifdef B500000
    case 500000: return B500000;
#endif
#ifdef B576000
    case 576000: return B576000;
#endif
#ifdef B921600
    case 921600: return B921600;
#endif
#ifdef B1000000
    case 1000000: return B1000000;
#endif
#ifdef B1152000
    case 1152000: return B1152000;
#endif
#ifdef B1500000
    case 1500000: return B1500000;
#endif
#ifdef B2000000
    case 2000000: return B2000000;
#endif
#ifdef B3000000
    case 3000000: return B3000000;
#endif
#ifdef B4000000
    case 4000000: return B4000000;
#endif
    default: return B0;
  }
}

}  // namespace

std::unique_ptr<SerialDevice> SerialDevice::Open(const std::string &path, int *err, int *lockOwner) {
  // The lock file first, as other serial programs do: a port another program
  // has locked is not even opened (opening can toggle its modem lines).
  PortLock lock;
  if (!lock.Take(path, LockDirs(), lockOwner)) {
    if (err) *err = EBUSY;
    return nullptr;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (err) *err = errno;
    return nullptr;
  }
  // Exclusive use: an advisory lock that other serial programs honour, and
  // the tty's own exclusive mode for everyone else.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    ::close(fd);
    if (err) *err = EBUSY;
    return nullptr;
  }
  ::ioctl(fd, TIOCEXCL);
  if (err) *err = 0;
  std::unique_ptr<SerialDevice> dev(new SerialDevice(fd));
  dev->lock_ = std::move(lock);
  return dev;
}

SerialDevice::~SerialDevice() {
  if (fd_ < 0) return;
  // The exclusive mode belongs to the tty, not to this descriptor: drop it,
  // or the next open (ours included) could be refused.
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
}

bool SerialDevice::Configure(int baud, Parity parity, Handshake hs) {
  termios t{};
  if (::tcgetattr(fd_, &t) != 0) return false;
  t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
  t.c_cflag |= CS8 | CREAD | CLOCAL;
  if (parity == Parity::Even) t.c_cflag |= PARENB;
  if (parity == Parity::Odd) t.c_cflag |= PARENB | PARODD;
  // The driver has no RTS toggle mode; hardware handshake is RTS/CTS flow control.
  if (hs == Handshake::Hardware) t.c_cflag |= CRTSCTS;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  bool ok = true;
  const speed_t sp = SpeedFor(baud);
  if (sp != B0) {
    ::cfsetispeed(&t, sp);
    ::cfsetospeed(&t, sp);
  } else {
    ok = false;  // a rate the driver cannot be given: the line keeps its speed
  }
  if (::tcsetattr(fd_, TCSANOW, &t) != 0) ok = false;

  // Modem lines. Pseudo-terminals have none; failing here is no error.
  int dtrRts = TIOCM_DTR | TIOCM_RTS;
  switch (hs) {
    case Handshake::None:
      ::ioctl(fd_, TIOCMBIC, &dtrRts);
      break;
    case Handshake::Hardware: {
      int dtr = TIOCM_DTR;
      ::ioctl(fd_, TIOCMBIC, &dtr);
      break;
    }
    case Handshake::AssertAll:
      ::ioctl(fd_, TIOCMBIS, &dtrRts);
      break;
  }
  return ok;
}

bool SerialDevice::HasLineSettings() const {
  termios t{};
  return ::tcgetattr(fd_, &t) == 0;
}

int SerialDevice::BytesWaiting() const {
  int n = 0;
  if (::ioctl(fd_, FIONREAD, &n) != 0) return -1;
  return n < 0 ? 0 : n;
}

int SerialDevice::Read(char *buf, int n) {
  if (n <= 0) return 0;
  for (;;) {
    ssize_t r = ::read(fd_, buf, size_t(n));
    if (r >= 0) {
      // A tty reports end of file only after a hang-up.
      if (r == 0) {
        errno = EIO;
        return -1;
      }
      return int(r);
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return 0;
    return -1;
  }
}

int SerialDevice::Write(const char *buf, int n, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int done = 0;
  while (done < n) {
    ssize_t w = ::write(fd_, buf + done, size_t(n - done));
    if (w > 0) {
      done += int(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN) return done > 0 ? done : -1;
    // No room in the driver's queue (flow control, slow line): wait for it.
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd_, POLLOUT, 0};
    int r = ::poll(&p, 1, int(left));
    if (r < 0 && errno != EINTR) break;
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(p.revents & POLLOUT)) {
      errno = EIO;
      return done > 0 ? done : -1;
    }
  }
  return done;
}

void SerialDevice::Flush() { ::tcflush(fd_, TCIOFLUSH); }

SerialDevice::Wait SerialDevice::WaitReadable(int timeoutUs) {
  pollfd p{fd_, POLLIN, 0};
#if defined(__linux__)
  timespec ts{timeoutUs / 1000000, long(timeoutUs % 1000000) * 1000};
  int r = ::ppoll(&p, 1, &ts, nullptr);
#else
  int r = ::poll(&p, 1, (timeoutUs + 999) / 1000);
#endif
  if (r <= 0) return Wait::Timeout;
  if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return Wait::HangUp;
  return Wait::Readable;
}

bool SerialDevice::IsHardError(int err) {
  return err == EIO || err == ENXIO || err == ENODEV || err == EBADF || err == EPIPE;
}

}  // namespace vm::serial
#endif  // !_WIN32
