// Throughput of the serial port over a pseudo-terminal pair against a plain
// read/write loop on the same kind of pair, both in one run, and the CPU an
// idle open port uses.
//
//   port_bench [MiB per direction, default 32]
//
// Both directions run at once. CPU is the whole process (both ends), per MiB
// moved in total.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "comm/port/com_port.h"
#include "comm/port/pty.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Pty {
  int master = -1;
  std::string slave;
  Pty() {
    master = telvane::OpenPtyMaster(slave);
    if (master < 0) std::abort();
  }
  ~Pty() { ::close(master); }
};

// Writes `total` bytes to fd and reads `total` bytes from it, both at once.
void Shuttle(int fd, std::size_t total) {
  std::vector<char> out(65536, 'm'), in(65536);
  std::size_t sent = 0, got = 0;
  while (sent < total || got < total) {
    pollfd p{fd, static_cast<short>((got < total ? POLLIN : 0) | (sent < total ? POLLOUT : 0)), 0};
    if (poll(&p, 1, 10000) <= 0) {
      std::fprintf(stderr, "port_bench: transfer stalled\n");
      std::exit(1);
    }
    if ((p.revents & POLLOUT) && sent < total) {
      ssize_t n = ::write(fd, out.data(), std::min(out.size(), total - sent));
      if (n > 0) sent += static_cast<std::size_t>(n);
    }
    if (p.revents & POLLIN) {
      ssize_t n = ::read(fd, in.data(), in.size());
      if (n > 0) got += static_cast<std::size_t>(n);
    }
  }
}

struct Result {
  double seconds;
  double cpu;
};

Result PlainLoop(std::size_t total) {
  Pty pty;
  int slave = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios t{};
  tcgetattr(slave, &t);
  cfmakeraw(&t);
  tcsetattr(slave, TCSANOW, &t);
  double cpu0 = CpuSeconds();
  auto t0 = Clock::now();
  std::thread peer([&] { Shuttle(pty.master, total); });
  Shuttle(slave, total);
  peer.join();
  Result r{std::chrono::duration<double>(Clock::now() - t0).count(), CpuSeconds() - cpu0};
  ::close(slave);
  return r;
}

Result ThroughPort(std::size_t total) {
  using namespace telvane;
  Pty pty;
  TApdComPort port;
  port.SetDevicePath(pty.slave);
  port.SetInSize(8192);
  port.SetOutSize(8192);
  port.SetOpen(true);
  std::mutex lock;
  std::condition_variable changed;
  bool room = false;
  std::atomic<std::size_t> received{0};
  int freeTrigger = port.AddStatusTrigger(stOutBuffFree);
  std::vector<char> in(kInputRingSize);
  port.RegisterTriggerHandler([&](const TriggerMessage& m) {
    if (m.msg == kMsgTriggerAvail) {
      received += port.Dispatcher()->GetBlock(in.data(), in.size());
    } else if (m.param == freeTrigger) {
      std::lock_guard g(lock);
      room = true;
      changed.notify_all();
    }
  });
  std::vector<char> block(4096, 'p');
  double cpu0 = CpuSeconds();
  auto t0 = Clock::now();
  std::thread peer([&] { Shuttle(pty.master, total); });
  std::size_t put = 0;
  while (put < total) {
    std::size_t n = std::min(block.size(), total - put);
    if (port.OutBuffFree() >= static_cast<int>(n)) {
      port.PutBlock(block.data(), n);
      put += n;
      continue;
    }
    std::unique_lock g(lock);
    room = false;
    port.SetStatusTrigger(freeTrigger, static_cast<std::uint32_t>(n), true);
    changed.wait(g, [&] { return room; });
  }
  peer.join();
  while (received < total) std::this_thread::sleep_for(std::chrono::microseconds(200));
  return {std::chrono::duration<double>(Clock::now() - t0).count(), CpuSeconds() - cpu0};
}

double IdleCpuPercent(double seconds) {
  Pty pty;
  telvane::TApdComPort port;
  port.SetDevicePath(pty.slave);
  port.SetOpen(true);
  port.AddTimerTrigger();
  double cpu0 = CpuSeconds();
  auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  return 100.0 * (CpuSeconds() - cpu0) / wall;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 32;
  if (mib == 0) {
    std::fprintf(stderr, "usage: port_bench [MiB per direction]\n");
    return 2;
  }
  std::size_t total = mib << 20;
  double moved = 2.0 * static_cast<double>(mib);  // MiB, both directions

  Result plain = PlainLoop(total);
  Result port = ThroughPort(total);
  double plainRate = moved / plain.seconds;
  double portRate = moved / port.seconds;
  std::printf("%zu MiB each way over a pseudo-terminal pair, both directions at once\n", mib);
  std::printf("plain read/write loop: %8.1f MiB/s  %6.2f ms CPU per MiB\n", plainRate,
              1000.0 * plain.cpu / moved);
  std::printf("through the port:      %8.1f MiB/s  %6.2f ms CPU per MiB\n", portRate,
              1000.0 * port.cpu / moved);
  std::printf("throughput ratio port/plain: %.2f\n", portRate / plainRate);
  std::printf("idle open port: %.2f %% of one core\n", IdleCpuPercent(3.0));
  return 0;
}
