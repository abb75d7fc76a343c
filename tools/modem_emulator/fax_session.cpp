// Calls and the fax session as the DCE plays them: call progress for ATD,
// rings and ATA, phase B reports, page data in both directions with DLE
// framing, the post-page exchange, and hang-up reports.
#include "tools/modem_emulator/modem_emulator.h"

#include <cstdio>

#include "faxdoc/t4_decoder.h"

namespace telvane::emu {
namespace {

constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kDle = 0x10;
constexpr uint8_t kDc1 = 0x11;  // XON
constexpr uint8_t kDc3 = 0x13;  // XOFF

// A T.30 identity as a DCE reports it: the 20 characters of the frame,
// right-aligned, in quotes.
std::string QuotedId(const std::string& id) {
  std::string field = id.size() >= 20 ? id.substr(0, 20) : std::string(20 - id.size(), ' ') + id;
  return "\"" + field + "\"";
}

std::string Hex4(size_t n) {
  char text[8];
  std::snprintf(text, sizeof text, "%04zX", n & 0xFFFF);
  return text;
}

}  // namespace

void ModemEmulator::HangUp() {
  ++epoch_;
  call_ = Call::kNone;
  mode_ = Mode::kCommand;
  abortable_ = false;
  waitingFet_ = false;
  dleSeen_ = false;
  xoff_ = false;
  outPage_.clear();
  outPos_ = 0;
  plusCount_ = 0;
  lineQueued_ = 0;
  heldBack_ = false;
}

void ModemEmulator::RemoteHangUp(int code) {
  lastHangUp_ = code;
  Info(FaxName("+FHNG:", "+FHS:") + HangUpCodeText(CurrentDialect(), code));
  HangUp();
  Final(false);
}

// ---- an outgoing call ----

void ModemEmulator::Dial(const std::string& number) {
  HangUp();
  ++dialled_;
  mode_ = Mode::kBusy;
  abortable_ = true;
  (void)number;  // every number reaches the one scripted far end
  After(far_.dialDelayMs, [this] {
    mode_ = Mode::kCommand;
    abortable_ = false;
    switch (far_.dialResult) {
      case FarEnd::DialResult::kBusy:
        // BUSY is reported from X3 on; below that the call just fails.
        return xLevel_ >= 3 ? Result("BUSY", 7) : Result("NO CARRIER", 3);
      case FarEnd::DialResult::kNoDialTone:
        // Dial tone detection is X2 and X4; X1 and X3 dial blind.
        return xLevel_ == 2 || xLevel_ == 4 ? Result("NO DIALTONE", 6) : Result("NO CARRIER", 3);
      case FarEnd::DialResult::kVoice:
        return Result("VOICE", 3);
      case FarEnd::DialResult::kNoAnswer:
        return Result("NO CARRIER", 3);
      case FarEnd::DialResult::kFaxAnswers:
        break;
    }
    if (!FaxClass()) return Result("NO CARRIER", 3);  // a data modem cannot talk to a fax machine
    call_ = Call::kFaxSend;
    dcsSent_ = false;
    sendPageNo_ = 1;
    refusals_ = far_.refusePage;
    // Phase B as the called machine opens it: CSI and DIS (NSF not sent).
    if (Is20()) {
      Info("+FCO");
      if (fnr_[2]) Info("+FCI:" + QuotedId(far_.stationId));
      if (fnr_[0]) Info("+FIS:" + far_.capabilities.Format());
    } else {
      Info("+FCON");
      Info("+FCSI:" + QuotedId(far_.stationId));
      Info("+FDIS:" + far_.capabilities.Format());
    }
    Final(true);
  });
}

void ModemEmulator::StartSendPage() {
  mode_ = Mode::kBusy;
  After(far_.phaseDelayMs, [this] {
    mode_ = Mode::kCommand;
    if (far_.hangUpAfterPage == 0) return RemoteHangUp(far_.hangUpCode);  // training never succeeds
    SessionParams dcs = Negotiate(session_, far_.capabilities);
    if (!dcsSent_ || dcs != dcs_) {
      dcs_ = dcs;
      dcsSent_ = true;
      if (!Is20()) Info("+FDCS:" + dcs_.Format());
      else if (fnr_[1]) Info("+FCS:" + dcs_.Format());
    }
    Result("CONNECT", 1);
    pageStart_ = Clock::now();
    // A Class 2 DCE releases the DTE's page data with XON once it has
    // trained; a Class 2.0 DCE takes data straight after CONNECT.
    if (!Is20()) Send(std::string(1, static_cast<char>(kDc1)));
    mode_ = Mode::kDataIn;
    pageIn_.clear();
    dleSeen_ = false;
  });
}

void ModemEmulator::PageDataIn(uint8_t c) {
  if (dleSeen_) {
    dleSeen_ = false;
    if (c == kDle) {
      pageIn_.push_back((bor_ & 1) ? ReverseBits(kDle) : kDle);
    } else if (c == kEtx) {
      EndOfPageIn(0);
    } else if (Is20() && (c == ',' || c == ';' || c == '.')) {
      EndOfPageIn(static_cast<char>(c));
    }
    // Any other character after DLE is a command this DCE does not know: dropped.
    return;
  }
  if (c == kDle) {
    dleSeen_ = true;
    return;
  }
  // +FBOR/+FBO bit 0 asks for reversed bit order of phase C data.
  pageIn_.push_back((bor_ & 1) ? ReverseBits(c) : c);
  if (far_.lineRate <= 0) return;
  if (++lineQueued_ == 1) After(10, [this] { DrainLine(); });
  if (!heldBack_ && lineQueued_ > 2048) {
    heldBack_ = true;
    ++xoffsSent_;
    if (!Is20() || flo_ == 1) Send(std::string(1, static_cast<char>(kDc3)));
  }
}

// The line takes lineRate bytes a second; below the low mark the DTE may go on.
void ModemEmulator::DrainLine() {
  const size_t step = std::max<size_t>(1, static_cast<size_t>(far_.lineRate) / 100);
  lineQueued_ = lineQueued_ > step ? lineQueued_ - step : 0;
  if (heldBack_ && lineQueued_ < 512) {
    heldBack_ = false;
    if (!Is20() || flo_ == 1) Send(std::string(1, static_cast<char>(kDc1)));
  }
  if (lineQueued_ > 0) After(10, [this] { DrainLine(); });
}

void ModemEmulator::EndOfPageIn(char terminator) {
  SentPage page;
  page.dcs = dcs_;
  page.data = std::move(pageIn_);
  pageIn_.clear();
  page.terminator = terminator;
  MhDecoder decoder;
  decoder.Feed(page.data.data(), page.data.size(), [](const uint8_t*, size_t) {});
  page.lines = static_cast<int>(decoder.LinesDelivered());
  page.badCodes = decoder.BadCodes();
  sent_.push_back(std::move(page));
  mode_ = Mode::kBusy;
  // The DCE answers once the page has left it, no earlier than the page's
  // time on the line.
  auto onLine = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pageStart_);
  int wait = std::max(0, far_.pageTimeMs - static_cast<int>(onLine.count()));
  if (far_.lineRate > 0) wait = std::max(wait, static_cast<int>(lineQueued_ * 1000 / far_.lineRate));
  After(wait, [this, terminator] { PageLeft(terminator); });
}

void ModemEmulator::PageLeft(char terminator) {
  mode_ = Mode::kCommand;
  switch (terminator) {
    case ',':
      return PostPage(0);  // MPS
    case ';':
      return PostPage(1);  // EOM
    case '.':
      return PostPage(2);  // EOP
    default:
      // DLE ETX: the page is in; the DTE names the post-page message with +FET.
      waitingFet_ = true;
      Final(true);
  }
}

void ModemEmulator::PostPage(int ppm) {
  waitingFet_ = false;
  mode_ = Mode::kBusy;
  After(far_.phaseDelayMs, [this, ppm] {
    mode_ = Mode::kCommand;
    SentPage& page = sent_.back();
    page.postPage = ppm;
    if (far_.hangUpAfterPage >= 1 && sendPageNo_ == far_.hangUpAfterPage + 1)
      return RemoteHangUp(far_.hangUpCode);  // no answer to the post-page message
    const bool unreadable = far_.checkCopyQuality && (page.badCodes > 0 || page.lines == 0);
    bool refused = unreadable;
    if (!refused && refusals_[sendPageNo_] > 0) {
      --refusals_[sendPageNo_];
      refused = true;
    }
    if (refused) {
      // RTN: page bad, retrain. The sender must send DCS and TCF again.
      pageStatus_ = 2;
      dcsSent_ = false;
      if (Is20()) return Final(false);  // T.32: ERROR; +FPS? then tells why
      Info("+FPTS:2");
      return Final(true);
    }
    // MCF.
    page.confirmed = true;
    ++sendPageNo_;
    pageStatus_ = 1;
    if (ppm == 1 || ppm == 4) dcsSent_ = false;  // EOM: back to phase B
    if (!Is20()) Info("+FPTS:1");
    if (ppm == 2 || ppm == 5) {
      // EOP confirmed: the sender sends DCN and the call ends normally.
      lastHangUp_ = 0;
      Info(FaxName("+FHNG:", "+FHS:") + HangUpCodeText(CurrentDialect(), 0));
      HangUp();
    }
    Final(true);
  });
}

// ---- an incoming call ----

void ModemEmulator::Ring() {
  if (call_ != Call::kRinging) return;
  ++ringCount_;
  ++totalRings_;
  sreg_[1] = ringCount_;
  Result("RING", 2);
  if (sreg_[0] > 0 && ringCount_ >= sreg_[0]) {  // automatic answer after S0 rings
    mode_ = Mode::kBusy;
    Answer();
    return;
  }
  if (ringCount_ >= far_.rings) {
    call_ = Call::kNone;  // the caller gives up
    return;
  }
  After(far_.ringIntervalMs, [this] { Ring(); });
}

void ModemEmulator::Answer() {
  const bool ringing = call_ == Call::kRinging;
  ++epoch_;  // no more rings
  mode_ = Mode::kBusy;
  abortable_ = true;
  After(far_.answerDelayMs, [this, ringing] {
    mode_ = Mode::kCommand;
    abortable_ = false;
    call_ = Call::kNone;
    if (!ringing) return Result("NO CARRIER", 3);
    if (far_.callKind == FarEnd::CallKind::kVoice) return Result("VOICE", 3);
    if (far_.callKind == FarEnd::CallKind::kData) {
      // A data caller: a fax DCE connects only with adaptive answering (+FAA=1),
      // and a class 0 modem always; otherwise the fax handshake gets no reply.
      if (FaxClass() && faa_ == 0) return Result("NO CARRIER", 3);
      call_ = Call::kData;
      mode_ = Mode::kOnline;
      lastInput_ = Clock::now();
      return Result("CONNECT 2400", 1);
    }
    if (!FaxClass()) return Result("NO CARRIER", 3);
    call_ = Call::kFaxReceive;
    recvPage_ = 0;
    garbles_ = far_.garblePage;
    firstFdr_ = true;
    documentDone_ = false;
    SessionParams wanted = far_.callerParams;
    if (!far_.pages.empty()) wanted[SessionParams::kVr] = far_.pages.front().fine ? 1 : 0;
    dcs_ = Negotiate(session_, wanted);
    lastVr_ = dcs_[SessionParams::kVr];
    Info(FaxName("+FCON", "+FCO"));
    // Without +FCR=1 the DIS offers no reception and the caller gives up.
    if (fcr_ == 0) return RemoteHangUp(70);
    if (far_.hangUpAfterPage == 0) return RemoteHangUp(far_.hangUpCode);
    if (Is20()) {
      if (fnr_[2]) Info("+FTI:" + QuotedId(far_.callerId));
      if (fnr_[1]) Info("+FCS:" + dcs_.Format());
    } else {
      Info("+FTSI:" + QuotedId(far_.callerId));
      Info("+FDCS:" + dcs_.Format());
    }
    Final(true);
  });
}

void ModemEmulator::StartReceivePage() {
  mode_ = Mode::kBusy;
  After(far_.phaseDelayMs, [this] {
    mode_ = Mode::kCommand;
    if (documentDone_ || recvPage_ >= far_.pages.size()) {
      // After EOP and MCF the caller sends DCN.
      lastHangUp_ = 0;
      Info(FaxName("+FHNG:", "+FHS:") + HangUpCodeText(CurrentDialect(), 0));
      HangUp();
      return Final(true);
    }
    if (far_.hangUpAfterPage >= 1 && recvPage_ == static_cast<size_t>(far_.hangUpAfterPage))
      return RemoteHangUp(far_.hangUpCode);
    const FaxPage& page = far_.pages[recvPage_];
    const int vr = page.fine ? 1 : 0;
    if (!Is20() && firstFdr_) Info("+FCFR");  // Class 2: confirmation to receive
    if (vr != lastVr_) {
      SessionParams wanted = far_.callerParams;
      wanted[SessionParams::kVr] = vr;
      dcs_ = Negotiate(session_, wanted);
      lastVr_ = vr;
      if (!Is20()) Info("+FDCS:" + dcs_.Format());
      else if (fnr_[1]) Info("+FCS:" + dcs_.Format());
    }
    firstFdr_ = false;

    // The page as this DCE hands it over: Class 2 delivers received data with
    // the first bit in bit 7 (the bit order of the Class 2 drafts), Class 2.0
    // in line order; +FBOR/+FBO bit 0 flips that. DLE is doubled and the page
    // ends with DLE ETX.
    const bool reverse = !Is20() != ((bor_ & 1) != 0);
    std::vector<uint8_t> bytes = page.data;
    garbledNow_ = garbles_[static_cast<int>(recvPage_) + 1] > 0;
    if (garbledNow_) {
      --garbles_[static_cast<int>(recvPage_) + 1];
      // Line noise: bursts of ones through the middle of the page.
      for (size_t i = bytes.size() / 4; i < bytes.size() * 3 / 4; i += 97) bytes[i] = 0xFF;
    }
    carrierLost_ = far_.dropInPage == static_cast<int>(recvPage_) + 1 && far_.dropAfterBytes < bytes.size();
    if (carrierLost_) bytes.resize(far_.dropAfterBytes);
    outPage_.clear();
    for (uint8_t b : bytes) {
      uint8_t v = reverse ? ReverseBits(b) : b;
      outPage_.push_back(v);
      if (v == kDle) outPage_.push_back(kDle);
    }
    outPage_.push_back(kDle);
    outPage_.push_back(kEtx);
    outPos_ = 0;
    xoff_ = false;
    Result("CONNECT", 1);
    pageStart_ = Clock::now();
    mode_ = Mode::kWaitDc2;  // the DTE sends DC2 when it is ready for data
  });
}

void ModemEmulator::PumpDataOut() {
  while (mode_ == Mode::kDataOut && !xoff_ && out_.size() < static_cast<size_t>(far_.dataChunk)) {
    if (outPos_ >= outPage_.size()) return EndOfPageOut();
    size_t n = std::min(outPage_.size() - outPos_, static_cast<size_t>(far_.dataChunk));
    out_.append(reinterpret_cast<const char*>(outPage_.data() + outPos_), n);
    outPos_ += n;
  }
}

void ModemEmulator::EndOfPageOut() {
  auto onLine = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pageStart_);
  if (onLine.count() < far_.pageTimeMs) {
    // Hold the end of the page until its time on the line has passed.
    mode_ = Mode::kBusy;
    After(far_.pageTimeMs - static_cast<int>(onLine.count()), [this] { EndOfPageOut(); });
    return;
  }
  mode_ = Mode::kCommand;
  outPage_.clear();
  outPos_ = 0;
  if (carrierLost_) {
    carrierLost_ = false;
    return RemoteHangUp(far_.dropCode);
  }
  const FaxPage& page = far_.pages[recvPage_];
  MhDecoder decoder;
  decoder.Feed(page.data.data(), page.data.size(), [](const uint8_t*, size_t) {});
  const size_t lines = decoder.LinesDelivered();
  // Page status from this DCE's copy-quality check: 1 good (MCF to the
  // caller), 2 bad (RTN: the caller sends the page again).
  const int status = garbledNow_ ? 2 : 1;
  if (Is20()) Info("+FPS:" + std::to_string(status) + "," + Hex4(lines) + ",0000,0000,0000");
  else Info("+FPTS:" + std::to_string(status) + "," + std::to_string(lines) + ",0,0");
  size_t next = recvPage_;
  if (status == 1) {
    ++next;
    ++delivered_;
  }
  int ppm = 2;
  if (next < far_.pages.size()) ppm = far_.pages[next].fine == page.fine ? 0 : 1;
  if (status == 1) {
    recvPage_ = next;
    if (ppm == 2) documentDone_ = true;
  }
  Info("+FET:" + std::to_string(ppm));
  Final(true);
}

}  // namespace telvane::emu
