// The send machine: gets each fax from the owner, prepares the modem, dials,
// and sends the pages with the protocol of the modem's class.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "comm/fax/fax_engine.h"
#include "comm/fax/page_transmitter.h"

namespace telvane {

// The dial string as a modem takes it: numbers are written "(555) 123-4567"
// or "555.123.4567", and many modems answer ERROR to the blanks, brackets,
// hyphens and dots; dial modifiers (",", "W", "T", "P", "*", "#") stay.
std::string DialableNumber(const std::string& number);

// Send states: the machine's one-byte state codes (48 means finished). One
// table gives each its number and, for traces, its name.
//   1-3 next fax and preparation; 4-8 Class 2/2.0 set-up; 9, 10 dialling;
//   11-18 Class 1 phase B (class1_sender.cpp); 19-21 Class 2 connection;
//   22-28 page transmission; 29-37 Class 1 phase D (33 is not used);
//   38-44 Class 2 end of page; 45-48 end of the fax and of the session.
#define TELVANE_SEND_STATES(X) \
  X(tfGetEntry, 1) \
  X(tfPrepareFax, 2) \
  X(tfClass1Ready, 3) \
  X(tf2Init1, 4) \
  X(tf2Init2, 5) \
  X(tf2Init3, 6) \
  X(tf2Init4, 7) \
  X(tf2Init5, 8) \
  X(tfDial, 9) \
  X(tfRetryWait, 10) \
  X(tf1WaitDis, 11) \
  X(tf1SendTsi, 12) \
  X(tf1SendDcs, 13) \
  X(tf1DcsSent, 14) \
  X(tf1SendTcf, 15) \
  X(tf1TcfSent, 16) \
  X(tf1WaitCfr, 17) \
  X(tf1WaitPageConnect, 18) \
  X(tf2DialResponse, 19) \
  X(tf2Connected, 20) \
  X(tf2WaitXon, 21) \
  X(tfStartPage, 22) \
  X(tfSendBlankLines, 23) \
  X(tfSendHeaderLine, 24) \
  X(tfSendCover, 25) \
  X(tfSendPageData, 26) \
  X(tfPageDataEnd, 27) \
  X(tfPageDone, 28) \
  X(tf1PageSent, 29) \
  X(tf1PostPage, 30) \
  X(tf1SendPostPage, 31) \
  X(tf1PostPageSent, 32) \
  X(tf1WaitPostPageResponse, 34) \
  X(tf1SendDcn, 35) \
  X(tf1DcnSent, 36) \
  X(tf1WaitHangup, 37) \
  X(tf2PageEnd, 38) \
  X(tf2WaitEopOk, 39) \
  X(tf2WaitPageStatus, 40) \
  X(tf2RetryPage, 41) \
  X(tf2NewParams, 42) \
  X(tf2NextPage, 43) \
  X(tf2WaitPageResult, 44) \
  X(tfFaxComplete, 45) \
  X(tfNoMoreFaxes, 46) \
  X(tfSendError, 47) \
  X(tfDone, 48)

enum SendState : int {
#define TELVANE_STATE_ENUMERATOR(name, value) name = value,
  TELVANE_SEND_STATES(TELVANE_STATE_ENUMERATOR)
#undef TELVANE_STATE_ENUMERATOR
};

class FaxSender : public FaxEngine {
 public:
  using FaxEngine::FaxEngine;
  ~FaxSender() override;

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
  void OnLineLost() override;

 private:
  // One page of the fax: a cover page or a page of the fax file.
  struct Page {
    enum Kind { TextCover, ApfCover, File } kind;
    unsigned number;  // page number within its file
    bool fine;
    bool wide;
    std::uint32_t dataLength;  // coded bytes of an APF page; 0 for a text cover
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
  // The page goes out at 2048 pixels: it is wide and the remote takes B4
  // (Class 1 decides per call; Class 2 modems reduce by themselves).
  bool SendsWide(const Page& page) const;

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
  int pageResends_ = 0;       // Class 1: the current page sent again after the receiver's DIS
  bool modemSending_ = false; // Class 1: TCF or page data may be on its way to the modem
};

}  // namespace telvane
