// The emulator in command state, driven with raw AT commands over its
// pseudo-terminal: echo and result code forms, the V.250 line syntax,
// S-registers, class selection and the two dialects' command names.
#include <gtest/gtest.h>

#include <memory>

#include "tests/comm/emulator/dte_side.h"
#include "tools/modem_emulator/modem_emulator.h"

namespace telvane::emu {
namespace {

using test::DteSide;
using namespace std::chrono_literals;

struct Modem {
  explicit Modem(EmulatorOptions options = {}) : emu(std::move(options)) {
    EXPECT_EQ(emu.Start(), 0);
    dte = std::make_unique<DteSide>(emu.SlavePath());
  }
  ModemEmulator emu;
  std::unique_ptr<DteSide> dte;
};

TEST(EmulatorCommandState, EchoResultFormsAndLineSyntax) {
  Modem m;
  // Power-up: echo on, verbose results; the whole line is echoed as typed.
  EXPECT_EQ(m.dte->Command("AT"), "AT\r\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("ATE0Q0V1X4S0=0S2=43"), "ATE0Q0V1X4S0=0S2=43\r\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("at s2?"), "\r\n043\r\n\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("ATS7=60S7?"), "\r\n060\r\n\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("ATE0W"), "\r\nERROR\r\n");  // no W command
  EXPECT_EQ(m.dte->Command("ATS=1"), "\r\nERROR\r\n");
  // Noise before "AT" is skipped, and A/ repeats the last line.
  EXPECT_EQ(m.dte->Command("+++xyATS2?"), "\r\n043\r\n\r\nOK\r\n");
  m.dte->Write("A/");
  EXPECT_EQ(m.dte->ReadUntil("OK\r\n"), "\r\n043\r\n\r\nOK\r\n");
  // Numeric results end with CR alone; information text keeps CR LF.
  EXPECT_EQ(m.dte->Command("ATV0", 150ms), "0\r");
  m.dte->Write("ATQ");
  m.dte->Write("9\r");
  EXPECT_EQ(m.dte->ReadFor(150ms), "4\r");
  EXPECT_EQ(m.dte->Command("ATS0?", 150ms), "000\r\n0\r");
  EXPECT_EQ(m.dte->Command("ATQ1V1", 200ms), "");  // quiet: no result code at all
  EXPECT_EQ(m.dte->Command("ATQ0I3"), "\r\nTelvane fax modem emulator\r\n\r\nOK\r\n");
  // ATZ brings echo back.
  EXPECT_EQ(m.dte->Command("ATZ"), "\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT"), "AT\r\r\nOK\r\n");
}

TEST(EmulatorCommandState, ClassListingFollowsTheOfferedDialects) {
  {
    Modem both;
    EXPECT_EQ(both.dte->Command("ATE0"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(both.dte->Command("AT+FCLASS=?"), "\r\n0,2,2.0\r\n\r\nOK\r\n");
    EXPECT_EQ(both.dte->Command("AT+FCLASS?"), "\r\n0\r\n\r\nOK\r\n");
    EXPECT_EQ(both.dte->Command("AT+FCLASS=1"), "\r\nERROR\r\n");  // no Class 1 here
    EXPECT_EQ(both.dte->Command("AT+FCLASS=2.0;+FCLASS?"), "\r\n2.0\r\n\r\nOK\r\n");
  }
  EmulatorOptions only2;
  only2.class20 = false;
  Modem two(only2);
  two.dte->Command("ATE0");
  EXPECT_EQ(two.dte->Command("AT+FCLASS=?"), "\r\n0,2\r\n\r\nOK\r\n");
  EXPECT_EQ(two.dte->Command("AT+FCLASS=2.0"), "\r\nERROR\r\n");
}

TEST(EmulatorCommandState, EachDialectKnowsOnlyItsOwnCommandNames) {
  Modem m;
  m.dte->Command("ATE0");
  // Fax commands exist only in a fax class.
  EXPECT_EQ(m.dte->Command("AT+FCR=1"), "\r\nERROR\r\n");
  EXPECT_EQ(m.dte->Command("AT+FCLASS=2"), "\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FCR=1;+FLID=\"123 456\";+FBOR=0"), "\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FLID?"), "\r\n\"123 456\"\r\n\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FMFR?;+FMDL?;+FREV?"),
            "\r\nTELVANE\r\n\r\nFAX MODEM EMULATOR\r\n\r\n1.0\r\n\r\nOK\r\n");
  for (const char* class20 : {"AT+FLI?", "AT+FCC?", "AT+FIS?", "AT+FLO=2", "AT+FNR=1,1,1,0", "AT+FMI?", "AT+FKS"})
    EXPECT_EQ(m.dte->Command(class20), "\r\nERROR\r\n") << class20;
  EXPECT_EQ(m.dte->Command("AT+FCLASS=2.0"), "\r\nOK\r\n");
  for (const char* class2 : {"AT+FLID?", "AT+FDCC?", "AT+FDIS?", "AT+FDCS?", "AT+FBOR=0", "AT+FMFR?", "AT+FK"})
    EXPECT_EQ(m.dte->Command(class2), "\r\nERROR\r\n") << class2;
  EXPECT_EQ(m.dte->Command("AT+FLO=2;+FNR=1,1,1,0;+FNR?"), "\r\n1,1,1,0\r\n\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FLI?"), "\r\n\"123 456\"\r\n\r\nOK\r\n");
  // +FIP returns the fax parameters to their factory values.
  EXPECT_EQ(m.dte->Command("AT+FIP;+FLI?;+FNR?"), "\r\n\"\"\r\n\r\n0,0,0,0\r\n\r\nOK\r\n");
}

TEST(EmulatorCommandState, SessionParameterListsAreCheckedAndPartlySettable) {
  Modem m;
  m.dte->Command("ATE0");
  m.dte->Command("AT+FCLASS=2");
  EXPECT_EQ(m.dte->Command("AT+FDCC=?"), "\r\n(0,1),(0-5),(0-2),(0-2),(0-3),(0-2),(0,1),(0-7)\r\n\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FDCC=1,3,0,2,0,0,0,0"), "\r\nOK\r\n");
  // Capabilities set the session parameters too; an empty field keeps its value.
  EXPECT_EQ(m.dte->Command("AT+FDIS=0,,1"), "\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FDIS?"), "\r\n0,3,1,2,0,0,0,0\r\n\r\nOK\r\n");
  // Out of range or not a number: ERROR, nothing changed.
  EXPECT_EQ(m.dte->Command("AT+FDIS=1,6"), "\r\nERROR\r\n");
  EXPECT_EQ(m.dte->Command("AT+FDIS=1,x"), "\r\nERROR\r\n");
  EXPECT_EQ(m.dte->Command("AT+FDIS?"), "\r\n0,3,1,2,0,0,0,0\r\n\r\nOK\r\n");
  EXPECT_EQ(m.dte->Command("AT+FDCS=1,3,0,2,0,0,0,0"), "\r\nERROR\r\n");  // reported, never set
  EXPECT_EQ(m.dte->Command("AT+FLID=\"123456789012345678901\""), "\r\nERROR\r\n");  // 21 characters
  EXPECT_EQ(m.dte->Command("AT+FLID=123"), "\r\nERROR\r\n");  // a string needs quotes
  EXPECT_EQ(m.dte->Command("AT+FCR=2"), "\r\nERROR\r\n");
}

TEST(EmulatorCommandState, SilentAndGarbageModems) {
  EmulatorOptions silent;
  silent.farEnd.silentAfter = "+FCLASS=2";
  Modem s(silent);
  EXPECT_EQ(s.dte->Command("ATE0"), "ATE0\r\r\nOK\r\n");
  EXPECT_EQ(s.dte->Command("AT+FCLASS=2", 300ms), "");
  EXPECT_EQ(s.dte->Command("AT", 200ms), "");

  EmulatorOptions garbage;
  garbage.farEnd.garbageAfter = "+FCLASS";
  Modem g(garbage);
  g.dte->Command("ATE0");
  std::string noise = g.dte->Command("AT+FCLASS=?", 300ms);
  EXPECT_FALSE(noise.empty());
  EXPECT_EQ(noise.find("OK"), std::string::npos) << noise;
  EXPECT_EQ(noise.find("2.0"), std::string::npos);
}

}  // namespace
}  // namespace telvane::emu
