// One direction of the simulated line: delay, noise and the garbling of a
// refused training check.
#include "comm/simline/audio_line.h"

#include <algorithm>

#define SPANDSP_EXPOSE_INTERNAL_STRUCTURES
#include <spandsp.h>

namespace telvane {
namespace {
// A gap of this much exact silence separates two transmissions: T.30 puts
// 75 ms between a DCS and its TCF, and every modem sends zeros when idle.
constexpr int kGapSamples = 40 * kLineSampleRate / 1000;
}  // namespace

AudioDirection::AudioDirection(int delayMs, std::optional<double> noiseDbm0, int seed)
    : delaySamples_(std::max(0, delayMs) * kLineSampleRate / 1000) {
  if (noiseDbm0) noise_ = noise_init_dbm0(nullptr, seed, static_cast<float>(*noiseDbm0), NOISE_CLASS_AWGN, 7);
  // About the level of a fax modem's own signal.
  garble_ = noise_init_dbm0(nullptr, seed + 1, -12.0f, NOISE_CLASS_AWGN, 7);
  Clear();
}

AudioDirection::~AudioDirection() {
  if (noise_) noise_free(noise_);
  noise_free(garble_);
}

void AudioDirection::Clear() {
  delay_.assign(static_cast<size_t>(delaySamples_), 0);
}

void AudioDirection::ArmGarble(int passMs, bool afterSignal) {
  passSamples_ = passMs * kLineSampleRate / 1000;
  cut_ = afterSignal ? Cut::kWaitSignal : Cut::kWaitStart;
  quietRun_ = 0;
}

void AudioDirection::StepCut(int16_t* samples, int n) {
  for (int i = 0; i < n && cut_ != Cut::kIdle; ++i) {
    // The sender's own quiet, counted before any muting.
    const bool quiet = samples[i] == 0;
    quietRun_ = quiet ? quietRun_ + 1 : 0;
    switch (cut_) {
      case Cut::kIdle:
        break;
      case Cut::kWaitSignal:
        if (!quiet) cut_ = Cut::kWaitGap;
        break;
      case Cut::kWaitGap:
        if (quietRun_ >= kGapSamples) cut_ = Cut::kWaitStart;
        break;
      case Cut::kWaitStart:
        if (!quiet) {
          cut_ = Cut::kPassing;
          left_ = passSamples_;
        }
        break;
      case Cut::kPassing:
        if (--left_ <= 0) cut_ = Cut::kGarbling;
        break;
      case Cut::kGarbling:
        // Loud noise over the signal: the receiver's carrier stays up (so it
        // answers only once the sender stops) and its bits turn to garbage.
        samples[i] = static_cast<int16_t>(std::clamp(samples[i] + noise(garble_), -32768, 32767));
        // The cut ends with the transmission: once the sender is quiet.
        if (quietRun_ >= kGapSamples) cut_ = Cut::kIdle;
        break;
    }
  }
}

void AudioDirection::Pass(const int16_t* in, int16_t* out, int n, bool connected) {
  std::vector<int16_t> block(in, in + n);
  if (!connected) std::fill(block.begin(), block.end(), 0);
  StepCut(block.data(), n);
  for (int16_t s : block) delay_.push_back(s);
  for (int i = 0; i < n; ++i) {
    int sample = delay_.front();
    delay_.pop_front();
    if (noise_ && connected) sample += noise(noise_);
    out[i] = static_cast<int16_t>(std::clamp(sample, -32768, 32767));
  }
}

}  // namespace telvane
