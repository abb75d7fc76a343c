// The Class 1 protocol codec: T.30 frames, DIS/DCS, ID frames, speeds and TCF.
#include "comm/fax/class1_frames.h"
#include "comm/fax/t30_timing.h"

#include <algorithm>
#include <iterator>

namespace telvane {
namespace {

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kEtx = 0x03;
constexpr int kBpsOf[kClass1MaxSpeed + 1] = {0, 2400, 4800, 7200, 9600, 12000, 14400};

// T.30 bits 11-14 (data signalling rate) sit at 0x04, 0x08, 0x10, 0x20 of
// FIF octet 2, bit 15 (7.7 lines/mm) at 0x40, bit 10 (receiver fax
// operation) at 0x02.
constexpr std::uint8_t kRateMask = 0x3C;
constexpr std::uint8_t kV29 = 0x04;     // bit 11
constexpr std::uint8_t kV27ter = 0x08;  // bit 12
constexpr std::uint8_t kV33 = 0x10;     // bit 13: V.33 in old T.30, no T.31 modem does it
constexpr std::uint8_t kV17 = 0x20;     // bit 14
constexpr std::uint8_t kFine = 0x40;
constexpr std::uint8_t kTwoDim = 0x80;  // bit 16: two-dimensional coding
constexpr std::uint8_t kFaxOperation = 0x02;

// DCS rates (T.30 Table 2): 2400/4800 V.27 ter, 7200/9600 V.29, 12000/14400 V.17.
constexpr std::uint8_t kDcsRate[kClass1MaxSpeed + 1] = {0, 0x00, kV27ter, kV29 | kV27ter, kV29, kV17 | kV27ter, kV17};

// Octet 3: bits 21-23 (minimum scan-line time) at 0x10, 0x20, 0x40; bits
// 17-18 (width) at 0x01, 0x02; bit 20 (A4 and B4 length) 0x08; bit 24
// (extend field: octet 4 follows) 0x80.
constexpr std::uint8_t kScanMask = 0x70;
// DCS scan-line bits by code, for normal and fine resolution.
constexpr std::uint8_t kDcsScan[8][2] = {{0x70, 0x70}, {0x10, 0x10}, {0x20, 0x10}, {0x20, 0x20},
                                          {0x00, 0x20}, {0x00, 0x00}, {0x40, 0x00}, {0x40, 0x40}};

int ScanCodeOf(std::uint8_t octet3) {
  switch (octet3 & kScanMask) {
    case 0x40: return 7;
    case 0x00: return 5;
    case 0x10: return 1;
    case 0x20: return 3;
    case 0x30: return 4;
    case 0x50: return 6;
    case 0x60: return 2;
    default: return 0;  // 0x70: 0 ms
  }
}

std::uint8_t FifAt(const std::vector<std::uint8_t>& fif, std::size_t i) { return i < fif.size() ? fif[i] : 0; }

void AppendEscaped(std::string& out, std::uint8_t b) {
  out += static_cast<char>(b);
  if (b == kDle) out += static_cast<char>(kDle);
}

}  // namespace

int Class1Bps(int index) { return index >= kClass1MinSpeed && index <= kClass1MaxSpeed ? kBpsOf[index] : 0; }

std::string Class1Modulation(int index, bool v17, bool shortTrain) {
  switch (index) {
    case 1: return "24";
    case 2: return "48";
    case 3: return v17 ? (shortTrain ? "74" : "73") : "72";
    case 4: return v17 ? (shortTrain ? "98" : "97") : "96";
    case 5: return shortTrain ? "122" : "121";
    case 6: return shortTrain ? "146" : "145";
    default: return "24";
  }
}

SpeedSet BaseSpeeds() {
  SpeedSet s;
  s.Add(1);
  s.Add(2);
  return s;
}

SpeedSet ParseModulations(std::string_view response) {
  SpeedSet s = BaseSpeeds();
  if (response.find("72") != std::string_view::npos) s.Add(3);
  if (response.find("96") != std::string_view::npos) s.Add(4);
  if (response.find("121") != std::string_view::npos) s.Add(5);
  if (response.find("145") != std::string_view::npos) s.Add(6);
  return s;
}

int ChooseSpeed(SpeedSet local, SpeedSet remote, int desiredBps) {
  desiredBps = std::max(desiredBps, 2400);
  for (int i = kClass1MaxSpeed; i > kClass1MinSpeed; --i)
    if (local.Has(i) && remote.Has(i) && kBpsOf[i] <= desiredBps) return i;
  return kClass1MinSpeed;
}

int StepDownSpeed(int index, SpeedSet local, SpeedSet remote) {
  for (int i = std::min(index, kClass1MaxSpeed + 1) - 1; i >= kClass1MinSpeed; --i)
    if (local.Has(i) && remote.Has(i)) return i;
  return 0;
}

void Class1Params::SetSpeed(int index) { SetSpeed(index, index >= 5); }

void Class1Params::SetSpeed(int index, bool isV17) {
  speedIndex = std::clamp(index, kClass1MinSpeed, kClass1MaxSpeed);
  bps = kBpsOf[speedIndex];
  v17 = isV17 || speedIndex >= 5;
  UpdateMinBytes();
}

void Class1Params::UpdateMinBytes() { minBytes = ScanLineMs(scanTime, fine) * bps / 8000; }

std::string BuildFrame(std::uint8_t fcf, bool final, const std::vector<std::uint8_t>& fif) {
  std::string out;
  out += static_cast<char>(kHdlcAddress);
  out += static_cast<char>(final ? kCtlFinal : kCtlNotFinal);
  AppendEscaped(out, fcf);
  for (std::uint8_t b : fif) AppendEscaped(out, b);
  out += static_cast<char>(kDle);
  out += static_cast<char>(kEtx);
  return out;
}

Class1Frame ParseFrame(std::string_view bytes) {
  Class1Frame f;
  std::size_t at = bytes.find(static_cast<char>(kHdlcAddress));
  if (at == std::string_view::npos || bytes.size() - at < 3) return f;
  f.valid = true;
  f.final = (static_cast<std::uint8_t>(bytes[at + 1]) & kCtlFinalBit) != 0;
  f.fcf = static_cast<std::uint8_t>(bytes[at + 2]) & static_cast<std::uint8_t>(~kFcfX);
  for (std::size_t i = at + 3; i < bytes.size(); ++i) f.fif.push_back(static_cast<std::uint8_t>(bytes[i]));
  return f;
}

std::vector<std::uint8_t> IdFif(std::string_view stationId) {
  std::string_view id = stationId.substr(0, 20);
  std::vector<std::uint8_t> fif(20 - id.size(), ' ');
  for (auto it = id.rbegin(); it != id.rend(); ++it) fif.push_back(static_cast<std::uint8_t>(*it));
  return fif;
}

std::string DecodeIdFif(const std::vector<std::uint8_t>& fif) {
  // A T.31 modem may pass the frame's two FCS octets after the 20 ID bytes.
  auto end = fif.size() > 20 ? fif.begin() + 20 : fif.end();
  std::string id;
  for (auto it = std::make_reverse_iterator(end); it != fif.rend(); ++it)
    if (*it >= 32 && *it < 127) id += static_cast<char>(*it);
  std::size_t first = id.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return id.substr(first, id.find_last_not_of(' ') - first + 1);
}

std::vector<std::uint8_t> DisFif(int speedIndex, bool twoDim) {
  // A DIS names modem families, not one speed: V.27 ter alone up to 4800,
  // with V.29 up to 9600, with V.17 above.
  std::uint8_t rate;
  switch (speedIndex) {
    case 1: rate = 0x00; break;
    case 2: rate = kV27ter; break;
    case 5: case 6: rate = kV17 | kV27ter | kV29; break;
    default: rate = kV27ter | kV29; break;
  }
  return {0x00, static_cast<std::uint8_t>(kFaxOperation | kFine | (twoDim ? kTwoDim : 0) | rate), 0xF8 | 0x01, 0x00};
}

std::vector<std::uint8_t> DcsFif(int speedIndex, bool fine, bool wide, int scanTime, bool twoDim) {
  speedIndex = std::clamp(speedIndex, kClass1MinSpeed, kClass1MaxSpeed);
  scanTime = std::clamp(scanTime, 0, 7);
  auto o2 = static_cast<std::uint8_t>(kFaxOperation | (fine ? kFine : 0) | (twoDim ? kTwoDim : 0) | kDcsRate[speedIndex]);
  auto o3 = static_cast<std::uint8_t>(0x88 | kDcsScan[scanTime][fine ? 1 : 0] | (wide ? 0x01 : 0));
  return {0x00, o2, o3, 0x00};
}

DisInfo DecodeDis(const std::vector<std::uint8_t>& fif) {
  DisInfo d;
  std::uint8_t o2 = FifAt(fif, 1), o3 = FifAt(fif, 2);
  d.speeds = BaseSpeeds();
  if (o2 & kV17) {
    // V.17 covers 7200 to 14400, 12000 included.
    d.speeds.Add(5);
    d.speeds.Add(6);
  }
  if (o2 & kV33) d.speeds.Add(5);
  if ((o2 & (kV29 | kV27ter)) == kV29) d.speeds.Add(4);
  if ((o2 & (kV29 | kV27ter)) == (kV29 | kV27ter)) {
    d.speeds.Add(3);
    d.speeds.Add(4);
  }
  d.fine = (o2 & kFine) != 0;
  d.twoDim = (o2 & kTwoDim) != 0;
  // Bits 17-18 of a DIS: 1 offers 255 mm, 2 offers 255 and 303 mm; either
  // takes our 2048-pixel pages.
  d.wide = (o3 & 0x03) == 0x01 || (o3 & 0x03) == 0x02;
  d.scanTime = ScanCodeOf(o3);
  return d;
}

DcsInfo DecodeDcs(const std::vector<std::uint8_t>& fif) {
  DcsInfo d;
  std::uint8_t o2 = FifAt(fif, 1), o3 = FifAt(fif, 2);
  switch (o2 & kRateMask) {
    // The V.17 rates of T.30 Table 2.
    case kV17: d.speedIndex = 6; d.v17 = true; break;
    case kV17 | kV27ter: d.speedIndex = 5; d.v17 = true; break;
    case kV17 | kV29: d.speedIndex = 4; d.v17 = true; break;
    case kV17 | kV29 | kV27ter: d.speedIndex = 3; d.v17 = true; break;
    default:
      if (o2 & kV17) {
        d.speedIndex = 6;
      } else if (o2 & kV33) {
        d.speedIndex = 5;  // as sent for 12000 by stations that used bit 13 for it
      } else {
        switch (o2 & (kV29 | kV27ter)) {
          case 0x00: d.speedIndex = 1; break;
          case kV29: d.speedIndex = 4; break;
          case kV27ter: d.speedIndex = 2; break;
          default: d.speedIndex = 3; break;
        }
      }
      d.v17 = d.speedIndex >= 5;
  }
  d.fine = (o2 & kFine) != 0;
  d.twoDim = (o2 & kTwoDim) != 0;
  d.wide = (o3 & 0x03) == 0x01;
  d.scanTime = ScanCodeOf(o3);
  return d;
}

int TcfLength(int bps) { return std::min(bps / 100 * 18, 8192); }

std::string BuildTcf(int bps) {
  std::string tcf(static_cast<std::size_t>(TcfLength(bps)), '\0');
  tcf += static_cast<char>(kDle);
  tcf += static_cast<char>(kEtx);
  return tcf;
}

std::size_t TcfChecker::Take(const char* data, std::size_t n) {
  std::size_t i = 0;
  while (i < n && !done_) {
    auto b = static_cast<std::uint8_t>(data[i++]);
    if (dle_) {
      dle_ = false;
      if (b == kEtx) {
        done_ = true;
      } else if (b == kDle) {
        ++total_;
        ++nonZero_;
      }
      // Other DLE pairs are modem signals, not data.
      continue;
    }
    if (b == kDle) {
      dle_ = true;
      continue;
    }
    ++total_;
    if (b != 0) ++nonZero_;
  }
  return i;
}

bool TcfChecker::Good() const { return total_ > 0 && nonZero_ * 100 / total_ < 10; }

}  // namespace telvane
