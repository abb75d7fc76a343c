// Flow-control options and the rule that turns them into the input fill
// levels at which the remote is throttled and released.
#pragma once

namespace telvane {

// HWFlowOptionSet is a set of these bits.
enum HWFlowOption : unsigned {
  hwfUseDTR = 0x01,      // lower DTR to throttle the remote
  hwfUseRTS = 0x02,      // lower RTS to throttle the remote
  hwfRequireDSR = 0x04,  // send only while DSR is up
  hwfRequireCTS = 0x08,  // send only while CTS is up
};
using HWFlowOptionSet = unsigned;

enum TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };

struct FlowThresholds {
  int bufferFull = 0;
  int bufferResume = 0;
};

// The levels used while the port is open. Hardware flow: BufferFull 0 or above
// InSize becomes 90 % of InSize, BufferResume 0 or above BufferFull becomes
// 10 % of InSize. Software flow: the same with 75 % and 25 %. Without flow
// control the values are kept as given.
FlowThresholds EffectiveThresholds(int inSize, int bufferFull, int bufferResume,
                                   HWFlowOptionSet hw, TSWFlowOptions sw);

// What the BufferFull and BufferResume setters store: a BufferFull above
// InSize becomes 90 % of InSize; a BufferResume above BufferFull becomes 10 %
// of BufferFull.
int StoredBufferFull(int value, int inSize);
int StoredBufferResume(int value, int bufferFull);

}  // namespace telvane
