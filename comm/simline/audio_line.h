// One direction of the simulated telephone line: blocks of 16-bit linear
// samples at 8000 per second go in at one end and come out at the other after
// a fixed delay, with optional noise added, and can be cut (the call dropped)
// or have one transmission garbled (a refused training check).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

struct noise_state_s;

namespace telvane {

inline constexpr int kLineSampleRate = 8000;
inline constexpr int kLineBlock = 160;  // 20 ms: the block every end works in

class AudioDirection {
 public:
  // delayMs: one-way delay of the line (a real call has tens of ms; a DTE
  // that waits for silence before answering needs some). noiseDbm0: level of
  // white noise added to everything that passes, none when empty.
  AudioDirection(int delayMs, std::optional<double> noiseDbm0, int seed);
  ~AudioDirection();
  AudioDirection(const AudioDirection&) = delete;
  AudioDirection& operator=(const AudioDirection&) = delete;

  // Puts n samples in at the sending end and takes n out at the receiving end.
  // While the line is not connected, silence comes out and what goes in is lost.
  void Pass(const int16_t* in, int16_t* out, int n, bool connected);

  // Refused training: the next transmission is let through for passMs (so
  // that the receiver trains on it) and then drowned in noise as loud as the
  // signal until it ends. The receiver keeps the carrier but finds far too
  // short a run of zero bits and answers FTT when the sender stops. Without afterSignal the next sound is that
  // transmission (armed by the DTE's command, once the sender is quiet); with
  // it, a signal (the DCS burst) and a quiet gap (T.30's 75 ms) come first.
  void ArmGarble(int passMs, bool afterSignal);

  // Empties the delay line (a new call starts with a quiet line).
  void Clear();

 private:
  enum class Cut { kIdle, kWaitSignal, kWaitGap, kWaitStart, kPassing, kGarbling };
  void StepCut(int16_t* samples, int n);

  std::deque<int16_t> delay_;
  int delaySamples_;
  noise_state_s* noise_ = nullptr;
  noise_state_s* garble_ = nullptr;
  Cut cut_ = Cut::kIdle;
  int passSamples_ = 0;
  int quietRun_ = 0;
  int left_ = 0;
};

}  // namespace telvane
