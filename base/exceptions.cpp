// Maps error codes onto the exception family.
#include "base/exceptions.h"

namespace telvane {

EAPDException::EAPDException(int code) : std::runtime_error(ErrorText(code)), code_(code) {}

EAPDException::EAPDException(int code, const std::string& message)
    : std::runtime_error(message), code_(code) {}

void RaiseError(int code) {
  switch (code) {
    case ecOK: return;
    case ecBadArgument: throw EBadArgument();
    case ecPortNotAssigned: throw EPortNotAssigned();
    case ecNotOpen: throw EPortNotOpen();
    case ecOutputBufferTooSmall: throw EOutputBufferTooSmall();
    case ecBadTriggerHandle: throw EBadTriggerHandle();
    case ecFaxBadFormat: throw EFaxBadFormat();
    case ecTapiCallUnavail: throw ETapiCallUnavail();
    case ecTapiBusy: throw ETapiBusy();
    case ecTapiNotSet: throw ETapiNotSet();
    default: break;
  }
  if (code <= -13000 && code > -14000) throw ETapiError(code);
  if (code <= -8000 && code > -9000) throw EFaxError(code);
  if (code <= -6000 && code > -7000) throw EModemError(code);
  if (code <= -5000 && code > -6000) throw ETriggerError(code);
  if (code <= -3000 && code > -4000) throw ESerialIOError(code);
  if (code <= -2000 && code > -3000) throw EPortOpenError(code);
  if (code <= -1000 && code > -2000) throw EGeneral(code);
  throw EFileError(code);
}

}  // namespace telvane
