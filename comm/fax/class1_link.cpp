// The Class 1 link in the engine, shared by the send and receive machines:
// preparation, commands, frames out, frames in and what they mean.
#include <algorithm>

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/fax/fax_engine.h"
#include "comm/fax/page_transmitter.h"

namespace telvane {

int FaxEngine::PrepareClass1(const std::string& speedQuery) {
  if (SyncCommand("AT+FCLASS=1") != ecOK) return ecFaxInitError;
  std::vector<std::string> lines;
  std::string response;
  if (SyncCommand(speedQuery, &lines) == ecOK)
    for (const std::string& l : lines) response += l + "\n";
  s_.class1.local = ParseModulations(response);
  return ecOK;
}

void FaxEngine::Class1Command(const std::string& cmd, int delayMs, int timeoutTicks) {
  frameExpected_ = frameMode_ = frameHeld_ = listening_ = false;
  if (delayMs > 0) Delay(delayMs);
  Put(cmd + "\r");
  ArmTimeout(timeoutTicks < 0 ? s_.responseTimeout : timeoutTicks);
  // +FTH and +FTM transmit from their CONNECT until the modem's OK.
  transmitting_ = false;
  transmitCommand_ = cmd.rfind("AT+FTH", 0) == 0 || cmd.rfind("AT+FTM", 0) == 0;
  modemBusy_ = transmitCommand_ || cmd.rfind("AT+FRM", 0) == 0;
  cancelSent_ = false;
  if (cmd == "AT+FRH=3") ExpectFrame();
}

void FaxEngine::ExpectFrame() {
  frameExpected_ = listening_ = modemBusy_ = true;
  frameMode_ = frameHeld_ = false;
  s_.class1.frameReceived = false;
}

void FaxEngine::SendFrame(std::uint8_t fcf, bool final, const std::vector<std::uint8_t>& fif) {
  // T.30 runs until one side sends DCN.
  t30Open_ = (fcf & ~kFcfX) != kFcfDCN;
  Put(BuildFrame(fcf, final, fif));
}

void FaxEngine::SendIdFrame(std::uint8_t fcf, bool final) { SendFrame(fcf, final, IdFif(s_.stationId)); }

void FaxEngine::Class1StopModem(bool discardOutput) {
  // A T.31 modem in a data mode takes ATH0 as data and stays off-hook:
  // DLE ETX ends a transmission, and any byte aborts a reception. It goes
  // twice, as the flushed output may have ended halfway through a DLE pair.
  try {
    if (discardOutput) {
      port_.FlushOutBuffer();
    } else if (TApdBaseDispatcher* d = port_.Dispatcher()) {
      d->WaitOutputDrained(1000);  // a cancel character or a frame still on its way
    }
    Put(std::string{static_cast<char>(kDLE), static_cast<char>(kETX), static_cast<char>(kDLE), static_cast<char>(kETX)});
    Delay(1000);  // the modem sends what it holds and answers OK
  } catch (const EAPDException&) {
    // A port that fails now has nothing left to stop.
  }
  frameExpected_ = frameMode_ = frameHeld_ = false;
}

namespace {

// The longest frame a T.30 peer sends is far below this (escaped bytes from
// the address byte); longer input is line noise the modem took for a frame.
constexpr std::size_t kMaxFrameBytes = 1024;

}  // namespace

int FaxEngine::ReadFrame() {
  const auto address = static_cast<char>(kHdlcAddress);
  if (frameOverlong_) {
    // Drop bytes up to the DLE ETX that ends the overlong frame; only an
    // unpaired DLE at the end is kept. What ends there is no frame.
    std::size_t i = 0;
    for (; i < pending_.size(); ++i) {
      if (static_cast<std::uint8_t>(pending_[i]) != kDLE) continue;
      if (i + 1 >= pending_.size()) break;
      if (static_cast<std::uint8_t>(pending_[++i]) == kETX) {
        pending_.erase(0, i + 1);
        frameOverlong_ = frameMode_ = false;
        lastFrame_ = Class1Frame{};
        return 1;
      }
    }
    pending_.erase(0, i);
    return 0;
  }
  for (;;) {
    std::size_t ff = pending_.find(address);
    // Response lines before the frame: a second CONNECT (the modem had the
    // frame buffered already) is skipped; anything else ends the wait.
    std::size_t headEnd = ff == std::string::npos ? pending_.size() : ff;
    std::size_t eol = pending_.find_first_of("\r\n");
    if (eol != std::string::npos && eol < headEnd) {
      std::string text = Trim(pending_.substr(0, eol));
      std::string clean;
      for (char c : text)
        if (static_cast<unsigned char>(c) >= 32) clean += c;
      if (clean.empty() || Contains(clean, "CONNECT")) {
        pending_.erase(0, eol + 1);
        continue;
      }
      frameMode_ = false;
      return -1;
    }
    if (ff == std::string::npos) {
      // Noise without a line end: keep what a response line can hold.
      if (pending_.size() > 512) pending_.erase(0, pending_.size() - 128);
      return 0;
    }
    // The frame runs from the address byte to DLE ETX.
    std::string frame;
    for (std::size_t i = ff; i < pending_.size(); ++i) {
      if (i - ff > kMaxFrameBytes) {
        pending_.erase(0, i);
        frameOverlong_ = true;
        return ReadFrame();
      }
      auto c = static_cast<std::uint8_t>(pending_[i]);
      if (c != kDLE) {
        frame += static_cast<char>(c);
        continue;
      }
      if (i + 1 >= pending_.size()) return 0;
      auto next = static_cast<std::uint8_t>(pending_[++i]);
      if (next == kDLE) {
        frame += static_cast<char>(kDLE);
      } else if (next == kETX) {
        pending_.erase(0, i + 1);
        frameMode_ = false;
        lastFrame_ = ParseFrame(frame);
        return 1;
      }
    }
    return 0;
  }
}

void FaxEngine::ActOnFrame(const Class1Frame& frame) {
  Class1Params& p = s_.class1;
  if (!frame.valid) return;  // too short to be a frame: as if none came
  p.frameReceived = true;
  p.lastFinal = frame.final;
  p.lastFcf = frame.fcf;
  switch (frame.fcf) {
    case kFcfDIS: {
      DisInfo dis = DecodeDis(frame.fif);
      p.remote = dis.speeds;
      p.remoteFine = dis.fine;
      p.remoteWide = dis.wide;
      // Two-dimensional pages are shorter: the sender uses them whenever
      // the receiver takes them.
      p.twoDim = dis.twoDim;
      p.scanTime = dis.scanTime;
      p.SetSpeed(ChooseSpeed(p.local, p.remote, s_.desiredBps));
      // A wide page goes to a remote without B4 width reduced to A4 (the
      // sender decides per page); a fine page cannot be made standard.
      if (p.fine && !p.remoteFine) {
        Fail(ecFaxIncompatible);
        return;
      }
      Progress(fpSessionParams);
      return;
    }
    case kFcfDCS: {
      DcsInfo dcs = DecodeDcs(frame.fif);
      p.fine = dcs.fine;
      p.wide = dcs.wide;
      p.twoDim = dcs.twoDim;
      p.scanTime = dcs.scanTime;
      p.SetSpeed(dcs.speedIndex, dcs.v17);
      Progress(fpSessionParams);
      return;
    }
    case kFcfCFR:
      p.cfrReceived = true;
      return;
    case kFcfFTT: {
      p.retrainNeeded = true;
      int lower = StepDownSpeed(p.speedIndex, p.local, p.remote);
      if (lower == 0) {
        Fail(ecFaxTrainError);
        return;
      }
      p.SetSpeed(lower);
      return;
    }
    case kFcfRTN:
      p.retrainNeeded = true;
      return;
    case kFcfDCN:
      // The far end has left T.30. Unless the call was at its end, it hung
      // up on us: T.30 has no other code for that than the cancel's.
      t30Open_ = false;
      if (!DcnExpected()) {
        s_.endReason = EndReason::RemoteHangUp;
        Fail(ecCancelRequested);
      }
      return;
    case kFcfCSI:
    case kFcfTSI:
      s_.remoteId = DecodeIdFif(frame.fif);
      Progress(fpGotRemoteID);
      return;
    default:
      return;  // NSF and other frames are not used
  }
}

}  // namespace telvane
