// Finding RTC in received page data.
#include "faxdoc/t4_rtc.h"

namespace telvane {

bool RtcFinder::Take(std::uint8_t byte, std::uint8_t& kept) {
  kept = byte;
  if (ended_) return false;
  for (int i = 0; i < 8; ++i) {
    if (tagNext_) {
      // The tag after an EOL: 1 lets the EOL count towards RTC, 0 starts a
      // two-dimensionally coded line (which is no part of RTC).
      tagNext_ = false;
      if (!(byte & (1u << i))) {
        if (found_) {
          ended_ = true;
          kept = static_cast<std::uint8_t>(byte & ((1u << i) - 1));
          return true;
        }
        eols_ = 0;
        continue;
      }
      if (++eols_ == kRtcEols) found_ = true;
      continue;
    }
    if (!(byte & (1u << i))) {
      if (zeros_ < kEolZeros) ++zeros_;
      continue;
    }
    // A 1 after eleven zeros ends an EOL; any other 1 is part of a code.
    const bool eol = zeros_ >= kEolZeros;
    zeros_ = 0;
    if (found_ && !eol) {
      // Not a code of this page: what the demodulator made of the line.
      ended_ = true;
      kept = static_cast<std::uint8_t>(byte & ((1u << i) - 1));
      return true;
    }
    if (eol && twoDim_) {
      tagNext_ = true;
      continue;
    }
    eols_ = eol ? eols_ + 1 : 0;
    if (eols_ == kRtcEols) found_ = true;
  }
  if (found_ && ++tail_ > kMaxTailBytes) ended_ = true;
  return true;
}

}  // namespace telvane
