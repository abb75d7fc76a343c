// What the send and receive fax components share: the properties copied into
// the engine's session record, the read-outs of the running session, and the
// path of the engine's notifications to the component's events.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "comm/port/com_port.h"
#include "comm/fax/fax_engine.h"
#include "comm/fax/fax_owner.h"
#include "comm/fax/fax_session.h"
#include "comm/core/main_thread_dispatcher.h"

namespace telvane {

class TApdAbstractFaxStatus;
class TApdFaxLog;

// Replaces every character below 32 or above 126 with '?', so that a text a
// remote station chose cannot add lines or control sequences where it is shown.
std::string PrintableText(const std::string& text);

// Component string properties hold at most this many characters.
inline constexpr std::size_t kShortStringMax = 255;
// `text` cut to at most `max` characters.
std::string CutText(const std::string& text, std::size_t max = kShortStringMax);

class TApdAbstractFax : protected IFaxOwner {
 public:
  // `main`: the thread the events run on; nullptr calls them directly on
  // whatever thread drives the engine.
  explicit TApdAbstractFax(IMainThreadDispatcher* main);
  ~TApdAbstractFax() override;
  TApdAbstractFax(const TApdAbstractFax&) = delete;
  TApdAbstractFax& operator=(const TApdAbstractFax&) = delete;

  // --- Properties ---
  std::int32_t InitBaud() const { return initBaud_; }
  void SetInitBaud(std::int32_t v) { initBaud_ = v; }
  std::int32_t NormalBaud() const { return normalBaud_; }
  void SetNormalBaud(std::int32_t v) { normalBaud_ = v; }
  TFaxClass FaxClass() const { return faxClass_; }
  void SetFaxClass(TFaxClass v) { faxClass_ = v; }
  const std::string& ModemInit() const { return modemInit_; }
  void SetModemInit(const std::string& v);
  const std::string& StationID() const { return stationId_; }
  void SetStationID(const std::string& v);   // at most 20 characters
  TApdComPort* ComPort() const { return comPort_; }
  void SetComPort(TApdComPort* v) { comPort_ = v; }
  TApdAbstractFaxStatus* StatusDisplay() const { return statusDisplay_; }
  void SetStatusDisplay(TApdAbstractFaxStatus* v) { statusDisplay_ = v; }
  TApdFaxLog* FaxLog() const { return faxLog_; }
  void SetFaxLog(TApdFaxLog* v) { faxLog_ = v; }
  virtual std::string FaxFile() const { return faxFile_; }
  virtual void SetFaxFile(const std::string& v);
  bool AbortNoConnect() const { return abortNoConnect_; }
  void SetAbortNoConnect(bool v) { abortNoConnect_ = v; }
  bool ExitOnError() const { return exitOnError_; }
  void SetExitOnError(bool v) { exitOnError_ = v; }
  bool SoftwareFlow() const { return softwareFlow_; }
  void SetSoftwareFlow(bool v) { softwareFlow_ = v; }
  int StatusInterval() const { return statusInterval_; }
  void SetStatusInterval(int v) { statusInterval_ = v; }
  int DesiredBPS() const { return desiredBps_; }
  void SetDesiredBPS(int v) { desiredBps_ = v; }
  bool DesiredECM() const { return desiredEcm_; }
  void SetDesiredECM(bool v) { desiredEcm_ = v; }
  const std::string& FaxFileExt() const { return faxFileExt_; }
  void SetFaxFileExt(const std::string& v);

  // The clock of the dates a session writes (header lines, received fax
  // headers, date-based file names); tests fix it.
  WallClock Clock = SystemTime;

  // --- Events (main thread) ---
  std::function<void(TApdAbstractFax&, bool first, bool last)> OnFaxStatus;
  std::function<void(TApdAbstractFax&, int logCode)> OnFaxLog;
  std::function<void(TApdAbstractFax&, int errorCode)> OnFaxError;
  std::function<void(TApdAbstractFax&, int errorCode)> OnFaxFinish;

  // Asks the running session to stop (-6005); does nothing when none runs.
  void CancelFax();
  // A session runs: from its start until its finish event has been raised.
  bool InProgress() const { return inProgress_; }

  // --- Read-outs of the running or last session, valid in the events ---
  int FaxProgress() const;
  // The remote station ID with characters below 32 and above 126 replaced.
  std::string RemoteID() const;
  int HangupCode() const;
  int CurrentPage() const;
  // Pages of the fax: to be sent (cover pages included) or received so far.
  virtual int TotalPages() const;
  int SessionBPS() const;
  bool SessionResolution() const;   // true: fine (196 lines per inch)
  bool SessionWidth() const;        // true: wide (2048 pixels)
  long BytesTransferred() const;
  // The coded size of the page being sent (0 when unknown: text covers,
  // received pages).
  long PageLength() const;
  // The error code of the session (0 while it goes well).
  int ErrorCode() const;
  // Why the current or last fax (call) ended: a user's cancel, a far end that
  // hung up and a lost line share codes with other failures.
  EndReason SessionEndReason() const;

  // Runs the main loop while the engine waits synchronously (fax_engine.h).
  void SetYield(std::function<void()> fn) { yield_ = std::move(fn); }

 protected:
  // Checks the port (-1005, -1009, -3006 raised as exceptions).
  void CheckPort() const;
  // Copies the shared properties into the engine's session record.
  virtual void ApplyProperties(FaxSession& s) const;
  // Runs `engine` as the session: keeps it, applies the properties, starts it.
  // Returns the engine's start result (errors before the run are already
  // reported through OnFaxError and OnFaxFinish).
  int RunEngine(std::unique_ptr<FaxEngine> engine);
  // Called on the main thread after the finish event of a session.
  virtual void SessionEnded(int /*code*/) {}
  FaxEngine* Engine() const { return engine_.get(); }
  // Stops and drops the engine. A derived component's destructor calls it
  // first: a running engine may still call the component (directly when
  // there is no main thread), which must not meet its members destroyed.
  void DropEngine() { engine_.reset(); }

  // IFaxOwner: the engine's notifications, on the main thread.
  void FaxStatus(FaxStatusKind kind, int progress) override;
  void FaxLog(int logCode) override;
  void FaxError(int code) override;
  void FaxFinish(int code) override;

  IMainThreadDispatcher* main_;
  std::string faxFile_;

 private:
  std::int32_t initBaud_ = 0;
  std::int32_t normalBaud_ = 0;
  TFaxClass faxClass_ = fcDetect;
  std::string modemInit_;
  std::string stationId_;
  TApdComPort* comPort_ = nullptr;
  TApdAbstractFaxStatus* statusDisplay_ = nullptr;
  TApdFaxLog* faxLog_ = nullptr;
  bool abortNoConnect_ = false;
  bool exitOnError_ = false;
  bool softwareFlow_ = false;
  int statusInterval_ = 1;
  int desiredBps_ = 9600;
  bool desiredEcm_ = false;
  std::string faxFileExt_ = "APF";

  std::unique_ptr<FaxEngine> engine_;
  std::function<void()> yield_;
  std::atomic<bool> inProgress_{false};
};

}  // namespace telvane
