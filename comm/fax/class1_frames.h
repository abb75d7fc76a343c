// The Class 1 (T.30 over a T.31 modem) protocol codec: speeds and
// modulations, the session parameters, T.30 control frames as the modem
// carries them, DIS/DCS and ID frames, the speed choice and the training
// check (TCF). No I/O: the engine (class1_link.cpp) and the machines use it.
//
// How a machine uses this together with the engine (fax_engine.h):
//  - Frames out: after "CONNECT" to "AT+FTH=3", write BuildFrame(fcf, final,
//    fif) (the engine's SendFrame/SendIdFrame do it). Frames sent by the
//    calling station carry the T.30 X bit: `kFcfDCS | kFcfX`.
//  - Frames in: send "AT+FRH=3" with FaxEngine::Class1Command (or dial with
//    ExpectFrame() set); the engine turns the bytes after the next CONNECT
//    into a frame; when the modem's "OK" confirms it, the engine acts on it
//    (FaxEngine::ActOnFrame) and leaves what it learnt in FaxSession::class1
//    (Class1Params below) and, for CSI/TSI, in FaxSession::remoteId. The
//    machine then gets FaxEvent::Frame followed by that "OK" as an ordinary
//    FaxEvent::Line. A frame followed by "ERROR" is dropped.
//  - Bytes here are in the order the modem delivers them: T.30 bit 1 of each
//    octet is the least significant bit (0x01), so FCFs look bit-reversed
//    against their T.30 notation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace telvane {

// --- Speeds (index 1..6) ---
inline constexpr int kClass1MinSpeed = 1;
inline constexpr int kClass1MaxSpeed = 6;

// Bits per second of a speed index (0 outside 1..6).
int Class1Bps(int index);
// The T.31 modulation code for "AT+FTM="/"AT+FRM=". V.17 (12000, 14400, and
// 7200/9600 when a peer's DCS asks for V.17 there) has a long training for
// TCF and pages after a retrain and a short one for the page after CFR.
std::string Class1Modulation(int index, bool v17, bool shortTrain);
// TCF (long training) at a speed index.
inline std::string TrainModulation(int index) { return Class1Modulation(index, index >= 5, false); }
// Page data: every page after a successful TCF at that speed, the first one
// after CFR and the later ones after MCF alike, goes with the V.17 short
// training; a T.30 receiver (spandsp's, for one) that trained on the TCF
// does not recognise a long training there and the page is lost.
inline std::string PageModulation(int index) { return Class1Modulation(index, index >= 5, true); }

// A set of speed indexes.
struct SpeedSet {
  std::uint8_t bits = 0;
  void Add(int index) {
    if (index >= kClass1MinSpeed && index <= kClass1MaxSpeed) bits |= static_cast<std::uint8_t>(1u << (index - 1));
  }
  bool Has(int index) const {
    return index >= kClass1MinSpeed && index <= kClass1MaxSpeed && (bits & (1u << (index - 1))) != 0;
  }
  bool operator==(const SpeedSet&) const = default;
};
// 2400 and 4800 bit/s: every Class 1 modem and every T.30 peer has them.
SpeedSet BaseSpeeds();
// Local capability from the answer to "AT+FTM=?" / "AT+FRM=?" (all lines).
SpeedSet ParseModulations(std::string_view response);

// The highest index both sides can do whose speed does not exceed
// `desiredBps` (below 2400 counts as 2400): always at least 1.
int ChooseSpeed(SpeedSet local, SpeedSet remote, int desiredBps);
// The next lower index both sides can do after a failed training; 0 when
// there is none (training failed at 2400).
int StepDownSpeed(int index, SpeedSet local, SpeedSet remote);

// --- Session parameters ---
struct Class1Params {
  int speedIndex = 0;
  int bps = 0;
  bool v17 = false;         // the modulation at this speed is V.17
  bool fine = false;        // the page being sent / received
  bool wide = false;
  // Page data in two-dimensional coding: the sender's choice (both sides
  // offer it) or what the caller's DCS says.
  bool twoDim = false;
  int scanTime = 0;         // scan-line time code 0..7
  int minBytes = 0;         // minimum bytes per scan line
  SpeedSet local, remote;
  bool remoteFine = false, remoteWide = false;
  bool frameReceived = false;  // a frame came since the last "AT+FRH=3"
  bool lastFinal = false;      // the last frame ended its sequence
  bool cfrReceived = false;
  bool retrainNeeded = false;
  std::uint8_t lastFcf = 0;    // X bit masked
  // Sets speedIndex, bps and v17 (V.17 above 9600 unless told otherwise).
  void SetSpeed(int index);
  void SetSpeed(int index, bool isV17);
  // Recomputes minBytes from scanTime, fine and bps.
  void UpdateMinBytes();
  // Forgets the last call; what the local modem can do stays.
  void NewCall() {
    const SpeedSet kept = local;
    *this = Class1Params{};
    local = kept;
  }
};

// --- Frames ---
inline constexpr std::uint8_t kHdlcAddress = 0xFF;
inline constexpr std::uint8_t kCtlFinal = 0x13;
inline constexpr std::uint8_t kCtlNotFinal = 0x03;
inline constexpr std::uint8_t kCtlFinalBit = 0x10;
// The T.30 X bit: set in the frames of the station that received DIS.
inline constexpr std::uint8_t kFcfX = 0x01;
// FCFs as recognised (X bit masked).
inline constexpr std::uint8_t kFcfDIS = 0x80;
inline constexpr std::uint8_t kFcfCSI = 0x40;
inline constexpr std::uint8_t kFcfDCS = 0x82;
inline constexpr std::uint8_t kFcfTSI = 0x42;
inline constexpr std::uint8_t kFcfCFR = 0x84;
inline constexpr std::uint8_t kFcfFTT = 0x44;
inline constexpr std::uint8_t kFcfMCF = 0x8C;
inline constexpr std::uint8_t kFcfRTN = 0x4C;
inline constexpr std::uint8_t kFcfRTP = 0xCC;
inline constexpr std::uint8_t kFcfMPS = 0x4E;
inline constexpr std::uint8_t kFcfEOM = 0x8E;
inline constexpr std::uint8_t kFcfEOP = 0x2E;
inline constexpr std::uint8_t kFcfDCN = 0xFA;

// The bytes written after "CONNECT" to "AT+FTH=3": address, control, FCF,
// FIF with every DLE doubled, DLE ETX. The modem adds the FCS.
std::string BuildFrame(std::uint8_t fcf, bool final, const std::vector<std::uint8_t>& fif = {});

// A frame as read from the modem (DLE escapes removed, starting at 0xFF).
struct Class1Frame {
  bool valid = false;       // address, control and FCF present
  bool final = false;
  std::uint8_t fcf = 0;     // X bit masked
  // The FIF; T.31 modems pass the two FCS octets after it, and decoders
  // ignore bytes beyond the fields they read.
  std::vector<std::uint8_t> fif;
};
Class1Frame ParseFrame(std::string_view bytes);

// ID frames (TSI, CSI): 20 bytes, blanks where the ID does not reach, then
// its characters from the last to the first.
std::vector<std::uint8_t> IdFif(std::string_view stationId);
// The station ID of a received ID frame: its 20 FIF bytes read backwards,
// blanks at either end removed.
std::string DecodeIdFif(const std::vector<std::uint8_t>& fif);

// --- DIS and DCS ---
// DIS of a receiver whose best speed is `speedIndex`: fine and wide always
// offered, two-dimensional coding when `twoDim`.
std::vector<std::uint8_t> DisFif(int speedIndex, bool twoDim = true);
// DCS for a page at `speedIndex`, its data coded two-dimensionally when `twoDim`.
std::vector<std::uint8_t> DcsFif(int speedIndex, bool fine, bool wide, int scanTime, bool twoDim = false);

struct DisInfo {
  SpeedSet speeds;
  bool fine = false;
  bool twoDim = false;
  bool wide = false;
  int scanTime = 0;
};
DisInfo DecodeDis(const std::vector<std::uint8_t>& fif);

struct DcsInfo {
  int speedIndex = 1;
  bool v17 = false;
  bool fine = false;
  bool twoDim = false;
  bool wide = false;
  int scanTime = 0;
};
DcsInfo DecodeDcs(const std::vector<std::uint8_t>& fif);

// --- Training check ---
// TCF: zero bytes for 1.5 s at `bps` ((bps / 100) * 18, at most 8192), then DLE ETX.
std::string BuildTcf(int bps);
// Number of zero bytes in a TCF at `bps`.
int TcfLength(int bps);

// Counts the TCF bytes the modem delivers after "CONNECT" to "AT+FRM=" up
// to DLE ETX (DLE DLE is one data byte 0x10).
class TcfChecker {
 public:
  void Reset() { *this = TcfChecker{}; }
  // Takes bytes; returns how many it used (it stops after DLE ETX).
  std::size_t Take(const char* data, std::size_t n);
  bool Done() const { return done_; }
  // Fewer than 10 % non-zero bytes. A check that counted no bytes at all is
  // a failed training.
  bool Good() const;
  std::uint64_t Total() const { return total_; }
  std::uint64_t NonZero() const { return nonZero_; }

 private:
  std::uint64_t total_ = 0;
  std::uint64_t nonZero_ = 0;
  bool dle_ = false;
  bool done_ = false;
};

}  // namespace telvane
