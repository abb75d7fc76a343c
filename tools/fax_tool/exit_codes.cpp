#include "tools/fax_tool/exit_codes.h"

#include <cerrno>

#include "base/error_codes.h"

namespace telvane::cli {

int ExitCodeForError(int errorCode, bool whileOpening) {
  if (whileOpening && errorCode != ecOK && errorCode != ecCancelRequested) return kExitDevice;
  switch (errorCode) {
    case ecOK:
      return 0;
    case ecPortNotAssigned:
    case ecNotSupportedByLayer:
    case ecNotOpen:
    case ecOutputBufferTooSmall:
    case ecNoMoreTriggers:
    case ecTapiCallUnavail:
    case ecTapiBusy:
    case ecTapiNotSet:
    case ecFaxInitError:  // the modem did not take its init string
      return kExitDevice;
    case ecFaxBusy:
    case ecFaxNoDialTone:
    case ecFaxNoCarrier:
    case ecFaxNoAnswer:
    case ecFaxVoiceCall:
    case ecFaxDataCall:
      return kExitNoConnection;
    case ecCancelRequested:
      return kExitCancelled;
    case ecFaxBadFormat:
    case ecFileNotFound:
    case ecReadBeyondEof:
    case ecNoFilename:
    case ecFileRejected:
    case ecBadGraphicsFormat:
    case ecFontFileNotFound:
    case ecEnhFontTooBig:
    case -EACCES:
    case -EISDIR:
      return kExitBadFile;
    default:
      return kExitSession;
  }
}

namespace {

// End reasons that say what happened on the line better than the code.
bool LineReason(EndReason reason) {
  return reason == EndReason::RemoteHangUp || reason == EndReason::CarrierLost ||
         reason == EndReason::PortHangUp || reason == EndReason::PoorLine;
}

}  // namespace

int ExitCodeForOutcome(const FaxOutcome& o) {
  if (o.errorCode != 0 && !o.whileOpening && LineReason(o.reason)) return kExitSession;
  return ExitCodeForError(o.errorCode, o.whileOpening);
}

int ExitCodeForOutcomes(const std::vector<FaxOutcome>& outcomes) {
  for (const FaxOutcome& o : outcomes)
    if (o.errorCode != 0) return ExitCodeForOutcome(o);
  return 0;
}

std::string OutcomeText(const FaxOutcome& o) {
  if (LineReason(o.reason)) return std::string(EndReasonText(o.reason)) + " (error " + std::to_string(o.errorCode) + ")";
  return std::string(ErrorText(o.errorCode)) + " (" + std::to_string(o.errorCode) + ")";
}

}  // namespace telvane::cli
