// The exit status of send and receive for each class of failure, and the text
// of a live progress line: small functions of the tool, checked without a call.
#include <gtest/gtest.h>

#include <cerrno>

#include "base/error_codes.h"
#include "tools/fax_tool/exit_codes.h"
#include "tools/fax_tool/progress_printer.h"

namespace telvane::cli {
namespace {

TEST(ToolExitStatus, EachFailureClassHasItsOwnCode) {
  struct Row {
    int error;
    int status;
  } rows[] = {
      {0, 0},
      {ecPortNotAssigned, kExitDevice}, {ecNotOpen, kExitDevice}, {ecOutputBufferTooSmall, kExitDevice},
      {ecTapiCallUnavail, kExitDevice}, {ecTapiBusy, kExitDevice}, {ecFaxInitError, kExitDevice},
      {ecFaxBusy, kExitNoConnection}, {ecFaxNoAnswer, kExitNoConnection}, {ecFaxNoDialTone, kExitNoConnection},
      {ecFaxNoCarrier, kExitNoConnection}, {ecFaxVoiceCall, kExitNoConnection},
      {ecFaxSessionError, kExitSession}, {ecFaxTrainError, kExitSession}, {ecFaxPageError, kExitSession},
      {ecFatalTimeout, kExitSession}, {-EIO, kExitSession},
      {ecCancelRequested, kExitCancelled},
      {ecFaxBadFormat, kExitBadFile}, {ecFileNotFound, kExitBadFile}, {ecNoFilename, kExitBadFile},
  };
  for (const Row& r : rows) EXPECT_EQ(ExitCodeForError(r.error), r.status) << r.error;
}

TEST(ToolExitStatus, WhileOpeningEveryFailureButACancelIsTheDevices) {
  // A port open error carries the device's errno: -2 is a missing device there.
  EXPECT_EQ(ExitCodeForError(-ENOENT, true), kExitDevice);
  EXPECT_EQ(ExitCodeForError(-EACCES, true), kExitDevice);
  EXPECT_EQ(ExitCodeForError(ecCancelRequested, true), kExitCancelled);
  EXPECT_EQ(ExitCodeForError(0, true), 0);
}

TEST(ToolExitStatus, SeveralFaxesTakeTheFirstFailure) {
  EXPECT_EQ(ExitCodeForOutcomes({}), 0);
  EXPECT_EQ(ExitCodeForOutcomes({{0, false}, {0, false}}), 0);
  EXPECT_EQ(ExitCodeForOutcomes({{0, false}, {ecFaxBusy, false}, {ecFaxSessionError, false}}), kExitNoConnection);
  EXPECT_EQ(ExitCodeForOutcomes({{ecFaxSessionError, false}, {ecFaxBusy, false}}), kExitSession);
  EXPECT_EQ(ExitCodeForOutcomes({{0, false}, {-EIO, true}}), kExitDevice);
}

TEST(ToolProgressLine, ShowsOnlyWhatIsKnown) {
  ProgressSnapshot s;
  s.progress = 4802;
  EXPECT_EQ(ProgressLine(s), "Dialling");
  s.progress = 4804;
  s.currentPage = 2;
  s.totalPages = 3;
  s.bytes = 10240;
  s.bps = 14400;
  s.fine = true;
  s.remoteId = "FAR END";
  EXPECT_EQ(ProgressLine(s), "Sending page 2 of 3: 10240 bytes, 14400 bps fine, far end \"FAR END\"");
  s.bps = 0;
  s.bytes = 0;
  s.remoteId.clear();
  EXPECT_EQ(ProgressLine(s), "Sending page 2 of 3");
}

// The line tells what happens: the page sent and whether more follow, the
// caller's ID as the caller's, the page coming in by its number.
TEST(ToolProgressLine, TellsTheLineInTheUsersWords) {
  const struct {
    int progress;
    bool receiving;
    int page, total;
    const char* line;
  } kRows[] = {
      {4805, false, 1, 3, "Page 1 sent, more pages follow: far end \"ID\""},
      {4805, false, 3, 3, "Page 3 sent, it was the last: far end \"ID\""},
      {4841, false, 0, 3, "The called fax identifies itself: far end \"ID\""},
      {4841, true, 0, 0, "The caller identifies itself: caller \"ID\""},
      {4824, true, 1, 0, "Receiving page 2: caller \"ID\""},
      {4826, true, 2, 0, "Asking whether more pages follow: 2 pages received, caller \"ID\""},
  };
  for (const auto& row : kRows) {
    ProgressSnapshot s;
    s.progress = row.progress;
    s.receiving = row.receiving;
    s.currentPage = row.page;
    s.totalPages = row.total;
    s.remoteId = "ID";
    EXPECT_EQ(ProgressLine(s), row.line);
  }
}

}  // namespace
}  // namespace telvane::cli
