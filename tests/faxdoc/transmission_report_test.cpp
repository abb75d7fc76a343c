// The transmission report, read back with poppler's pdftotext.
#include "faxdoc/transmission_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

std::string PdfText(const std::string& pdf) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("pdftotext '" + pdf + "' - 2>&1").c_str(), "r"), pclose);
  std::string text;
  char buffer[4096];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) text += buffer;
  return text;
}

TEST(TransmissionReport, AFailedCallSaysSoAndWhyTheFirstPageIsMissing) {
  test::TempDir dir;
  TransmissionFacts facts;
  facts.start = 1796846400;  // 2026-12-09 (the date line is the local time's)
  facts.number = "0123 555 7777";
  facts.pagesSent = 1;
  facts.pagesInFax = 3;
  facts.durationSeconds = 75;
  facts.bps = 14400;
  facts.resultCode = -8071;
  facts.resultText = "The line was lost";
  facts.firstPageFax = dir.File("missing.apf");
  const std::string pdf = dir.File("report.pdf");
  ASSERT_EQ(WriteTransmissionReport(pdf, facts), 0);
  const std::string text = PdfText(pdf);
  for (const char* fact : {"Not sent\n", "\n0123 555 7777\n", "\n1 of 3\n", "\n1:15\n", "\n14400 bit/s\n",
                           "\nThe line was lost\n", "Remote station\n\n-\n", "First page (the first page cannot"})
    EXPECT_NE(text.find(fact), std::string::npos) << fact << " not in:\n" << text;
}

TEST(TransmissionReport, AFolderThatIsNotThereIsAnErrorAndNoFile) {
  test::TempDir dir;
  const std::string pdf = dir.File("no/such/folder/report.pdf");
  EXPECT_LT(WriteTransmissionReport(pdf, TransmissionFacts{}), 0);
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST(TransmissionReport, EachCallOfAListHasItsOwnFile) {
  EXPECT_EQ(ReportFileForCall("sent.pdf", 1, 1), "sent.pdf");
  EXPECT_EQ(ReportFileForCall("out/sent.pdf", 2, 3), "out/sent-2.pdf");
  EXPECT_EQ(ReportFileForCall("my.reports/sent", 1, 2), "my.reports/sent-1");
}

}  // namespace
}  // namespace telvane
