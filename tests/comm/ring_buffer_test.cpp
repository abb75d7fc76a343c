// The byte ring under the port's input and output buffers.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "comm/port/ring_buffer.h"

namespace telvane {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t first = 0) {
  std::vector<std::uint8_t> v(n);
  std::iota(v.begin(), v.end(), first);
  return v;
}

TEST(RingBuffer, FullAndEmptyAreToldApartWhenHeadMeetsTail) {
  RingBuffer r(8);
  EXPECT_TRUE(r.Empty());
  EXPECT_FALSE(r.Full());
  auto b = Bytes(8);
  EXPECT_EQ(r.Put(b.data(), 8), 8u);
  EXPECT_TRUE(r.Full());
  EXPECT_EQ(r.Used(), 8u);
  EXPECT_EQ(r.Free(), 0u);
  // No room: nothing more is taken.
  EXPECT_EQ(r.Put(b.data(), 1), 0u);
  r.Discard(8);
  EXPECT_TRUE(r.Empty());
  EXPECT_FALSE(r.Full());
}

TEST(RingBuffer, WrapsAtTheEndAndKeepsOrder) {
  RingBuffer r(8);
  auto b = Bytes(6);
  r.Put(b.data(), 6);
  r.Discard(4);  // tail at 4, two bytes waiting
  auto c = Bytes(6, 100);
  EXPECT_EQ(r.Put(c.data(), 6), 6u);  // wraps: 4 at the end, 2 at the start
  EXPECT_TRUE(r.Full());
  std::vector<std::uint8_t> out(8);
  EXPECT_EQ(r.Peek(0, out.data(), 8), 8u);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{4, 5, 100, 101, 102, 103, 104, 105}));
  // The run up to the end of the storage, then the rest after the wrap.
  EXPECT_EQ(r.ContiguousUsed(), 4u);
  r.Discard(4);
  EXPECT_EQ(r.ContiguousUsed(), 4u);
  EXPECT_EQ(*r.TailPtr(), 102);
}

TEST(RingBuffer, PartialPutTakesWhatFits) {
  RingBuffer r(5);
  auto b = Bytes(7);
  EXPECT_EQ(r.Put(b.data(), 7), 5u);
  EXPECT_TRUE(r.Full());
}

TEST(RingBuffer, PeekAtAnOffsetDoesNotConsume) {
  RingBuffer r(8);
  auto b = Bytes(5, 10);
  r.Put(b.data(), 5);
  std::uint8_t out[8];
  EXPECT_EQ(r.Peek(3, out, 8), 2u);
  EXPECT_EQ(out[0], 13);
  EXPECT_EQ(out[1], 14);
  EXPECT_EQ(r.Peek(5, out, 1), 0u);
  EXPECT_EQ(r.Used(), 5u);
}

TEST(RingBuffer, EmptiedRingRestartsAtTheBeginning) {
  RingBuffer r(8);
  auto b = Bytes(6);
  r.Put(b.data(), 6);
  r.Discard(6);
  // Had the ring not restarted at 0, these 8 bytes would wrap.
  auto c = Bytes(8);
  r.Put(c.data(), 8);
  EXPECT_EQ(r.ContiguousUsed(), 8u);
}

TEST(RingBuffer, DiscardingMoreThanWaitingEmptiesIt) {
  RingBuffer r(4);
  auto b = Bytes(3);
  r.Put(b.data(), 3);
  r.Discard(10);
  EXPECT_TRUE(r.Empty());
  EXPECT_EQ(r.Free(), 4u);
}

}  // namespace
}  // namespace telvane
