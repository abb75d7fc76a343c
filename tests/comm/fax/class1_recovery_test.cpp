// Class 1 calls that go wrong, against a scripted modem: the sender's T.30
// recovery when the receiver answers a post-page command with DIS, within
// its retry count; the far end's DCN; NO CARRIER while a frame is awaited
// and the modem, gone on hook, refusing the next command. (The other line
// faults run end to end: tests/tool/fax_e2e/line_faults_test.cpp.)
#include <gtest/gtest.h>

#include "base/error_codes.h"
#include "comm/fax/class1_frames.h"
#include "comm/fax/fax_sender.h"
#include "tests/comm/fax/fax_fixture.h"

namespace telvane {
namespace {

using test::FaxTest;

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}
const std::string kDleEtx = Bytes({0x10, 0x03});
std::string Frame(int control, int fcf, std::initializer_list<int> fif = {}) {
  return Bytes({0xFF, control, fcf}) + Bytes(fif) + kDleEtx;
}
const std::string kCsi = Frame(0x03, 0x40);
const std::string kDis = Frame(0x13, 0x80, {0x00, 0xEE, 0xF9, 0x00});  // V.17, fine, B4
const std::string kCfr = Frame(0x13, 0x84), kMcf = Frame(0x13, 0x8C), kDcn = Frame(0x13, 0xFA);
const std::string kMps = Frame(0x13, 0x4F), kEop = Frame(0x13, 0x2F), kDcnOut = Frame(0x13, 0xFB);
const std::string kDcsHead = Bytes({0xFF, 0x13, 0x83});

class Class1RecoveryTest : public FaxTest {
 protected:
  static std::string Got(const std::string& frame) { return Rsp("CONNECT") + frame + Rsp("OK"); }

  std::unique_ptr<FaxSender> Sender(const std::string& file) {
    owner.faxes.emplace_back("5551234", file, "");
    auto s = std::make_unique<FaxSender>(port, owner);
    s->Session().faxClass = fcClass1;
    s->Session().desiredBps = 9600;
    Watch(*s);
    line->Expect("ATE0Q0V1X4S0=0S2=43\r", Rsp("OK"));
    line->Expect("AT+FCLASS=1\r", Rsp("OK"));
    line->Expect("AT+FTM=?\r", Rsp("24,48,72,96\nOK"));
    line->Expect("AT+FCLASS=1\r", Rsp("OK"));
    return s;
  }
  // From the dial to the CFR: the remote's CSI and DIS, our TSI, DCS, TCF.
  void Call() {
    line->Expect("ATDT5551234\r", Got(kCsi));
    line->Expect("AT+FRH=3\r", Got(kDis));
    Training();
  }
  void Training() {
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(Bytes({0xFF, 0x03, 0x43}), Rsp("CONNECT"));  // TSI
    line->Expect(kDcsHead, Rsp("OK"));
    line->Expect("AT+FTM=96\r", Rsp("CONNECT"));
    line->Expect(kDleEtx, Rsp("OK"));
    line->Expect("AT+FRH=3\r", Got(kCfr));
  }
  void Page(const std::string& post, const std::string& answer) {
    line->Expect("AT+FTM=96\r", Rsp("CONNECT"));
    line->Expect(kDleEtx, Rsp("OK"));
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(post, Rsp("OK"));
    line->Expect("AT+FRH=3\r", answer);
  }
  void Dcn() {
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(kDcnOut, Rsp("OK"));
  }
  void Run(FaxEngine& e, int maxTicks = 20000) {
    ASSERT_EQ(e.Start(), 0);
    RunToEnd(e, maxTicks);
    EXPECT_TRUE(line->ScriptDone()) << testing::PrintToString(line->NextExpected());
  }
  std::string Apf(int pages) {
    std::string f = dir.File("out.apf");
    test::MakeApf(f, pages);
    return f;
  }
};

TEST_F(Class1RecoveryTest, ADisInAnswerToMpsSendsThePageAgainAfterANewDcsAndTraining) {
  auto s = Sender(Apf(2));
  Call();
  Page(kMps, Got(kCsi));  // CSI, then DIS: the receiver lost the page
  line->Expect("AT+FRH=3\r", Got(kDis));
  Training();
  Page(kMps, Got(kMcf));  // page 1 again
  Page(kEop, Got(kMcf));
  Dcn();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(CountWritten(kDcsHead), 2);
  EXPECT_EQ(CountWritten(kMps), 2) << "page 1 went twice";
  EXPECT_EQ(CountWritten(kEop), 1);
}

TEST_F(Class1RecoveryTest, ARemoteThatLosesThePageEveryTimeGetsItThreeTimesMoreThenDcn) {
  auto s = Sender(Apf(1));
  Call();
  Page(kEop, Got(kDis));
  for (int i = 0; i < 3; ++i) {
    Training();
    Page(kEop, Got(kDis));
  }
  Dcn();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFatalTimeout});
  EXPECT_EQ(CountWritten(kEop), 4);
  EXPECT_EQ(s->Session().endReason, EndReason::Failed);
}

TEST_F(Class1RecoveryTest, AFarEndsDcnIsARemoteHangUpAndGetsNoDcnBack) {
  auto s = Sender(Apf(2));
  Call();
  Page(kMps, Got(kDcn));
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  EXPECT_EQ(s->Session().endReason, EndReason::RemoteHangUp);
  EXPECT_EQ(CountWritten(kDcnOut), 0);
  EXPECT_EQ(CountWritten("ATH0\r"), 1) << "hung up at once, without the escape sequence";
  EXPECT_EQ(CountWritten("+++"), 0);
}

TEST_F(Class1RecoveryTest, NoCarrierWhileAFrameIsAwaitedListensAgainAndAnErrorThenIsALostLine) {
  auto s = Sender(Apf(1));
  line->Expect("ATDT5551234\r", Got(kCsi));
  line->Expect("AT+FRH=3\r", Rsp("CONNECT") + Rsp("NO CARRIER"));
  line->Expect("AT+FRH=3\r", Rsp("ERROR"));  // the modem went on hook with the line
  Run(*s, 200);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(s->Session().endReason, EndReason::CarrierLost);
}

}  // namespace
}  // namespace telvane
