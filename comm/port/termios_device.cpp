// The POSIX termios backend of the device layer: serial ports, USB serial
// adapters and pseudo-terminals.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <linux/serial.h>

#include <cerrno>

#include "base/error_codes.h"
#include "comm/port/serial_device.h"

namespace telvane {
namespace {

int Fail() { return ErrnoToCode(errno); }

speed_t SpeedOf(int baud) {
  switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return 0;
  }
}

class TermiosDevice : public ISerialDevice {
 public:
  ~TermiosDevice() override { Close(); }

  int Open(const std::string& path) override {
    Close();
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return Fail();
    // Exclusive: a second open of the same device by anyone but root fails.
    if (ioctl(fd_, TIOCEXCL) < 0 || !isatty(fd_)) {
      int rc = isatty(fd_) ? Fail() : ErrnoToCode(ENOTTY);
      Close();
      return rc;
    }
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
      Close();
      return ecOutOfMemory;
    }
    return ecOK;
  }

  void Close() override {
    if (fd_ >= 0) ::close(fd_);
    if (wake_ >= 0) ::close(wake_);
    fd_ = wake_ = -1;
  }

  int Configure(const LineSettings& s) override {
    termios t{};
    if (tcgetattr(fd_, &t) < 0) return Fail();
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    switch (s.dataBits) {
      case 5: t.c_cflag |= CS5; break;
      case 6: t.c_cflag |= CS6; break;
      case 7: t.c_cflag |= CS7; break;
      case 8: t.c_cflag |= CS8; break;
      default: return ecBadArgument;
    }
    switch (s.parity) {
      case pNone: break;
      case pOdd: t.c_cflag |= PARENB | PARODD; break;
      case pEven: t.c_cflag |= PARENB; break;
      case pMark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
      case pSpace: t.c_cflag |= PARENB | CMSPAR; break;
    }
    if (s.stopBits == 2)
      t.c_cflag |= CSTOPB;
    else if (s.stopBits != 1)
      return ecBadArgument;
    if (s.rtsCts) t.c_cflag |= CRTSCTS;
    // Parity is not checked; breaks and framing errors are counted by the
    // driver (TIOCGICOUNT) instead of showing up as NUL bytes in the data.
    t.c_iflag &= ~(INPCK | PARMRK | IXON | IXOFF | IXANY);
    t.c_iflag |= IGNPAR | IGNBRK;
    if (s.xonXoffOut) t.c_iflag |= IXON;
    if (s.xonXoffIn) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    // Reads return at once with what is there.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (s.baud != 0) {
      speed_t speed = SpeedOf(s.baud);
      if (speed == 0) return ecBadArgument;
      cfsetispeed(&t, speed);
      cfsetospeed(&t, speed);
    }
    if (tcsetattr(fd_, TCSANOW, &t) < 0) return Fail();
    return ecOK;
  }

  int Read(std::uint8_t* buf, std::size_t n) override {
    for (;;) {
      ssize_t got = ::read(fd_, buf, n);
      if (got >= 0) return static_cast<int>(got);
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return 0;
      return Fail();
    }
  }

  int Write(const std::uint8_t* buf, std::size_t n) override {
    for (;;) {
      ssize_t put = ::write(fd_, buf, n);
      if (put >= 0) return static_cast<int>(put);
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return 0;
      return Fail();
    }
  }

  int WaitReadable(int timeoutMs) override { return Wait(POLLIN, timeoutMs); }
  int WaitWritable(int timeoutMs) override { return Wait(POLLOUT, timeoutMs); }

  void Interrupt() override {
    std::uint64_t one = 1;
    if (wake_ >= 0) (void)!::write(wake_, &one, sizeof one);
  }

  int GetModemLines(std::uint8_t& lines) override {
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) < 0)
      return errno == ENOTTY || errno == EINVAL ? ecNotSupportedByLayer : Fail();
    lines = 0;
    if (bits & TIOCM_CTS) lines |= msrCTS;
    if (bits & TIOCM_DSR) lines |= msrDSR;
    if (bits & TIOCM_RI) lines |= msrRI;
    if (bits & TIOCM_CD) lines |= msrDCD;
    return ecOK;
  }

  int GetCounters(LineCounters& c) override {
    serial_icounter_struct ic{};
    if (ioctl(fd_, TIOCGICOUNT, &ic) < 0)
      return errno == ENOTTY || errno == EINVAL ? ecNotSupportedByLayer : Fail();
    c.cts = static_cast<std::uint32_t>(ic.cts);
    c.dsr = static_cast<std::uint32_t>(ic.dsr);
    c.ring = static_cast<std::uint32_t>(ic.rng);
    c.dcd = static_cast<std::uint32_t>(ic.dcd);
    c.framing = static_cast<std::uint32_t>(ic.frame);
    c.overrun = static_cast<std::uint32_t>(ic.overrun + ic.buf_overrun);
    c.parity = static_cast<std::uint32_t>(ic.parity);
    c.breaks = static_cast<std::uint32_t>(ic.brk);
    return ecOK;
  }

  int SetDTR(bool on) override { return SetLine(TIOCM_DTR, on); }
  int SetRTS(bool on) override { return SetLine(TIOCM_RTS, on); }

  int SetBreak(bool on) override {
    if (ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) < 0) return Fail();
    return ecOK;
  }

  int Flush(bool input, bool output) override {
    int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    if ((input || output) && tcflush(fd_, which) < 0) return Fail();
    return ecOK;
  }

  int OutQueueBytes() override {
    int n = 0;
    if (ioctl(fd_, TIOCOUTQ, &n) < 0) return 0;
    return n;
  }

 private:
  int SetLine(int bit, bool on) {
    if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) < 0)
      return errno == ENOTTY || errno == EINVAL ? ecOK : Fail();  // no modem lines
    return ecOK;
  }

  int Wait(short what, int timeoutMs) {
    pollfd fds[2] = {{fd_, what, 0}, {wake_, POLLIN, 0}};
    for (;;) {
      int rc = ::poll(fds, 2, timeoutMs);
      if (rc < 0 && errno == EINTR) continue;
      if (rc < 0) return Fail();
      if (fds[1].revents) return 0;
      // A hung-up line stays "readable" for ever (reads return end of file),
      // so the hang-up is reported first; whatever is still buffered is read
      // by the caller all the same.
      if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return ErrnoToCode(EIO);
      if (fds[0].revents & what) return 1;
      return 0;
    }
  }

  int fd_ = -1;
  int wake_ = -1;
};

}  // namespace

std::unique_ptr<ISerialDevice> MakeTermiosDevice() { return std::make_unique<TermiosDevice>(); }

}  // namespace telvane
