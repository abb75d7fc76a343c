// The shared part of the fax components: properties into the session record,
// the port checks, the run of an engine, and the engine's notifications
// turned into the components' events on the main thread.
#include "comm/components/abstract_fax.h"

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/components/fax_log.h"
#include "comm/components/fax_status_display.h"

namespace telvane {
namespace {

constexpr std::size_t kStationIdMax = 20;
// Page data need room in the output buffer: a smaller one cannot keep the
// modem fed at the line's speed.
constexpr int kMinOutSize = 8192;

}  // namespace

std::string CutText(const std::string& text, std::size_t max) {
  return text.size() > max ? text.substr(0, max) : text;
}

std::string PrintableText(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u > 126) c = '?';
  }
  return out;
}

TApdAbstractFax::TApdAbstractFax(IMainThreadDispatcher* main) : main_(main) {}

TApdAbstractFax::~TApdAbstractFax() { engine_.reset(); }

void TApdAbstractFax::SetModemInit(const std::string& v) { modemInit_ = CutText(v); }
void TApdAbstractFax::SetStationID(const std::string& v) { stationId_ = CutText(v, kStationIdMax); }
void TApdAbstractFax::SetFaxFile(const std::string& v) { faxFile_ = CutText(v); }
void TApdAbstractFax::SetFaxFileExt(const std::string& v) { faxFileExt_ = CutText(v); }

void TApdAbstractFax::CancelFax() {
  if (engine_ && inProgress_) engine_->Abort();
}

int TApdAbstractFax::FaxProgress() const { return engine_ ? engine_->Session().progress : 0; }
std::string TApdAbstractFax::RemoteID() const { return engine_ ? PrintableText(engine_->Session().remoteId) : ""; }
int TApdAbstractFax::HangupCode() const { return engine_ ? engine_->Session().hangupCode : 0; }
int TApdAbstractFax::CurrentPage() const { return engine_ ? engine_->Session().currentPage : 0; }
int TApdAbstractFax::ErrorCode() const { return engine_ ? engine_->Session().errorCode : 0; }
EndReason TApdAbstractFax::SessionEndReason() const {
  return engine_ ? engine_->Session().endReason : EndReason::None;
}
long TApdAbstractFax::PageLength() const { return engine_ ? static_cast<long>(engine_->Session().pageLength) : 0; }

long TApdAbstractFax::BytesTransferred() const { return engine_ ? static_cast<long>(engine_->Session().pageBytes) : 0; }

int TApdAbstractFax::TotalPages() const {
  if (!engine_) return 0;
  const FaxSession& s = engine_->Session();
  return s.pagesInFile + s.coverPages;
}

int TApdAbstractFax::SessionBPS() const {
  if (!engine_) return 0;
  const FaxSession& s = engine_->Session();
  return s.faxClass == fcClass1 ? s.class1.bps : s.params.bps;
}

bool TApdAbstractFax::SessionResolution() const {
  if (!engine_) return false;
  const FaxSession& s = engine_->Session();
  return s.faxClass == fcClass1 ? s.class1.fine : s.params.fine;
}

bool TApdAbstractFax::SessionWidth() const {
  if (!engine_) return false;
  const FaxSession& s = engine_->Session();
  return s.faxClass == fcClass1 ? s.class1.wide : s.params.wide;
}

void TApdAbstractFax::CheckPort() const {
  if (!comPort_) throw EPortNotAssigned();
  if (comPort_->DeviceLayer() == dlWinsock) RaiseError(ecNotSupportedByLayer);
  if (comPort_->OutSize() < kMinOutSize) throw EOutputBufferTooSmall();
  // One component runs one session at a time; its engine record is in use.
  if (inProgress_) RaiseError(ecFaxSessionError);
}

void TApdAbstractFax::ApplyProperties(FaxSession& s) const {
  s.faxClass = faxClass_;
  s.initBaud = initBaud_;
  s.normalBaud = normalBaud_;
  s.modemInit = modemInit_;
  s.SetStationId(stationId_);
  s.options = (abortNoConnect_ ? foAbortNoConnect : 0) | (exitOnError_ ? foExitOnError : 0) |
              (softwareFlow_ ? foSoftwareFlow : 0);
  s.statusInterval = statusInterval_;
  s.desiredBps = desiredBps_;
  s.desiredEcm = desiredEcm_ ? '1' : '0';
  s.faxFileExt = faxFileExt_;
}

int TApdAbstractFax::RunEngine(std::unique_ptr<FaxEngine> engine) {
  engine_ = std::move(engine);
  engine_->SetYield(yield_);
  engine_->SetWallClock(Clock);
  ApplyProperties(engine_->Session());
  inProgress_ = true;
  try {
    return engine_->Start();
  } catch (...) {
    // A start that throws (the port closed while the modem was prepared)
    // reports no finish: the component must not stay busy for good.
    engine_->Stop();
    inProgress_ = false;
    throw;
  }
}

void TApdAbstractFax::FaxStatus(FaxStatusKind kind, int /*progress*/) {
  const bool first = kind == fsFirst, last = kind == fsLast;
  if (statusDisplay_) statusDisplay_->UpdateDisplay(*this, first, last);
  if (OnFaxStatus) OnFaxStatus(*this, first, last);
}

void TApdAbstractFax::FaxLog(int logCode) {
  if (faxLog_) faxLog_->UpdateLog(*this, logCode);
  if (OnFaxLog) OnFaxLog(*this, logCode);
}

void TApdAbstractFax::FaxError(int code) {
  if (OnFaxError) OnFaxError(*this, code);
}

void TApdAbstractFax::FaxFinish(int code) {
  // With a main thread the finish is posted and runs outside the engine's
  // event handling, so the session's triggers can go now; without one the
  // engine is still inside its event and is stopped by the next start.
  if (main_ && engine_) engine_->Stop();
  inProgress_ = false;
  SessionEnded(code);
  if (OnFaxFinish) OnFaxFinish(*this, code);
}

}  // namespace telvane
