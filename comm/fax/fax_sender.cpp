// The send machine's class-neutral states: the next fax, its pages,
// dialling and redialling, page transmission and the end of each fax.
#include "comm/fax/fax_sender.h"

#include <algorithm>
#include <cctype>

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "faxdoc/header_line.h"
#include "faxdoc/reduced_page_lines.h"
#include "faxdoc/t4_mr_encoder.h"

namespace telvane {

FaxSender::~FaxSender() { Stop(); }

const char* FaxSender::StateName(int state) const {
  switch (state) {
#define TELVANE_STATE_NAME(name, value) \
    case name: return #name;
    TELVANE_SEND_STATES(TELVANE_STATE_NAME)
#undef TELVANE_STATE_NAME
    default: return "Unknown";
  }
}

void FaxSender::SetNextFax(const std::string& phone, const std::string& faxFile, const std::string& coverFile) {
  s_.phoneNumber = phone;
  s_.faxFile = faxFile;
  s_.coverFile = coverFile;
}

int FaxSender::Prepare() {
  StatusNow(fsFirst);
  PortToPrepareSpeed();
  if (int rc = ResolveClass()) return rc;
  if (int rc = SendInitStrings()) return rc;
  LoadCommands();
  SwitchToNormalBaud();
  if (s_.faxClass == fcClass1) return PrepareClass1("AT+FTM=?");
  return ecOK;
}

bool FaxSender::WaitsForResponse() const {
  if (IsClass1State(state_)) return state_ != tf1PostPage;
  switch (state_) {
    case tfClass1Ready:
    case tf2Init1: case tf2Init2: case tf2Init3: case tf2Init4: case tf2Init5:
    case tf2DialResponse: case tf2Connected:
    case tf2WaitEopOk: case tf2WaitPageStatus: case tf2RetryPage: case tf2WaitPageResult:
      return true;
    default:
      return false;
  }
}

void FaxSender::OnTimeout() {
  switch (state_) {
    case tfRetryWait:
      Goto(tfDial);
      return;
    case tf2DialResponse:
      Fail(ecFaxNoAnswer);
      return;
    case tf1WaitDis: case tf1WaitPostPageResponse: case tf1WaitHangup:
      Class1Timeout();
      return;
    case tf2WaitXon:
      Class2Dispatch(FaxEvent::Timeout, {});  // no XON: start all the same
      return;
    case tfSendError: case tfNoMoreFaxes: case tfFaxComplete: case tfDone: case tfGetEntry:
      return;
    default:
      Fail(ecFatalTimeout);
  }
}

void FaxSender::Dispatch(FaxEvent ev, const std::string& line) {
  switch (state_) {
    case tfGetEntry:
      if (ev == FaxEvent::Enter) GetEntry();
      return;
    case tfPrepareFax:
      if (ev == FaxEvent::Enter) PrepareFax();
      return;
    case tfDial:
      if (ev == FaxEvent::Enter) Dial();
      return;
    case tfRetryWait:
      return;  // the time-out dials again
    case tfStartPage: case tfSendBlankLines: case tfSendHeaderLine: case tfSendCover: case tfSendPageData:
    case tfPageDataEnd: case tfPageDone:
      PageStates(ev);
      return;
    case tfFaxComplete:
      if (ev == FaxEvent::Enter) FaxComplete();
      return;
    case tfNoMoreFaxes:
      if (ev == FaxEvent::Enter) NoMoreFaxes();
      return;
    case tfSendError:
      if (ev == FaxEvent::Enter) SendError();
      return;
    default:
      if (IsClass1State(state_)) {
        Class1Dispatch(ev, line);
        return;
      }
      Class2Dispatch(ev, line);
  }
}

void FaxSender::GetEntry() {
  DisarmTimeout();
  std::string phone, file, cover;
  inGetEntry_ = true;
  bool answered = messenger_.Next(phone, file, cover);
  inGetEntry_ = false;
  if (!answered || (phone.empty() && file.empty())) {
    Goto(tfNoMoreFaxes);
    return;
  }
  SetNextFax(phone, file, cover);
  messenger_.Log(lfaxTransmitStart);
  s_.currentPage = 0;
  s_.pagesInFile = 0;
  s_.coverPages = 0;
  s_.pageBytes = 0;
  s_.pageLength = 0;
  s_.retries = 0;
  s_.attempt = 0;
  s_.hangupCode = 0;
  s_.remoteId.clear();
  pages_.clear();
  pageIndex_ = 0;
  pageRetries_ = 0;
  if (!s_.faxFile.empty()) {
    if (int rc = AddApfPages(s_.faxFile, Page::File, pages_)) {
      Fail(rc);
      return;
    }
    s_.pagesInFile = static_cast<int>(pages_.size());
    if (pages_.empty() && s_.coverFile.empty()) {
      Fail(ecFaxBadFormat);  // nothing to send
      return;
    }
  } else if (s_.coverFile.empty()) {
    Fail(ecNoFilename);
    return;
  }
  Goto(tfPrepareFax);
}

int FaxSender::AddApfPages(const std::string& fileName, Page::Kind kind, std::vector<Page>& pages) {
  ApfFileHeader header;
  if (int rc = ReadApfHeader(fileName, header)) return rc;
  for (unsigned p = 1; p <= header.PageCount; ++p) {
    ApfPageHeader page;
    if (int rc = ReadApfPageHeader(fileName, p, page)) return rc;
    pages.push_back({kind, p, (page.PageFlags & pfHighRes) != 0, (page.PageFlags & pfWide) != 0, page.DataLength});
  }
  return ecOK;
}

void FaxSender::PrepareFax() {
  if (!s_.coverFile.empty()) {
    // An APF cover is named with the fax file extension; anything else is text.
    std::string lower = s_.coverFile, ext = "." + s_.faxFileExt;
    auto low = [](std::string& t) {
      std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    };
    low(lower);
    low(ext);
    coverIsApf_ = lower.find(ext) != std::string::npos;
    std::vector<Page> cover;
    if (coverIsApf_) {
      if (int rc = AddApfPages(s_.coverFile, Page::ApfCover, cover)) {
        Fail(rc);
        return;
      }
    } else {
      bool fine = !pages_.empty() && pages_.front().fine;
      bool wide = !pages_.empty() && pages_.front().wide;
      cover.push_back({Page::TextCover, 1, fine, wide, 0});
    }
    s_.coverPages = static_cast<int>(cover.size());
    pages_.insert(pages_.begin(), cover.begin(), cover.end());
  }
  if (pages_.empty()) {
    Fail(ecFaxBadFormat);
    return;
  }
  Progress(fpInitModem);
  // Every fax of a list runs at the normal speed; the end of the previous
  // one went back to the init speed.
  if (s_.initBaud != 0 && port_.Baud() != (s_.normalBaud != 0 ? s_.normalBaud : 19200)) SwitchToNormalBaud();
  SendCommand(s_.faxClass == fcClass1 ? "AT+FCLASS=1" : cmd_.classSelect);
  Goto(s_.faxClass == fcClass1 ? tfClass1Ready : tf2Init1, false);
}

std::string DialableNumber(const std::string& number) {
  std::string digits;
  for (char c : number)
    if (c != ' ' && c != '(' && c != ')' && c != '-' && c != '.') digits += c;
  return digits;
}

void FaxSender::Dial() {
  std::string cmd = s_.toneDial ? "ATDT" : "ATDP";
  cmd += DialableNumber(s_.dialPrefix + s_.phoneNumber);
  SendCommand(cmd, s_.dialWait);
  Progress(fpDialing);
  if (s_.faxClass == fcClass1) {
    // The answering fax's first frames (CSI, DIS) follow the CONNECT.
    s_.class1.NewCall();
    Class1BeginCall(true);
    dcsRepeats_ = 0;
    pageResends_ = 0;
    Class1UsePage();
    ExpectFrame();
    Goto(tf1WaitDis, false);
    return;
  }
  Goto(tf2DialResponse, false);
}

void FaxSender::DialResponse(const std::string& line) {
  if (Contains(line, "BUSY") || Contains(line, "ANSWER")) {
    ++s_.attempt;
    if (s_.dialAttempts == 0 || s_.attempt < s_.dialAttempts) {
      Progress(fpBusyWait);
      ArmTimeout(s_.retryWait);
      Goto(tfRetryWait, false);
      return;
    }
    if (s_.options & foAbortNoConnect) {
      Fail(ecFaxBusy);
      return;
    }
    // This fax is given up; the list goes on.
    s_.errorCode = ecFaxBusy;
    messenger_.Error(ecFaxBusy);
    CloseFiles();
    messenger_.Log(lfaxTransmitFail);
    Goto(tfGetEntry);
  } else if (Contains(line, "VOICE") || Contains(line, "VCON")) {
    Fail(ecFaxVoiceCall);
  } else if (Contains(line, "NO DIAL")) {
    Fail(ecFaxNoDialTone);
  } else if (Contains(line, "RRIER")) {
    Fail(ecFaxNoCarrier);
  }
}

bool FaxSender::NextPageChangesResolution() const {
  return HasNextPage() && pages_[pageIndex_ + 1].fine != pages_[pageIndex_].fine;
}

int FaxSender::StartPageData() {
  const Page& page = pages_[pageIndex_];
  // A wide page for a remote without B4 width goes out reduced to A4, with
  // the blank lines, header line and text cover of an A4 page.
  const bool wide = SendsWide(page);
  PageSendOptions opt;
  opt.minBytes = s_.faxClass == fcClass1 ? s_.class1.minBytes : s_.params.minBytes;
  opt.maxSendCount = std::max(1, s_.maxSendCount);
  opt.bufferMinimum = s_.bufferMinimum;
  opt.wide = wide;
  if (s_.faxClass == fcClass1) {
    // Zero fill before the header would cost the line about half a second
    // per page at 14400 bit/s; the modem has the page's lines from its
    // CONNECT on, as fast as they are coded.
    opt.startFill = false;
    if (s_.class1.twoDim) opt.twoDimK = page.fine ? kMrKFine : kMrKStandard;
  }
  if (!s_.headerLine.empty()) {
    HeaderTagValues v;
    const std::time_t now = wallClock_();
    v.date = ShortDate(now);
    v.time = ShortTime(now);
    v.stationId = s_.stationId;
    v.sender = s_.headerSender;
    v.recipient = s_.headerRecipient;
    v.title = s_.headerTitle;
    v.totalPages = s_.pagesInFile + s_.coverPages;
    v.pageNumber = static_cast<int>(pageIndex_) + 1;  // cover pages come first
    const std::string header = ReplaceHeaderTags(s_.headerLine, v);
    const EnhancedTextSettings& enh = s_.enhText;
    if (int rc = enh.enabled ? RenderEnhancedHeaderLines(header, page.fine, wide, enh.headerFont,
                                                         enh.rendererFactory, opt.headerLines)
                             : RenderHeaderLines(header, page.fine, wide, opt.headerLines))
      return rc;
  }
  std::unique_ptr<PageLines> body;
  if (page.kind == Page::TextCover) {
    TextInputOptions textOptions;
    textOptions.Enhanced = s_.enhText.enabled;
    textOptions.EnhFont = s_.enhText.font;
    textOptions.RendererFactory = s_.enhText.rendererFactory;
    auto text = std::make_unique<TextCoverLines>(page.fine, wide, std::move(textOptions));
    if (int rc = text->Open(s_.coverFile)) return rc;
    body = std::move(text);
  } else {
    auto apf = std::make_unique<ApfPageLines>();
    if (int rc = apf->Open(page.kind == Page::File ? s_.faxFile : s_.coverFile, page.number)) return rc;
    body = std::move(apf);
    if (page.wide && !wide) body = std::make_unique<ReducedWidePageLines>(std::move(body));
  }
  tx_.Begin(std::move(body), std::move(opt));
  return ecOK;
}

void FaxSender::PageStates(FaxEvent ev) {
  if (state_ == tfStartPage) {
    if (ev != FaxEvent::OutFree && ev != FaxEvent::Enter) return;
    if (port_.OutBuffFree() < std::min<int>(kOutChunk, port_.OutSize())) {
      ArmOutFree(std::min<int>(kOutChunk, port_.OutSize()));
      return;
    }
    // The status of the page's start names the page that now goes out, with
    // none of its bytes sent yet.
    s_.currentPage = static_cast<int>(pageIndex_) + 1;
    s_.pageBytes = 0;
    s_.pageLength = pages_[pageIndex_].dataLength;
    Progress(fpSendPage);
    TransmitFlowOn();
    if (int rc = StartPageData()) {
      Fail(rc);
      return;
    }
    Goto(tfSendBlankLines);
    return;
  }
  if (state_ == tfPageDone) {
    if (ev == FaxEvent::OutSent) s_.faxClass == fcClass1 ? Class1PageDone() : Class2PageDone();
    return;
  }
  if (state_ == tfPageDataEnd) {
    if (ev != FaxEvent::Enter) return;
    // A Class 1 modem ends the page's carrier at DLE ETX.
    if (s_.faxClass == fcClass1) Put(std::string{static_cast<char>(kDLE), static_cast<char>(kETX)});
    ArmTimeout(s_.pageTimeout);
    ArmOutSent();
    Goto(tfPageDone, false);
    return;
  }
  // Sending: blank lines, header line, cover or page data.
  if (ev != FaxEvent::Enter && ev != FaxEvent::OutFree) return;
  int rc = tx_.Send(port_);
  // A page re-coded on the way counts the stored line bytes it has used, and
  // the whole length it was announced with once it is out.
  if (!tx_.Recoding())
    s_.pageBytes = static_cast<std::uint32_t>(tx_.BytesSent());
  else
    s_.pageBytes = tx_.CurrentPhase() == PageTransmitter::phDone ? s_.pageLength
                                                                 : static_cast<std::uint32_t>(tx_.BodyBytesTaken());
  if (rc < 0) {
    Fail(rc);
    return;
  }
  if (rc == 1) {
    Goto(tfPageDataEnd);
    return;
  }
  int next;
  switch (tx_.CurrentPhase()) {
    case PageTransmitter::phBlank: next = tfSendBlankLines; break;
    case PageTransmitter::phHeader: next = tfSendHeaderLine; break;
    default: next = pages_[pageIndex_].kind == Page::File ? tfSendPageData : tfSendCover; break;
  }
  if (next != state_) Goto(next, false);
  ArmOutFree(PageTransmitter::RoomLevel(port_, s_.bufferMinimum));
  ArmTimeout(s_.pageTimeout);
}

void FaxSender::CloseFiles() {
  // Page sources close their files as they are replaced; nothing stays open.
  tx_.Begin(nullptr, {});
}

void FaxSender::ReleaseFiles() {
  CloseFiles();
  try {
    TransmitFlowOff();
  } catch (const EAPDException&) {
    // A closed port has no flow control left to turn off.
  }
}

void FaxSender::TransmitFlowOn() {
  if (!(s_.options & foSoftwareFlow)) return;
  // Only the modem's XOFF is obeyed: the data may hold any byte, so nothing
  // may be slipped into it.
  port_.SetSWFlowOptions(swfTransmit);
  flowOn_ = true;
}

void FaxSender::TransmitFlowOff() {
  if (!flowOn_) return;
  flowOn_ = false;
  port_.SetSWFlowOptions(swfNone);
}

void FaxSender::FaxComplete() {
  Class1EndCall();
  CloseFiles();
  Progress(fpFinished);
  messenger_.Log(lfaxTransmitOk);
  SwitchToInitBaud();
  Goto(tfGetEntry);
}

void FaxSender::SendError() {
  DisarmOutFree();
  Guarded([this] { TransmitFlowOff(); });
  // A call in T.30 ends with our DCN; this state runs again once it is out.
  if (Class1CloseWithDcn(modemSending_)) return;
  CloseFiles();
  messenger_.Log(lfaxTransmitFail);
  DisarmTimeout();
  try {
    if (QuickHangUp()) {
      HangUpLostLine();
    } else {
      if (s_.faxClass == fcClass1 && !ModemIdle()) Class1StopModem(modemSending_);
      HangUpSender();
    }
  } catch (const EAPDException&) {
    // A port that fails cannot hang up; the session still ends or goes on.
  }
  Class1EndCall();
  modemSending_ = false;
  // A cancel that came while this error was handled ends the session too.
  if (AbortPending()) abortedByUser_ = true;
  if ((s_.options & (foExitOnError | foAbortNoConnect)) || abortedByUser_) {
    s_.progress = fpCancel;
    StatusNow(fsLast);
    FinishSession(s_.errorCode);
    return;
  }
  Guarded([this] { SwitchToInitBaud(); });
  Goto(tfGetEntry);
}

void FaxSender::NoMoreFaxes() {
  StatusNow(fsLast);
  FinishSession(s_.errorCode);
}

}  // namespace telvane
