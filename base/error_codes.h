// Error and progress codes shared by every area of the program.
// Failures are negative; fax progress codes are positive (4801..4843).
#pragma once

namespace telvane {

// General and file errors. File errors are otherwise the negated errno.
inline constexpr int ecOK = 0;
inline constexpr int ecFileNotFound = -2;
inline constexpr int ecOutOfMemory = -8;
inline constexpr int ecReadBeyondEof = -100;
inline constexpr int ecDiskFull = -101;
inline constexpr int ecShortWrite = -160;

inline constexpr int ecBadArgument = -1002;
inline constexpr int ecGotQuitMsg = -1003;
inline constexpr int ecPortNotAssigned = -1005;
inline constexpr int ecNoNotifyWindow = -1006;
inline constexpr int ecNotSupportedByLayer = -1009;

// Port and dispatcher.
inline constexpr int ecNotOpen = -2007;
inline constexpr int ecOutputBufferFull = -3002;
inline constexpr int ecOutputBufferTooSmall = -3006;
inline constexpr int ecNoMoreTriggers = -5001;
inline constexpr int ecBadTriggerHandle = -5003;

// Protocol engine.
inline constexpr int ecCancelRequested = -6005;
inline constexpr int ecFatalTimeout = -6006;
inline constexpr int ecNoFilename = -6010;
inline constexpr int ecFileRejected = -6011;

// Fax documents, viewer and fax sessions.
inline constexpr int ecFaxBadFormat = -8001;
inline constexpr int ecBadGraphicsFormat = -8002;
inline constexpr int ecConvertAbort = -8003;
inline constexpr int ecBitmapCreateFailed = -8005;
inline constexpr int ecNoImageLoaded = -8050;
inline constexpr int ecNoImageBlockMarked = -8051;
inline constexpr int ecFontFileNotFound = -8052;
inline constexpr int ecEnhFontTooBig = -8055;
inline constexpr int ecFaxIncompatible = -8060;
inline constexpr int ecFaxBadModemResult = -8061;
inline constexpr int ecFaxTrainError = -8062;
inline constexpr int ecFaxInitError = -8063;
inline constexpr int ecFaxBusy = -8064;
inline constexpr int ecFaxVoiceCall = -8065;
inline constexpr int ecFaxDataCall = -8066;
inline constexpr int ecFaxNoDialTone = -8067;
inline constexpr int ecFaxNoCarrier = -8068;
inline constexpr int ecFaxSessionError = -8069;
inline constexpr int ecFaxPageError = -8070;
inline constexpr int ecFaxNoAnswer = -8074;

// Telephony device.
inline constexpr int ecTapiCallUnavail = -13805;
inline constexpr int ecTapiBusy = -13928;
inline constexpr int ecTapiNotSet = -13929;

// The English text of a code from the error-text table. Codes the table
// does not hold (a negated errno, for instance) get the operating system's
// text for that error, or "Unknown error <code>".
const char* ErrorText(int code);

// Turns a C library errno value into this program's negative code: the end of
// a file and a full disk have their own codes, everything else is negated.
int ErrnoToCode(int err);

}  // namespace telvane
