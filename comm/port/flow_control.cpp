// The flow-control threshold rule.
#include "comm/port/flow_control.h"

namespace telvane {
namespace {

void Apply(int inSize, int fullPercent, int resumePercent, FlowThresholds& t) {
  if (t.bufferFull == 0 || t.bufferFull > inSize) t.bufferFull = inSize * fullPercent / 100;
  if (t.bufferResume == 0 || t.bufferResume > t.bufferFull)
    t.bufferResume = inSize * resumePercent / 100;
}

}  // namespace

FlowThresholds EffectiveThresholds(int inSize, int bufferFull, int bufferResume,
                                   HWFlowOptionSet hw, TSWFlowOptions sw) {
  FlowThresholds t{bufferFull, bufferResume};
  if (hw != 0) Apply(inSize, 90, 10, t);
  if (sw != swfNone) Apply(inSize, 75, 25, t);
  return t;
}

int StoredBufferFull(int value, int inSize) { return value > inSize ? inSize * 90 / 100 : value; }

int StoredBufferResume(int value, int bufferFull) {
  return value > bufferFull ? bufferFull * 10 / 100 : value;
}

}  // namespace telvane
