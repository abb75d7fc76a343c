// Exit codes of the send and receive commands: one per class of failure, so
// that a script can tell a busy line from a broken file or a missing modem.
#pragma once

#include <string>
#include <vector>

#include "comm/fax/fax_session.h"

namespace telvane::cli {

inline constexpr int kExitDevice = 3;        // the device or its port could not be opened
inline constexpr int kExitNoConnection = 4;  // busy, no answer, no dial tone, no carrier
inline constexpr int kExitSession = 5;       // the call connected, then failed
inline constexpr int kExitCancelled = 6;     // cancelled (signal or user abort)
inline constexpr int kExitBadFile = 7;       // a fax or cover file that cannot be sent
inline constexpr int kExitNoCall = 8;        // receive: no call came in time

// The exit code for an error code of the comm layer (0 for 0). Codes that
// fit no narrower class count as a failed session. While the device is being
// opened every failure but a cancel is the device's: a port open error
// carries the device's errno, which would otherwise read as a file error.
int ExitCodeForError(int errorCode, bool whileOpening = false);

// How one fax (or one received call) ended.
struct FaxOutcome {
  int errorCode = 0;
  bool whileOpening = false;  // the device failed before the session began
  EndReason reason = EndReason::None;  // the session's end reason
};

// The exit code of one outcome: a far end that hung up (DCN, whose code is
// the cancel's), a lost line and one too poor for frames are calls that
// connected and failed; otherwise the error code decides.
int ExitCodeForOutcome(const FaxOutcome& outcome);

// Several faxes: 0 when every one went out, otherwise the exit code of the
// first failure (outcomes in the order the faxes were sent).
int ExitCodeForOutcomes(const std::vector<FaxOutcome>& outcomes);

// The message for a failed fax or call: what happened on the line when the
// end reason tells more than the error code ("the far end hung up (it sent
// DCN) (error -6005)"), otherwise the error's text and code.
std::string OutcomeText(const FaxOutcome& outcome);

}  // namespace telvane::cli
