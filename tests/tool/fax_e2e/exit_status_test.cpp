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
  EXPECT_EQ(ProgressLine(s), "Dialing");
  s.progress = 4804;
  s.currentPage = 2;
  s.totalPages = 3;
  s.bytes = 10240;
  s.bps = 14400;
  s.fine = true;
  s.remoteId = "FAR END";
  EXPECT_EQ(ProgressLine(s), "Sending page data: page 2/3, 10240 bytes, 14400 bps fine, remote \"FAR END\"");
  s.totalPages = 0;  // a receiver does not know the count
  s.bps = 0;
  EXPECT_EQ(ProgressLine(s), "Sending page data: page 2, 10240 bytes, remote \"FAR END\"");
}

}  // namespace
}  // namespace telvane::cli
