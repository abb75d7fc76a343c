// The end of a received T.4 page: RTC, six EOLs in a row. A Class 1 modem
// delivers what its demodulator makes of the line until the carrier is gone,
// so what follows RTC is noise that belongs to no page.
#pragma once

#include <cstdint>

namespace telvane {

// Scans one-dimensional (MH) page data byte by byte, as a Class 1 modem
// delivers it and APF files keep it: the first bit in the least significant
// place. An EOL is eleven or more zeros (fill included) and a 1; RTC is six
// of them with nothing between. After RTC, further EOLs and zero fill still
// belong to the page (a sender may close it with more); the first other bit
// ends it, as do kMaxTailBytes bytes of fill.
// Two-dimensional page data have a tag bit after every EOL; their RTC is six
// EOLs each tagged 1 (one-dimensional), and a tag 0 starts a coded line.
class RtcFinder {
 public:
  RtcFinder() = default;
  explicit RtcFinder(bool twoDim) : twoDim_(twoDim) {}
  // Back to the start of a page, in the coding given.
  void Reset(bool twoDim = false) { *this = RtcFinder(twoDim); }
  // Takes the next byte: false when the page had ended before it. `kept` is
  // the byte with the bits after the page's end set to zero (fill).
  bool Take(std::uint8_t byte, std::uint8_t& kept);
  bool Found() const { return found_; }
  bool Ended() const { return ended_; }

 private:
  static constexpr unsigned kEolZeros = 11;
  static constexpr unsigned kRtcEols = 6;
  static constexpr unsigned kMaxTailBytes = 32;
  bool twoDim_ = false;
  bool tagNext_ = false;  // 2-D: the next bit is an EOL's tag
  unsigned zeros_ = 0;
  unsigned eols_ = 0;
  unsigned tail_ = 0;
  bool found_ = false;
  bool ended_ = false;
};

}  // namespace telvane
