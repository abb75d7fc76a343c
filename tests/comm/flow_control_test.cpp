// The fill levels at which the port throttles and releases the remote.
#include <gtest/gtest.h>

#include "comm/port/flow_control.h"

namespace telvane {
namespace {

TEST(FlowThresholds, HardwareFlowOnAn8192ByteBufferGives7372And819) {
  FlowThresholds t = EffectiveThresholds(8192, 0, 0, hwfUseRTS | hwfRequireCTS, swfNone);
  EXPECT_EQ(t.bufferFull, 7372);
  EXPECT_EQ(t.bufferResume, 819);
}

TEST(FlowThresholds, SoftwareFlowUsesThreeQuartersAndOneQuarter) {
  FlowThresholds t = EffectiveThresholds(4096, 0, 0, 0, swfBoth);
  EXPECT_EQ(t.bufferFull, 3072);
  EXPECT_EQ(t.bufferResume, 1024);
}

TEST(FlowThresholds, GivenLevelsAreKeptWhenTheyFit) {
  FlowThresholds t = EffectiveThresholds(4096, 3000, 500, hwfUseDTR, swfNone);
  EXPECT_EQ(t.bufferFull, 3000);
  EXPECT_EQ(t.bufferResume, 500);
}

TEST(FlowThresholds, LevelsOutOfRangeAreReplaced) {
  // BufferFull above InSize, and a resume level above the full level.
  FlowThresholds t = EffectiveThresholds(1000, 5000, 0, hwfRequireCTS, swfNone);
  EXPECT_EQ(t.bufferFull, 900);
  EXPECT_EQ(t.bufferResume, 100);
  t = EffectiveThresholds(1000, 800, 850, hwfRequireCTS, swfNone);
  EXPECT_EQ(t.bufferFull, 800);
  EXPECT_EQ(t.bufferResume, 100);
}

TEST(FlowThresholds, WithoutFlowControlNothingIsComputed) {
  FlowThresholds t = EffectiveThresholds(8192, 0, 0, 0, swfNone);
  EXPECT_EQ(t.bufferFull, 0);
  EXPECT_EQ(t.bufferResume, 0);
}

TEST(FlowThresholds, SettersStoreReplacementsForLevelsTooHigh) {
  EXPECT_EQ(StoredBufferFull(9000, 8192), 7372);
  EXPECT_EQ(StoredBufferFull(8192, 8192), 8192);
  EXPECT_EQ(StoredBufferResume(8000, 7372), 737);
  EXPECT_EQ(StoredBufferResume(700, 7372), 700);
}

}  // namespace
}  // namespace telvane
