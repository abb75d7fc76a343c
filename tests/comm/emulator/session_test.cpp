// Fax sessions through the emulator with raw commands, as a DTE of each
// dialect runs them: phase B reports, page data with DLE framing in both
// directions, bit order, post-page exchanges, refused pages, and the far
// end's call progress and hang-ups.
#include <gtest/gtest.h>

#include <memory>

#include "tests/comm/emulator/dte_side.h"
#include "tools/modem_emulator/modem_emulator.h"

namespace telvane::emu {
namespace {

using test::DteSide;
using namespace std::chrono_literals;

constexpr char kDle = 0x10, kEtx = 0x03, kDc1 = 0x11, kDc2 = 0x12;

struct Modem {
  explicit Modem(FarEnd far = {}, const char* fclass = nullptr) : emu(EmulatorOptions{true, true, std::move(far)}) {
    EXPECT_EQ(emu.Start(), 0);
    dte = std::make_unique<DteSide>(emu.SlavePath());
    EXPECT_EQ(dte->Command("ATE0"), "ATE0\r\r\nOK\r\n");
    if (fclass) {
      EXPECT_EQ(dte->Command(std::string("AT+FCLASS=") + fclass), "\r\nOK\r\n");
    }
  }
  ModemEmulator emu;
  std::unique_ptr<DteSide> dte;
};

std::string Framed(const std::vector<uint8_t>& data) {
  std::string s;
  for (uint8_t b : data) {
    s += static_cast<char>(b);
    if (b == kDle) s += kDle;
  }
  return s;
}

// Page data as the DCE sent it, up to DLE ETX; `rest` gets what follows.
std::vector<uint8_t> Unframed(const std::string& bytes, std::string& rest) {
  std::vector<uint8_t> data;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != kDle) {
      data.push_back(static_cast<uint8_t>(bytes[i]));
    } else if (i + 1 < bytes.size() && bytes[i + 1] == kDle) {
      data.push_back(kDle);
      ++i;
    } else if (i + 1 < bytes.size() && bytes[i + 1] == kEtx) {
      rest = bytes.substr(i + 2);
      return data;
    }
  }
  ADD_FAILURE() << "no DLE ETX";
  return data;
}

FaxPage TestPage(int n) { return EncodePage(TestPageRasters(n, 40), n == 2); }

TEST(EmulatorSession, Class2SendPhaseReportsXonDleAndPostPageCodes) {
  FarEnd far;
  far.stationId = "+49 30 1234";
  far.capabilities.Apply("1,3,0,2,0,0,0,0");
  Modem m(far, "2");
  EXPECT_EQ(m.dte->Command("AT+FLID=\"LOCAL\";+FDCC=1,5,0,2,0,0,0,0"), "\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("ATDT5551234"),
            "\r\n+FCON\r\n\r\n+FCSI:\"         +49 30 1234\"\r\n\r\n+FDIS:1,3,0,2,0,0,0,0\r\n\r\nOK\r\n");
  for (int page = 1; page <= 3; ++page) {
    // DCS: the lower speed of the two; reported for the first page only.
    EXPECT_EQ(m.dte->Command("AT+FDT"), page == 1 ? "\r\n+FDCS:1,3,0,2,0,0,0,0\r\n\r\nCONNECT\r\n" : "\r\nCONNECT\r\n");
    EXPECT_EQ(m.dte->ReadFor(50ms), std::string(1, kDc1));  // XON releases the data
    const FaxPage p = TestPage(page);
    m.dte->Write(Framed(p.data) + kDle + kEtx);
    EXPECT_EQ(m.dte->ReadUntil("OK\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(m.dte->Command(page < 3 ? "AT+FET=0" : "AT+FET=2"),
              page < 3 ? "\r\n+FPTS:1\r\n\r\nOK\r\n" : "\r\n+FPTS:1\r\n\r\n+FHNG:0\r\n\r\nOK\r\n");
  }
  EXPECT_EQ(m.dte->Command("AT+FDT"), "\r\nERROR\r\n");  // the call is over
  const auto pages = m.emu.ConfirmedPages();
  ASSERT_EQ(pages.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pages[i].data, TestPage(i + 1).data) << "page " << i + 1;  // DLE DLE undone
    EXPECT_EQ(pages[i].lines, 40);
    EXPECT_EQ(pages[i].postPage, i < 2 ? 0 : 2);
  }
  EXPECT_EQ(m.emu.DteStationId(), "LOCAL");
}

TEST(EmulatorSession, Class20SendReportsOnlyWhatFnrAsksAndTakesDlePunctuation) {
  Modem m({}, "2.0");
  EXPECT_EQ(m.dte->Command("ATD1"), "\r\n+FCO\r\n\r\nOK\r\n");  // +FNR=0,0,0,0: no reports
  EXPECT_EQ(m.dte->Command("ATH"), "\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FNR=1,1,1,0;+FCC=0,5,0,2,0,0,0,0"), "\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("ATD1"),
            "\r\n+FCO\r\n\r\n+FCI:\"          REMOTE FAX\"\r\n\r\n+FIS:1,5,0,2,0,0,0,0\r\n\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FDT"), "\r\n+FCS:0,5,0,2,0,0,0,0\r\n\r\nCONNECT\r\n");
  m.dte->Write(Framed(TestPage(1).data) + kDle + ',');  // MPS: no XON came first
  EXPECT_EQ(m.dte->ReadUntil("OK\r\n"), "\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FIS=1"), "\r\nOK\r\n");  // finer page next
  EXPECT_EQ(m.dte->Command("AT+FDT"), "\r\n+FCS:1,5,0,2,0,0,0,0\r\n\r\nCONNECT\r\n");
  m.dte->Write(Framed(TestPage(2).data) + kDle + '.');  // EOP
  EXPECT_EQ(m.dte->ReadUntil("OK\r\n"), "\r\n+FHS:00\r\n\r\nOK\r\n");
  const auto pages = m.emu.ConfirmedPages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].terminator, ',');
  EXPECT_EQ(pages[1].terminator, '.');
  EXPECT_EQ(pages[1].dcs[SessionParams::kVr], 1);
  EXPECT_EQ(pages[1].data, TestPage(2).data);
}

TEST(EmulatorSession, RefusedAndUnreadablePagesGetRtnInEachDialect) {
  FarEnd far;
  far.refusePage[1] = 1;
  Modem two(far, "2");
  two.dte->Command("ATD1");
  two.dte->Command("AT+FDT");
  two.dte->Write(Framed(TestPage(1).data) + kDle + kEtx);
  two.dte->ReadUntil("OK\r\n");
  EXPECT_EQ(two.dte->Command("AT+FET=2"), "\r\n+FPTS:2\r\n\r\nOK\r\n");
  // After RTN the DCS goes out again; the same page now passes.
  EXPECT_EQ(two.dte->Command("AT+FDT"), "\r\n+FDCS:1,5,0,2,0,0,0,0\r\n\r\nCONNECT\r\n");
  two.dte->ReadFor(30ms);
  two.dte->Write(Framed(TestPage(1).data) + kDle + kEtx);
  two.dte->ReadUntil("OK\r\n");
  EXPECT_EQ(two.dte->Command("AT+FET=2"), "\r\n+FPTS:1\r\n\r\n+FHNG:0\r\n\r\nOK\r\n");
  EXPECT_EQ(two.emu.SentPages().size(), 2u);
  EXPECT_EQ(two.emu.ConfirmedPages().size(), 1u);

  // Class 2.0: RTN is an ERROR, and +FPS? tells the page status. Bytes that
  // are no T.4 fail the copy-quality check.
  Modem twenty({}, "2.0");
  twenty.dte->Command("ATD1");
  twenty.dte->Command("AT+FDT");
  twenty.dte->Write(std::string("no fax data at all") + kDle + '.');
  EXPECT_EQ(twenty.dte->ReadUntil("\r\nERROR\r\n"), "\r\nERROR\r\n");
  EXPECT_EQ(twenty.dte->Command("AT+FPS?"), "\r\n2\r\n\r\nOK\r\n");
  EXPECT_TRUE(twenty.emu.ConfirmedPages().empty());
}

TEST(EmulatorSession, FarEndHangsUpWithItsCodeInEachDialectsSpelling) {
  FarEnd far;
  far.hangUpAfterPage = 1;
  far.hangUpCode = 54;
  Modem two(far, "2");
  two.dte->Command("ATD1");
  for (int page = 1; page <= 2; ++page) {
    two.dte->Command("AT+FDT");
    two.dte->ReadFor(30ms);
    two.dte->Write(Framed(TestPage(page).data) + kDle + kEtx);
    two.dte->ReadUntil("OK\r\n");
    EXPECT_EQ(two.dte->Command("AT+FET=0"), page == 1 ? "\r\n+FPTS:1\r\n\r\nOK\r\n" : "\r\n+FHNG:54\r\n\r\nERROR\r\n");
  }
  EXPECT_FALSE(two.emu.InCall());

  // Class 2.0 reports causes as two hexadecimal digits: 100 is A0.
  far.hangUpAfterPage = 0;
  far.hangUpCode = 100;
  Modem twenty(far, "2.0");
  twenty.dte->Command("ATD1");
  EXPECT_EQ(twenty.dte->Command("AT+FDT"), "\r\n+FHS:A0\r\n\r\nERROR\r\n");
  EXPECT_EQ(twenty.dte->Command("AT+FHS?"), "\r\nA0\r\n\r\nOK\r\n");
}

TEST(EmulatorSession, CallProgressFollowsTheXLevel) {
  struct Case {
    FarEnd::DialResult result;
    const char* init;
    const char* answer;
  } cases[] = {
      {FarEnd::DialResult::kBusy, "ATX4", "\r\nBUSY\r\n"},
      {FarEnd::DialResult::kBusy, "ATX2", "\r\nNO CARRIER\r\n"},
      {FarEnd::DialResult::kNoDialTone, "ATX4", "\r\nNO DIALTONE\r\n"},
      {FarEnd::DialResult::kNoDialTone, "ATX3", "\r\nNO CARRIER\r\n"},
      {FarEnd::DialResult::kVoice, "ATX4", "\r\nVOICE\r\n"},
      {FarEnd::DialResult::kNoAnswer, "ATX4", "\r\nNO CARRIER\r\n"},
  };
  for (const Case& c : cases) {
    FarEnd far;
    far.dialResult = c.result;
    Modem m(far, "2");
    m.dte->Command(c.init);
    EXPECT_EQ(m.dte->Command("ATDT123"), c.answer) << c.init << " " << static_cast<int>(c.result);
  }
  // A character typed while dialling abandons the call.
  FarEnd slow;
  slow.dialDelayMs = 2000;
  Modem m(slow, "2");
  m.dte->Write("ATDT123\r");
  m.dte->ReadFor(50ms);
  m.dte->Write("x");
  EXPECT_EQ(m.dte->ReadUntil("NO CARRIER\r\n", 500ms), "\r\nNO CARRIER\r\n");
}

// Receives one page after +FDR: DC2, then the data up to DLE ETX.
std::vector<uint8_t> ReceivePage(DteSide& dte, std::string& after) {
  EXPECT_EQ(dte.ReadFor(50ms), "");  // nothing flows before DC2
  dte.Write(std::string(1, kDc2));
  std::string bytes = dte.ReadUntil(std::string(1, kDle) + kEtx);
  std::string tail;
  auto data = Unframed(bytes, tail);
  after = dte.ReadUntil("OK\r\n");
  return data;
}

TEST(EmulatorSession, Class2ReceiveRingsAnswersAndSendsBitReversedPages) {
  FarEnd far;
  far.callerId = "CALLER";
  far.rings = 5;
  far.ringIntervalMs = 40;
  far.pages = {TestPage(1), TestPage(2)};
  Modem m(far, "2");
  EXPECT_EQ(m.dte->Command("AT+FCR=1;+FDCC=1,5,0,2,0,0,0,0;S0=2"), "\r\nOK\r\n");
  m.emu.PlaceCall();
  // Automatic answer on the second ring.
  EXPECT_EQ(m.dte->ReadUntil("OK\r\n"),
            "\r\nRING\r\n\r\nRING\r\n\r\n+FCON\r\n\r\n+FTSI:\"              CALLER\"\r\n\r\n"
            "+FDCS:0,5,0,2,0,0,0,0\r\n\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FDR"), "\r\n+FCFR\r\n\r\nCONNECT\r\n");
  std::string after;
  std::vector<uint8_t> data = ReceivePage(*m.dte, after);
  std::vector<uint8_t> expected;
  for (uint8_t b : TestPage(1).data) expected.push_back(ReverseBits(b));  // Class 2: bit 7 first
  EXPECT_EQ(data, expected);
  EXPECT_EQ(after, "\r\n+FPTS:1,40,0,0\r\n\r\n+FET:1\r\n\r\nOK\r\n");  // EOM: the next page is fine
  EXPECT_EQ(m.dte->Command("AT+FDR"), "\r\n+FDCS:1,5,0,2,0,0,0,0\r\n\r\nCONNECT\r\n");
  ReceivePage(*m.dte, after);
  EXPECT_EQ(after, "\r\n+FPTS:1,40,0,0\r\n\r\n+FET:2\r\n\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FDR"), "\r\n+FHNG:0\r\n\r\nOK\r\n");
  EXPECT_EQ(m.emu.PagesDelivered(), 2);
  EXPECT_EQ(m.emu.Rings(), 2);
}

TEST(EmulatorSession, Class20ReceiveGarbledPageIsSentAgainAndCarrierLossEndsTheCall) {
  FarEnd far;
  far.pages = {TestPage(1), TestPage(3), TestPage(5)};
  far.garblePage[2] = 1;
  far.dropInPage = 3;
  far.dropAfterBytes = 100;
  Modem m(far, "2.0");
  EXPECT_EQ(m.dte->Command("AT+FCR=1;+FNR=1,1,1,0"), "\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("ATA"), "\r\nNO CARRIER\r\n");  // nobody calls yet
  m.emu.PlaceCall();
  EXPECT_EQ(m.dte->ReadUntil("RING\r\n"), "\r\nRING\r\n");
  EXPECT_EQ(m.dte->Command("ATA"),
            "\r\n+FCO\r\n\r\n+FTI:\"          CALLER FAX\"\r\n\r\n+FCS:0,5,0,2,0,0,0,0\r\n\r\nOK\r\n");
  std::string after;
  EXPECT_EQ(m.dte->Command("AT+FDR"), "\r\nCONNECT\r\n");
  EXPECT_EQ(ReceivePage(*m.dte, after), TestPage(1).data);  // line order under Class 2.0
  EXPECT_EQ(after, "\r\n+FPS:1,0028,0000,0000,0000\r\n\r\n+FET:0\r\n\r\nOK\r\n");
  m.dte->Command("AT+FDR");
  EXPECT_NE(ReceivePage(*m.dte, after), TestPage(3).data);
  EXPECT_EQ(after.substr(0, 9), "\r\n+FPS:2,");  // bad: the caller repeats it
  m.dte->Command("AT+FDR");
  EXPECT_EQ(ReceivePage(*m.dte, after), TestPage(3).data);
  EXPECT_EQ(after.substr(0, 9), "\r\n+FPS:1,");
  m.dte->Command("AT+FDR");
  m.dte->Write(std::string(1, kDc2));
  std::string bytes = m.dte->ReadUntil("ERROR\r\n");
  std::string tail;
  EXPECT_EQ(Unframed(bytes, tail).size(), 100u);
  EXPECT_EQ(tail, "\r\n+FHS:91\r\n\r\nERROR\r\n");
  EXPECT_FALSE(m.emu.InCall());
  EXPECT_EQ(m.emu.PagesDelivered(), 2);
}

TEST(EmulatorSession, XoffFromTheDteHoldsReceivedPageData) {
  FarEnd far;
  far.pages = {EncodePage(TestPageRasters(1, 800), false)};
  far.dataChunk = 512;
  Modem m(far, "2.0");
  m.dte->Command("AT+FCR=1");
  m.emu.PlaceCall();
  m.dte->ReadUntil("RING\r\n");
  m.dte->Command("ATA");
  EXPECT_EQ(m.dte->Command("AT+FDR"), "\r\nCONNECT\r\n");
  m.dte->Write(std::string{kDc2, 0x13});  // DC2 and at once XOFF
  const std::string held = m.dte->ReadFor(150ms);
  EXPECT_LE(held.size(), 2048u);  // what was on its way before the XOFF
  EXPECT_EQ(m.dte->ReadFor(100ms), "");
  m.dte->Write(std::string{0x11});  // XON
  std::string rest = m.dte->ReadUntil("OK\r\n");
  std::string tail;
  EXPECT_EQ(Unframed(held + rest, tail), far.pages[0].data);
  EXPECT_GT(far.pages[0].data.size(), 8000u);
}

TEST(EmulatorSession, DataCallsConnectOnlyWithAdaptiveAnswerAndEscapeWithGuardTime) {
  FarEnd far;
  far.callKind = FarEnd::CallKind::kData;
  Modem m(far, "2");
  m.emu.PlaceCall();
  m.dte->ReadUntil("RING\r\n");
  EXPECT_EQ(m.dte->Command("ATA"), "\r\nNO CARRIER\r\n");
  EXPECT_EQ(m.dte->Command("AT+FAA=1;S12=10"), "\r\nOK\r\n");  // guard time 0.2 s
  m.emu.PlaceCall();
  m.dte->ReadUntil("RING\r\n");
  EXPECT_EQ(m.dte->Command("ATA"), "\r\nCONNECT 2400\r\n");
  m.dte->Write("AT\r+++");  // online: no commands, and no escape without the guard time before
  EXPECT_EQ(m.dte->ReadFor(250ms), "");
  m.dte->Write("+++");
  EXPECT_EQ(m.dte->ReadUntil("OK\r\n", 1s), "\r\nOK\r\n");
  EXPECT_TRUE(m.emu.InCall());
  EXPECT_EQ(m.dte->Command("ATH0"), "\r\nOK\r\n");
  EXPECT_FALSE(m.emu.InCall());
}

}  // namespace
}  // namespace telvane::emu
