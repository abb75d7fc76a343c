// The exception family shared by every subsystem: one base carrying the error code,
// one class per area, and the named classes that callers catch by type.
#pragma once

#include <stdexcept>
#include <string>

#include "base/error_codes.h"

namespace telvane {

class EAPDException : public std::runtime_error {
 public:
  explicit EAPDException(int code);
  EAPDException(int code, const std::string& message);
  int ErrorCode() const noexcept { return code_; }

 private:
  int code_;
};

// Areas.
class EGeneral : public EAPDException { using EAPDException::EAPDException; };
class EFileError : public EAPDException { using EAPDException::EAPDException; };
class EPortOpenError : public EAPDException { using EAPDException::EAPDException; };
class ESerialIOError : public EAPDException { using EAPDException::EAPDException; };
class ETriggerError : public EAPDException { using EAPDException::EAPDException; };
class EModemError : public EAPDException { using EAPDException::EAPDException; };
class EFaxError : public EAPDException { using EAPDException::EAPDException; };
class ETapiError : public EAPDException { using EAPDException::EAPDException; };

// Named errors.
class EBadArgument : public EGeneral { public: EBadArgument() : EGeneral(ecBadArgument) {} };
class EPortNotAssigned : public EGeneral { public: EPortNotAssigned() : EGeneral(ecPortNotAssigned) {} };
class EPortNotOpen : public ESerialIOError { public: EPortNotOpen() : ESerialIOError(ecNotOpen) {} };
class EOutputBufferTooSmall : public ESerialIOError {
 public:
  EOutputBufferTooSmall() : ESerialIOError(ecOutputBufferTooSmall) {}
};
class EBadTriggerHandle : public ETriggerError { public: EBadTriggerHandle() : ETriggerError(ecBadTriggerHandle) {} };
class EFaxBadFormat : public EFaxError { public: EFaxBadFormat() : EFaxError(ecFaxBadFormat) {} };
class ETapiCallUnavail : public ETapiError { public: ETapiCallUnavail() : ETapiError(ecTapiCallUnavail) {} };
class ETapiBusy : public ETapiError { public: ETapiBusy() : ETapiError(ecTapiBusy) {} };
class ETapiNotSet : public ETapiError { public: ETapiNotSet() : ETapiError(ecTapiNotSet) {} };

// Throws the exception of the area a non-zero code belongs to; 0 returns.
void RaiseError(int code);

}  // namespace telvane
