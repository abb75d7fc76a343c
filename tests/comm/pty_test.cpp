// The port over a real pseudo-terminal pair: both directions at once through
// the threads and rings, the output-sent trigger, and opening and closing with
// data in flight without leaking threads, descriptors or memory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "comm/port/com_port.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "tests/support/comm/pty_peer.h"

namespace telvane {
namespace {

using test::PtyPeer;

std::uint8_t PatternByte(std::size_t i, unsigned seed) {
  return static_cast<std::uint8_t>((i * 131 + seed + (i >> 11)) & 0xFF);
}

int OpenDescriptors() {
  int n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

int ThreadsOfProcess() {
  std::ifstream in("/proc/self/status");
  std::string key;
  while (in >> key)
    if (key == "Threads:") {
      int n;
      in >> n;
      return n;
    }
  return -1;
}

TEST(PtyPort, AMegabyteEachWayAtOnceArrivesCompleteAndInOrder) {
  constexpr std::size_t kTotal = 1 << 20;
  PtyPeer peer;
  TApdComPort port;
  port.SetDevicePath(peer.SlavePath());
  port.SetInSize(8192);
  port.SetOutSize(8192);
  port.SetOpen(true);

  // Received bytes are checked as they arrive, on the dispatch thread.
  std::atomic<std::size_t> received{0};
  std::atomic<bool> receiveOrderOk{true};
  // The port's output side waits for room through an output-buffer-free trigger.
  std::mutex lock;
  std::condition_variable room;
  bool roomFired = false;
  int freeTrigger = port.AddStatusTrigger(stOutBuffFree);
  int sentTrigger = port.AddStatusTrigger(stOutSent);
  std::atomic<int> sentFired{0};
  std::atomic<int> usedWhenSent{-1};
  port.RegisterTriggerHandler([&](const TriggerMessage& m) {
    if (m.msg == kMsgTriggerAvail) {
      std::vector<std::uint8_t> buf(static_cast<std::size_t>(m.param));
      std::size_t n = port.Dispatcher()->GetBlock(buf.data(), buf.size());
      std::size_t at = received;
      for (std::size_t i = 0; i < n; ++i)
        if (buf[i] != PatternByte(at + i, 7)) receiveOrderOk = false;
      received += n;
    } else if (m.param == freeTrigger) {
      std::lock_guard g(lock);
      roomFired = true;
      room.notify_all();
    } else if (m.param == sentTrigger) {
      usedWhenSent = port.Dispatcher()->OutBuffUsed();
      ++sentFired;
    }
  });

  // The peer writes its megabyte and reads the port's, both at once.
  std::atomic<std::size_t> peerGot{0};
  bool peerOrderOk = true;
  std::thread peerThread([&] {
    std::vector<std::uint8_t> out(kTotal);
    for (std::size_t i = 0; i < kTotal; ++i) out[i] = PatternByte(i, 7);
    std::size_t sent = 0;
    std::vector<std::uint8_t> in(65536);
    while (sent < kTotal || peerGot < kTotal) {
      pollfd p{peer.Fd(), static_cast<short>(POLLIN | (sent < kTotal ? POLLOUT : 0)), 0};
      if (poll(&p, 1, 5000) <= 0) break;
      if ((p.revents & POLLOUT) && sent < kTotal) {
        ssize_t n = ::write(peer.Fd(), out.data() + sent, std::min<std::size_t>(kTotal - sent, 4096));
        if (n > 0) sent += static_cast<std::size_t>(n);
      }
      if (p.revents & POLLIN) {
        ssize_t n = ::read(peer.Fd(), in.data(), in.size());
        for (ssize_t i = 0; i < n; ++i)
          if (in[static_cast<std::size_t>(i)] != PatternByte(peerGot + static_cast<std::size_t>(i), 3))
            peerOrderOk = false;
        if (n > 0) peerGot += static_cast<std::size_t>(n);
      }
    }
  });

  std::vector<std::uint8_t> block(4096);
  std::size_t put = 0;
  while (put < kTotal) {
    std::size_t n = std::min<std::size_t>(block.size(), kTotal - put);
    if (port.OutBuffFree() >= static_cast<int>(n)) {
      for (std::size_t i = 0; i < n; ++i) block[i] = PatternByte(put + i, 3);
      port.PutBlock(block.data(), n);
      put += n;
      continue;
    }
    std::unique_lock g(lock);
    roomFired = false;
    port.SetStatusTrigger(freeTrigger, static_cast<std::uint32_t>(n), true);
    ASSERT_TRUE(room.wait_for(g, std::chrono::seconds(10), [&] { return roomFired; }));
  }
  port.SetStatusTrigger(sentTrigger, 0, true);
  peerThread.join();
  for (int i = 0; i < 1000 && (received < kTotal || sentFired == 0); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));

  EXPECT_EQ(peerGot.load(), kTotal);
  EXPECT_TRUE(peerOrderOk);
  EXPECT_EQ(received.load(), kTotal);
  EXPECT_TRUE(receiveOrderOk);
  EXPECT_EQ(sentFired.load(), 1);
  EXPECT_EQ(usedWhenSent.load(), 0);
}

TEST(PtyPort, ReopeningAThousandTimesWithDataInFlightLeaksNothing) {
  PtyPeer peer;
  TApdComPort port;
  port.SetDevicePath(peer.SlavePath());
  std::string chunk(3000, 'z');
  // One round first, so that one-time allocations are not counted.
  port.SetOpen(true);
  port.SetOpen(false);
  int fds = OpenDescriptors();
  int threads = ThreadsOfProcess();
  std::size_t heap = mallinfo2().uordblks;
  for (int i = 0; i < 1000; ++i) {
    port.SetOpen(true);
    port.AddTimerTrigger();
    port.AddDataTrigger("OK", true);
    port.PutString(chunk);
    if (::write(peer.Fd(), "RING\r\nOK\r\n", 10) < 0) FAIL();
    port.SetOpen(false);
    if (i % 8 == 0) peer.Drain();
  }
  EXPECT_EQ(OpenDescriptors(), fds);
  EXPECT_EQ(ThreadsOfProcess(), threads);
  // The heap may keep a little slack of its own, but not a dispatcher's worth
  // (16 KiB of rings) for every round.
  std::size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, heap + 64 * 1024) << "heap grew from " << heap << " to " << after;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TEST(PtyPort, AHungUpLineDoesNotKeepTheThreadsBusy) {
  PtyPeer peer;
  TApdComPort port;
  port.SetDevicePath(peer.SlavePath());
  port.SetOpen(true);
  port.PutString("ATA\r");
  peer.CloseMaster();
  port.PutString("more output for a line that is gone");
  double before = CpuSeconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  // A thread spinning on the hung-up device would burn the whole 400 ms.
  EXPECT_LT(CpuSeconds() - before, 0.15);
  EXPECT_EQ(port.OutBuffUsed(), 0);
  port.SetOpen(false);
}

TEST(PtyPort, LineSettingsReachTheTerminal) {
  PtyPeer peer;
  TApdComPort port;
  port.SetDevicePath(peer.SlavePath());
  port.SetBaud(9600);
  port.SetParity(pEven);
  port.SetDataBits(7);
  port.SetStopBits(2);
  port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  port.SetSWFlowOptions(swfBoth);
  port.SetXOnChar(0x11);
  port.SetXOffChar(0x13);
  port.SetOpen(true);
  // On the master side the terminal settings read back are the slave's. (A
  // pseudo-terminal always keeps 8 data bits without parity.)
  termios t{};
  ASSERT_EQ(tcgetattr(peer.Fd(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_TRUE(t.c_cflag & CRTSCTS);
  EXPECT_TRUE(t.c_iflag & IXON);
  EXPECT_TRUE(t.c_iflag & IXOFF);
  EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
  EXPECT_EQ(t.c_cc[VMIN], 0);
  // Changes on the open port apply at once.
  port.SetBaud(2400);
  port.SetStopBits(1);
  port.SetHWFlowOptions(0);
  ASSERT_EQ(tcgetattr(peer.Fd(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B2400));
  EXPECT_FALSE(t.c_cflag & CSTOPB);
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
  // A rate the terminal cannot take is refused.
  try {
    port.SetBaud(12345);
    FAIL() << "took an odd rate";
  } catch (const EAPDException& e) {
    EXPECT_EQ(e.ErrorCode(), ecBadArgument);
  }
}

TEST(PtyPort, ASecondOpenOfTheSameDeviceIsRefused) {
  PtyPeer peer;
  TApdComPort first, second;
  first.SetDevicePath(peer.SlavePath());
  second.SetDevicePath(peer.SlavePath());
  first.SetOpen(true);
  try {
    second.SetOpen(true);
    if (geteuid() != 0) FAIL() << "opened twice";
  } catch (const EPortOpenError& e) {
    EXPECT_EQ(e.ErrorCode(), -EBUSY);
  }
}

}  // namespace
}  // namespace telvane
