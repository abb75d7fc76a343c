// The call state read-out's mapping from line call state bits.
#include <gtest/gtest.h>

#include "call_state.h"

namespace telvane {
namespace {

TEST(CallState, EachStateBitMapsToItsOrdinal) {
  const std::uint32_t bits[] = {
      kLineCallIdle,      kLineCallOffering,       kLineCallAccepted,          kLineCallDialTone,
      kLineCallDialing,   kLineCallRingback,       kLineCallBusy,              kLineCallSpecialInfo,
      kLineCallConnected, kLineCallProceeding,     kLineCallOnHold,            kLineCallConferenced,
      kLineCallOnHoldPendConf, kLineCallOnHoldPendTransfer, kLineCallDisconnected};
  for (int i = 0; i < 15; ++i) EXPECT_EQ(CallStateOrdinal(bits[i]), i) << "bit " << bits[i];
  EXPECT_EQ(CallStateOrdinal(256), 8);
  EXPECT_EQ(CallStateOrdinal(16384), 14);
}

TEST(CallState, AnythingElseIsFifteen) {
  EXPECT_EQ(CallStateOrdinal(0), 15);
  EXPECT_EQ(CallStateOrdinal(0x8000), 15);           // the next bit up
  EXPECT_EQ(CallStateOrdinal(0x80000000u), 15);
  EXPECT_EQ(CallStateOrdinal(3), 15);                // two states at once
  EXPECT_EQ(CallStateOrdinal(kLineCallConnected | kLineCallDisconnected), 15);
  EXPECT_EQ(CallStateOrdinal(0xFFFFFFFFu), 15);
}

}  // namespace
}  // namespace telvane
