// The fax history: the text of every log code, the file it is appended to,
// and the remote station ID made safe to write.
#include <gtest/gtest.h>

#include "tests/support/fixed_clock.h"
#include "comm/components/abstract_fax.h"
#include "base/error_codes.h"
#include "comm/components/fax_log.h"
#include "comm/components/send_fax.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

constexpr const char* kWhen = "12/09/26 04:15:00";

FaxLogFacts Facts() {
  FaxLogFacts f;
  f.files = {"/out/a.apf", "/out/b.apf"};
  f.phoneNumber = "5551234";
  f.faxFile = "/in/FAX0001.APF";
  f.remoteId = "REMOTE FAX";
  f.hangupCode = 54;
  f.errorCode = ecFaxBusy;
  return f;
}

TEST(FaxLogText, EachLogCodeHasItsLines) {
  const FaxLogFacts f = Facts();
  const std::string busy = ErrorText(ecFaxBusy);
  EXPECT_EQ(FaxLogText(f, 1, kWhen),
            "Transmit /out/a.apf to 5551234 started at 12/09/26 04:15:00\r\n"
            "Transmit /out/b.apf to 5551234 started at 12/09/26 04:15:00\r\n");
  EXPECT_EQ(FaxLogText(f, 2, kWhen), "Transmit to REMOTE FAX finished OK at 12/09/26 04:15:00 54\r\n\r\n");
  EXPECT_EQ(FaxLogText(f, 3, kWhen), "Transmit failed at 12/09/26 04:15:00\r\n  (" + busy + ") 54\r\n\r\n");
  EXPECT_EQ(FaxLogText(f, 4, kWhen), "Receive /in/FAX0001.APF from REMOTE FAX started at 12/09/26 04:15:00\r\n");
  EXPECT_EQ(FaxLogText(f, 5, kWhen), "Receive finished OK at 12/09/26 04:15:00\r\n\r\n");
  EXPECT_EQ(FaxLogText(f, 6, kWhen), "Receive skipped at 12/09/26 04:15:00\r\n\r\n");
  EXPECT_EQ(FaxLogText(f, 7, kWhen), "Receive failed at 12/09/26 04:15:00\r\n  (" + busy + ")\r\n\r\n");
  EXPECT_EQ(FaxLogText(f, 0, kWhen), "");
  EXPECT_EQ(FaxLogText(f, 8, kWhen), "");
}

TEST(PrintableText, ControlAndHighCharactersCannotReachTheLog) {
  EXPECT_EQ(PrintableText("OK FAX"), "OK FAX");
  EXPECT_EQ(PrintableText("X\r\nTransmit to Y"), "X??Transmit to Y");
  EXPECT_EQ(PrintableText(std::string("A\x1b[2JB\x7f\xe9\x01", 9)), "A?[2JB???");
  EXPECT_EQ(PrintableText(" ~"), " ~");  // the printable range's own ends stay
}

// A component without a session: the log reads its properties.
TEST(TApdFaxLog, AppendsTheLinesOfEachEventToTheHistoryFile) {
  test::TempDir dir;
  TApdSendFax fax(nullptr);
  fax.SetFaxFileList({"a.apf", "b.apf"});
  fax.SetPhoneNumber("777");
  TApdFaxLog log;
  EXPECT_EQ(log.FaxHistoryName(), "APDFAX.HIS");
  log.SetFaxHistoryName(dir.File("fax.his"));
  log.Clock = test::FixedWallClock();
  log.UpdateLog(fax, lfaxTransmitStart);
  log.UpdateLog(fax, lfaxTransmitFail);
  EXPECT_FALSE(log.LastWriteFailed());
  EXPECT_EQ(test::ReadAll(dir.File("fax.his")),
            "Transmit a.apf to 777 started at 12/09/25 10:30:00\r\nTransmit b.apf to 777 started at 12/09/25 10:30:00\r\n"
            "Transmit failed at 12/09/25 10:30:00\r\n  (" + std::string(ErrorText(0)) + ") 0\r\n\r\n");
}

TEST(TApdFaxLog, AnUnwritableHistoryLosesTheLineAndNothingElse) {
  test::TempDir dir;
  TApdSendFax fax(nullptr);
  TApdFaxLog log;
  log.SetFaxHistoryName(dir.File("missing-folder/fax.his"));
  EXPECT_NO_THROW(log.UpdateLog(fax, lfaxTransmitFail));
  EXPECT_TRUE(log.LastWriteFailed());
  log.SetFaxHistoryName("");  // no history: nothing written, nothing failed
  log.UpdateLog(fax, lfaxReceiveOk);
  EXPECT_FALSE(log.LastWriteFailed());
}

}  // namespace
}  // namespace telvane
