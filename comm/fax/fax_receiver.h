// The receive machine: waits for calls, answers, and stores the pages with
// the protocol of the modem's class.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fax_engine.h"
#include "received_fax_file.h"

namespace telvane {

// Receive states (one byte; 37 means finished).
enum TReceiveState {
  rfInit = 1, rfClass1Ready,
  rf2Init1, rf2Init2, rf2Init3, rf2Init4, rf2Init5,    // 3..7: Class 2/2.0 set-up
  rfWaitForCall, rfAnswer,                              // 8, 9
  // 10..21: Class 1 phase B (CSI/DIS, DCS, training check, CFR or FTT)
  rf1SendCsi, rf1SendDis, rf1WaitDcs, rf1RepeatDis, rf1RepeatWait, rf1WaitTcfConnect, rf1CheckTcf,
  rf1Unused17, rf1SendFtt, rf1WaitTcfEnd, rf1SendCfr, rf1WaitPageConnect,
  rf2WaitConnect, rf2GetSessionParams, rf2WaitPageConnect,  // 22..24
  rfStartPage, rfPageData,                              // 25, 26: page data (both classes)
  // 27..32: Class 1 phase D (post-page message, MCF) and the end of the call
  rf1PageEnd, rf1WaitPostPage, rf1CompletePage, rf1SendMcf, rf1WaitDcn, rf1WaitHangup,
  rf2PageEnd, rf2WaitHangup,                            // 33, 34
  rfComplete, rfError, rfDone                           // 35..37
};

class TFaxReceiver : public TFaxEngine {
 public:
  using TFaxEngine::TFaxEngine;
  ~TFaxReceiver() override;

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
  std::vector<std::uint8_t> data_;  // page data waiting to be written
  // Class 1.
  TcfChecker tcf_;
  int disRepeats_ = 0;       // DIS sent again after a wait for DCS ran out
  bool frameSent_ = false;   // the frame of the current transmit state is out
  bool trainFailed_ = false; // FTT sent at 2400 bit/s
  std::uint8_t postPage_ = 0;  // MPS, EOM or EOP of the last page
};

}  // namespace telvane
