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
  // 10..21: Class 1 receive phases (later)
  rf2WaitConnect = 22, rf2GetSessionParams, rf2WaitPageConnect, rf2StartPage, rf2PageData,  // 22..26
  // 27..32: Class 1 (later)
  rf2PageEnd = 33, rf2WaitHangup,                       // 33, 34
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
  bool TakesRawInput() const override { return state_ == rf2PageData; }
  void TakeRawInput(std::string& pending) override;
  bool WaitsForResponse() const override;
  void OnTimeout() override;
  int FinishedState() const override { return rfDone; }
  int ErrorState() const override { return rfError; }
  void ReleaseFiles() override { file_.Close(); }

 private:
  void ReceiveInit();
  void WaitForCall(const std::string& line);
  void Complete();
  void ReceiveError();

  // Class 2 / 2.0 states (class2_receiver.cpp).
  int Class2Prepare();
  void Class2Dispatch(FaxEvent ev, const std::string& line);
  void Class2Setup(FaxEvent ev, const std::string& line);
  void Class2Session(FaxEvent ev, const std::string& line);
  void Class2PageEnd(const std::string& line);
  bool Class2Hangup(const std::string& line);
  void AcceptCall();
  int FlushPageData();

  ReceivedFaxFile file_;
  bool answered_ = false;
  bool endOfDocument_ = false;
  bool pageRefused_ = false;  // the last page's status asked for it again
  bool dleSeen_ = false;
  bool flowOn_ = false;
  std::vector<std::uint8_t> data_;  // page data waiting to be written
};

}  // namespace telvane
