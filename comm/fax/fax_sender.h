// The send machine: gets each fax from the owner, prepares the modem, dials,
// and sends the pages with the protocol of the modem's class.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fax_engine.h"
#include "page_transmitter.h"

namespace telvane {

// Send states (one byte; 48 means finished).
enum TSendState {
  tfGetEntry = 1, tfPrepareFax, tfClass1Ready,
  tf2Init1, tf2Init2, tf2Init3, tf2Init4, tf2Init5,   // 4..8: Class 2/2.0 set-up
  tfDial, tfRetryWait,                                 // 9, 10
  // 11..18: Class 1 phase B (class1_sender.cpp)
  tf1WaitDis = 11, tf1SendTsi, tf1SendDcs, tf1DcsSent, tf1SendTcf, tf1TcfSent, tf1WaitCfr, tf1WaitPageConnect,
  tf2DialResponse = 19, tf2Connected, tf2WaitXon,      // 19..21
  tfStartPage, tfSendBlankLines, tfSendHeaderLine, tfSendCover, tfSendPageData, tfPageDataEnd,  // 22..27
  tfPageDone,                                          // 28
  // 29..37: Class 1 phase D (class1_sender.cpp); 33 is not used
  tf1PageSent = 29, tf1PostPage, tf1SendPostPage, tf1PostPageSent,
  tf1WaitPostPageResponse = 34, tf1SendDcn, tf1DcnSent, tf1WaitHangup,
  tf2PageEnd = 38, tf2WaitEopOk, tf2WaitPageStatus, tf2RetryPage, tf2NewParams, tf2NextPage,
  tf2WaitPageResult,                                   // 38..44
  tfFaxComplete, tfNoMoreFaxes, tfSendError, tfDone    // 45..48
};

class TFaxSender : public TFaxEngine {
 public:
  using TFaxEngine::TFaxEngine;
  ~TFaxSender() override;

  const char* StateName(int state) const override;
  // The next fax, as the owner's next-fax notification gives it.
  void SetNextFax(const std::string& phone, const std::string& faxFile, const std::string& coverFile);

 protected:
  int Prepare() override;
  void Dispatch(FaxEvent ev, const std::string& line) override;
  bool TakesRawInput() const override { return state_ == tf2WaitXon; }
  void TakeRawInput(std::string& pending) override;
  bool WaitsForResponse() const override;
  void OnTimeout() override;
  int FinishedState() const override { return tfDone; }
  int ErrorState() const override { return tfSendError; }
  void ReleaseFiles() override;

 private:
  // One page of the fax: a cover page or a page of the fax file.
  struct Page {
    enum Kind { TextCover, ApfCover, File } kind;
    unsigned number;  // page number within its file
    bool fine;
    bool wide;
  };

  // Shared states.
  void GetEntry();
  void PrepareFax();
  void Dial();
  void DialResponse(const std::string& line);
  void PageStates(FaxEvent ev);
  void FaxComplete();
  void SendError();
  void NoMoreFaxes();
  void CloseFiles();
  int StartPageData();
  // Appends an entry of `kind` for every page of the APF file `fileName`.
  int AddApfPages(const std::string& fileName, Page::Kind kind, std::vector<Page>& pages);
  bool HasNextPage() const { return pageIndex_ + 1 < pages_.size(); }
  bool NextPageChangesResolution() const;

  // Class 1 states (class1_sender.cpp).
  static bool IsClass1State(int state);
  void Class1Dispatch(FaxEvent ev, const std::string& line);
  void Class1Timeout();
  void Class1PhaseB(const std::string& line);
  void Class1PhaseD(FaxEvent ev, const std::string& line);
  void Class1PostPageResponse();
  void Class1PageDone();
  // The page about to be negotiated or sent becomes the session's page.
  void Class1UsePage();
  // MPS, EOM or EOP for what follows the page just sent.
  std::uint8_t PostPageFcf() const;
  bool NextPageIsNewDocument() const;

  // XON/XOFF from the modem while TCF or page data goes out (SoftwareFlow).
  void TransmitFlowOn();
  void TransmitFlowOff();

  // Class 2 / 2.0 states (class2_sender.cpp).
  void Class2Dispatch(FaxEvent ev, const std::string& line);
  void Class2Setup(FaxEvent ev, const std::string& line);
  void Class2Connected(FaxEvent ev, const std::string& line);
  void Class2PageDone();
  void Class2PageEnd(FaxEvent ev, const std::string& line);
  void Class2PageStatus(const std::string& line);
  void Class2AfterPage();
  // Counts a retransmission and sends the page again, or gives up (AT+FKS).
  void SendPageAgain();

  std::string nextPhone_, nextFile_, nextCover_;
  bool coverIsApf_ = false;
  std::vector<Page> pages_;
  std::size_t pageIndex_ = 0;
  PageTransmitter tx_;
  bool flowOn_ = false;
  int pageRetries_ = 0;
  bool pageGood_ = false;
  bool pageRefused_ = false;  // a Class 2.0 page status of 2 came before the result code
  int postPageTries_ = 0;     // Class 1: tries of the current post-page message
  int dcsRepeats_ = 0;        // Class 1: DCS sent again after an answer that was neither CFR nor FTT
  bool modemSending_ = false; // Class 1: TCF or page data may be on its way to the modem
};

}  // namespace telvane
