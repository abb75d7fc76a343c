// The transmission report: one page of proof that a fax went out, or why it
// did not: when, to which number and station, how many of its pages, how
// long and how fast, the result, and a reduced picture of the fax's first
// page. Written as a PDF file; needs a QGuiApplication (fonts).
#pragma once

#include <ctime>
#include <string>

namespace telvane {

struct TransmissionFacts {
  std::time_t start = 0;        // when the call was started (printed in local time)
  std::string number;           // the number as dialled
  std::string remoteId;         // the far end's station ID; empty when none was heard
  std::string stationId;        // our own station ID
  int pagesSent = 0;            // pages the far end confirmed
  int pagesInFax = 0;           // pages of the fax, cover included
  int durationSeconds = 0;      // from the start of the call to its end
  int bps = 0;                  // the speed the pages went at; 0 when no page went
  int resultCode = 0;           // 0 when the fax went out
  std::string resultText;       // the result in words, as printed
  std::string firstPageFax;     // the APF file whose first page is pictured; empty for none
};

// Writes the report as a one-page A4 PDF into `pdfFile`, replacing it only
// once complete. A first page that cannot be read leaves its place empty
// with a note; the report is still written. 0, or a negative error code of
// writing the file.
int WriteTransmissionReport(const std::string& pdfFile, const TransmissionFacts& facts);

// The report's file for call `call` (1-based) of `calls`: `pdfFile` itself
// for a single call, otherwise "-<call>" before its extension
// ("sent.pdf" -> "sent-2.pdf").
std::string ReportFileForCall(const std::string& pdfFile, int call, int calls);

}  // namespace telvane
