// The call state read-out's mapping from line call state bits.
#include <gtest/gtest.h>

#include "comm/tapi/call_state.h"

namespace telvane {
namespace {

TEST(CallState, EachStateBitMapsToItsPositionAnythingElseToFifteen) {
  for (int bit = 0; bit < 15; ++bit) EXPECT_EQ(CallStateOrdinal(1u << bit), bit);
  EXPECT_EQ(CallStateOrdinal(kLineCallConnected), 8);
  EXPECT_EQ(CallStateOrdinal(kLineCallDisconnected), 14);
  for (std::uint32_t other : {0u, 0x8000u, 0x80000000u, 3u, kLineCallConnected | kLineCallDisconnected, ~0u})
    EXPECT_EQ(CallStateOrdinal(other), 15) << other;
}

}  // namespace
}  // namespace telvane
