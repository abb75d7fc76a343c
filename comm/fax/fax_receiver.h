// The receive machine: waits for calls, answers, and stores the pages with
// the protocol of the modem's class.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "comm/fax/fax_engine.h"
#include "comm/fax/received_fax_file.h"
#include "faxdoc/t4_rtc.h"

namespace telvane {

// Receive states: the machine's one-byte state codes (37 means finished). One
// table gives each its number and, for traces, its name.
//   1-7 set-up (3-7 Class 2/2.0); 8, 9 waiting and answering; 10-21 Class 1
//   phase B (CSI/DIS, DCS, training check, CFR or FTT); 22-24 Class 2
//   connection; 25, 26 page data (both classes); 27-32 Class 1 phase D and the
//   end of the call; 33, 34 Class 2 end of page; 35-37 end of the session.
#define TELVANE_RECEIVE_STATES(X) \
  X(rfInit, 1) \
  X(rfClass1Ready, 2) \
  X(rf2Init1, 3) \
  X(rf2Init2, 4) \
  X(rf2Init3, 5) \
  X(rf2Init4, 6) \
  X(rf2Init5, 7) \
  X(rfWaitForCall, 8) \
  X(rfAnswer, 9) \
  X(rf1SendCsi, 10) \
  X(rf1SendDis, 11) \
  X(rf1WaitDcs, 12) \
  X(rf1RepeatDis, 13) \
  X(rf1RepeatWait, 14) \
  X(rf1WaitTcfConnect, 15) \
  X(rf1CheckTcf, 16) \
  X(rf1Unused17, 17) \
  X(rf1SendFtt, 18) \
  X(rf1WaitTcfEnd, 19) \
  X(rf1SendCfr, 20) \
  X(rf1WaitPageConnect, 21) \
  X(rf2WaitConnect, 22) \
  X(rf2GetSessionParams, 23) \
  X(rf2WaitPageConnect, 24) \
  X(rfStartPage, 25) \
  X(rfPageData, 26) \
  X(rf1PageEnd, 27) \
  X(rf1WaitPostPage, 28) \
  X(rf1CompletePage, 29) \
  X(rf1SendMcf, 30) \
  X(rf1WaitDcn, 31) \
  X(rf1WaitHangup, 32) \
  X(rf2PageEnd, 33) \
  X(rf2WaitHangup, 34) \
  X(rfComplete, 35) \
  X(rfError, 36) \
  X(rfDone, 37)

enum ReceiveState : int {
#define TELVANE_STATE_ENUMERATOR(name, value) name = value,
  TELVANE_RECEIVE_STATES(TELVANE_STATE_ENUMERATOR)
#undef TELVANE_STATE_ENUMERATOR
};

class FaxReceiver : public FaxEngine {
 public:
  using FaxEngine::FaxEngine;
  ~FaxReceiver() override;

  const char* StateName(int state) const override;
  const ReceivedFaxFile& File() const { return file_; }

 protected:
  int Prepare() override;
  void Dispatch(FaxEvent ev, const std::string& line) override;
  bool TakesRawInput() const override { return state_ == rfPageData || state_ == rf1CheckTcf; }
  void TakeRawInput(std::string& pending) override;
  bool WaitsForResponse() const override;
  void OnTimeout() override;
  int FinishedState() const override { return rfDone; }
  int ErrorState() const override { return rfError; }
  void ReleaseFiles() override;
  bool DcnExpected() const override { return state_ == rf1WaitDcn; }
  void OnLineLost() override;

 private:
  void ReceiveInit();
  void WaitForCall(const std::string& line);
  void Complete();
  void ReceiveError();
  // Log codes of calls go through here: it keeps callOpen_.
  void LogCall(int code);
  // States that set the modem up for calls (before any call is waited for).
  static bool IsSetUpState(int state);

  // Class 2 / 2.0 states (class2_receiver.cpp).
  int Class2Prepare();
  void Class2Dispatch(FaxEvent ev, const std::string& line);
  void Class2Setup(FaxEvent ev, const std::string& line);
  void Class2Session(FaxEvent ev, const std::string& line);
  void Class2PageEnd(const std::string& line);
  bool Class2Hangup(const std::string& line);
  void AcceptCall();

  // Class 1 states (class1_receiver.cpp).
  int Class1Prepare();
  void Class1Dispatch(FaxEvent ev, const std::string& line);
  void Class1PhaseB(const std::string& line);
  void Class1PhaseD(const std::string& line);
  void Class1SendMcf(bool ok, bool connect);
  void Class1Timeout();
  void Class1CallAnswered();
  void Class1TakeTcf(std::string& pending);
  static bool IsClass1State(int state);

  // Page data of both classes (fax_receiver.cpp).
  void StartPage();
  void TakePageData(std::string& pending);
  int FlushPageData();
  // XON/XOFF towards the modem while it delivers data (SoftwareFlow).
  void ReceiveFlowOn();
  void ReceiveFlowOff();

  ReceivedFaxFile file_;
  bool answered_ = false;
  // A call is open: it was answered and not yet logged as received,
  // skipped or failed (5, 6, 7), nor lost before it connected. Only an open
  // call can end as a failed receive; errors and cancels between calls log
  // nothing.
  bool callOpen_ = false;
  bool endOfDocument_ = false;
  bool pageRefused_ = false;  // the last page's status asked for it again
  bool dleSeen_ = false;
  bool flowOn_ = false;
  std::uint16_t savedFull_ = 0, savedResume_ = 0;  // the port's thresholds before flow went on
  bool skipLf_ = false;  // the line feed that ends "CONNECT" comes before the data
  RtcFinder rtc_;        // Class 1: the page ends at RTC; what follows is not kept
  std::vector<std::uint8_t> data_;  // page data waiting to be written
  // Class 1.
  TcfChecker tcf_;
  int disRepeats_ = 0;       // DIS sent again after a wait for DCS ran out
  bool frameSent_ = false;   // the frame of the current transmit state is out
  bool trainFailed_ = false; // FTT sent at 2400 bit/s
  std::uint8_t postPage_ = 0;  // MPS, EOM or EOP of the last page
};

}  // namespace telvane
