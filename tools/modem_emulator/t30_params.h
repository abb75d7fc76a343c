// T.30 session parameters as Class 2 and Class 2.0 DCEs take and report them
// (+FDCC/+FDIS/+FDCS in Class 2, +FCC/+FIS/+FCS in Class 2.0), hang-up codes
// in the spelling of each dialect, and the bit reversal of phase C data.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "faxdoc/bit_order.h"

namespace telvane::emu {

enum class Dialect { kClass2, kClass20 };

// The subparameter list VR,BR,WD,LN,DF,EC,BF,ST in that order.
struct SessionParams {
  enum Index { kVr, kBr, kWd, kLn, kDf, kEc, kBf, kSt, kCount };
  std::array<int, kCount> v{1, 5, 0, 2, 0, 0, 0, 0};

  int operator[](int i) const { return v[i]; }
  int& operator[](int i) { return v[i]; }
  bool operator==(const SessionParams&) const = default;

  // "1,5,0,2,0,0,0,0"
  std::string Format() const;
  // Applies a set command's value: fields may be left empty (kept), fewer
  // than eight may be given, a ninth (JP of later T.32 editions) is taken
  // and ignored. False when a field is not a number or out of range; the
  // parameters are then unchanged.
  bool Apply(std::string_view value);
  // The answer to "=?": the ranges this DCE supports.
  static std::string Ranges();

  // Bits per second of BR.
  int BitRate() const;
};

// DCS from what the DTE allows for this session (its +FDIS/+FIS) and the
// remote's DIS: the lower of each capability, one-dimensional coding only,
// no binary file transfer, and the longer of the two scan-line times.
SessionParams Negotiate(const SessionParams& local, const SessionParams& remote);

// Hang-up cause as the dialect reports it: Class 2 gives the decimal code
// ("+FHNG:100"), Class 2.0 the same cause as two hexadecimal digits
// ("+FHS:A0"; the causes are numbered so that 100..103 become A0..A3).
std::string HangUpCodeText(Dialect dialect, int cause);


}  // namespace telvane::emu
