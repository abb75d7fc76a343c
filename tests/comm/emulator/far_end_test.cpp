// Far-end descriptions as the command-line tool takes them, and the test
// pages the far end sends.
#include <gtest/gtest.h>

#include <algorithm>

#include "tools/modem_emulator/far_end.h"
#include "tools/modem_emulator/page_images.h"

namespace telvane::emu {
namespace {

TEST(FarEndText, SettingsAreReadAndMistakesNamed) {
  FarEnd far;
  std::string error;
  ASSERT_TRUE(ParseFarEnd("dial=busy; id=FAR END # a comment; ignored\n"
                          "caps=0,3,0,2,0,0,0,0; refuse=2x3; hangup=2:54\n"
                          "call=data; rings=4; pages=2; garble=1; drop=2:500; line-rate=9000",
                          far, error))
      << error;
  EXPECT_EQ(far.dialResult, FarEnd::DialResult::kBusy);
  EXPECT_EQ(far.stationId, "FAR END");
  EXPECT_EQ(far.capabilities.Format(), "0,3,0,2,0,0,0,0");
  EXPECT_EQ(far.refusePage.at(2), 3);
  EXPECT_EQ(far.hangUpAfterPage, 2);
  EXPECT_EQ(far.hangUpCode, 54);
  EXPECT_EQ(far.callKind, FarEnd::CallKind::kData);
  EXPECT_EQ(far.rings, 4);
  ASSERT_EQ(far.pages.size(), 2u);
  EXPECT_TRUE(far.pages[1].fine);
  EXPECT_EQ(far.garblePage.at(1), 1);
  EXPECT_EQ(far.dropInPage, 2);
  EXPECT_EQ(far.dropAfterBytes, 500u);
  EXPECT_EQ(far.dropCode, 91);
  EXPECT_EQ(far.lineRate, 9000);

  for (const char* bad : {"dial=maybe", "caps=1,6", "rings=0", "refuse=0", "drop=2", "colour=red", "pages"}) {
    FarEnd f;
    EXPECT_FALSE(ParseFarEnd(bad, f, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_FALSE(ParseFarEnd("pages-file=/no/such/file.apf", far, error));
}

TEST(FarEndText, TestPagesDifferAndCarryDleBytesInTheirCoding) {
  const Raster one = TestPageRasters(1, 60), two = TestPageRasters(2, 60);
  EXPECT_NE(one, two);
  const FaxPage page = EncodePage(one, false);
  EXPECT_EQ(DecodePage(page.data), one);
  // DLE in the data is what the DLE doubling of both directions is there for.
  EXPECT_GT(std::count(page.data.begin(), page.data.end(), 0x10), 10);
}

}  // namespace
}  // namespace telvane::emu
