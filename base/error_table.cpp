// The error-text table: one English text per code, shared by every area.
#include "base/error_codes.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

namespace telvane {
namespace {

struct Entry {
  int code;
  const char* text;
};

constexpr std::array kTable{
    Entry{ecOK, "OK"},
    Entry{ecFileNotFound, "File not found"},
    Entry{ecOutOfMemory, "Insufficient memory"},
    Entry{ecReadBeyondEof, "Attempt to read beyond end of file"},
    Entry{ecDiskFull, "Disk is full"},
    Entry{ecShortWrite, "Device write fault"},
    Entry{ecBadArgument, "Bad argument passed to function"},
    Entry{ecGotQuitMsg, "Got quit message"},
    Entry{ecPortNotAssigned, "No port assigned"},
    Entry{ecNoNotifyWindow, "Unable to create the notification window"},
    Entry{ecNotSupportedByLayer, "Operation not supported by this device layer"},
    Entry{ecNotOpen, "Port is not open"},
    Entry{ecOutputBufferFull, "Output buffer is full"},
    Entry{ecOutputBufferTooSmall, "Output buffer too small for a fax session"},
    Entry{ecNoMoreTriggers, "No more trigger slots"},
    Entry{ecBadTriggerHandle, "Bad trigger handle"},
    Entry{ecCancelRequested, "Cancel requested"},
    Entry{ecFatalTimeout, "Fatal time out"},
    Entry{ecNoFilename, "No filename specified in protocol receive"},
    Entry{ecFileRejected, "File was rejected"},
    Entry{ecFaxBadFormat, "File is not an APF file"},
    Entry{ecBadGraphicsFormat, "Unsupported graphics file format"},
    Entry{ecConvertAbort, "User aborted fax conversion"},
    Entry{ecBitmapCreateFailed, "CreateBitmapIndirect API failure"},
    Entry{ecNoImageLoaded, "No image loaded into viewer"},
    Entry{ecNoImageBlockMarked, "No block of image marked"},
    Entry{ecFontFileNotFound, "APFAX.FNT not found, or resource bad"},
    Entry{ecEnhFontTooBig, "Font selected for enhanced text converter too large"},
    Entry{ecFaxIncompatible, "Fax incompatible with remote fax"},
    Entry{ecFaxBadModemResult, "Bad response from modem"},
    Entry{ecFaxTrainError, "Modems failed to train"},
    Entry{ecFaxInitError, "Error while initializing modem"},
    Entry{ecFaxBusy, "Called fax number was busy"},
    Entry{ecFaxVoiceCall, "Called fax number answered with voice"},
    Entry{ecFaxDataCall, "Incoming data call"},
    Entry{ecFaxNoDialTone, "No dial tone"},
    Entry{ecFaxNoCarrier, "Failed to connect to remote fax"},
    Entry{ecFaxSessionError, "Fax failed in mid-session"},
    Entry{ecFaxPageError, "Fax failed at page end"},
    Entry{ecFaxNoAnswer, "Remote fax did not answer"},
    Entry{ecTapiCallUnavail, "Telephony call unavailable"},
    Entry{ecTapiBusy, "Telephony device busy"},
    Entry{ecTapiNotSet, "Port is not set for telephony"},
    // Fax session progress codes.
    Entry{4801, "Initializing modem for fax processing"},
    Entry{4802, "Dialing"},
    Entry{4803, "Busy, waiting until redial..."},
    Entry{4804, "Sending page data"},
    Entry{4805, "Sending EOP"},
    Entry{4806, "Error sending page"},
    Entry{4807, "Page accepted by remote"},
    Entry{4808, "Connecting..."},
    Entry{4820, "Waiting for incoming call"},
    Entry{4821, "No connect on this call"},
    Entry{4822, "Answering incoming call"},
    Entry{4823, "Incoming call validated as fax"},
    Entry{4824, "Getting page data"},
    Entry{4825, "Getting end-of-page signal"},
    Entry{4826, "Getting end-of-document status"},
    Entry{4827, "Getting hangup command"},
    Entry{4828, "Got Class 2 FHNG code"},
    Entry{4840, "Getting connection params"},
    Entry{4841, "Got called-station ID"},
    Entry{4842, "User abort"},
    Entry{4843, "Finished"},
};

// Texts made for codes outside the table are kept for the life of the
// process so that the returned pointer stays valid.
const char* FallbackText(int code) {
  static std::mutex lock;
  static std::unordered_map<int, std::string> made;
  std::lock_guard guard(lock);
  auto found = made.find(code);
  if (found != made.end()) return found->second.c_str();
  std::string text;
  if (code < 0 && code > -4096) {
    char buf[256];
    text = strerror_r(-code, buf, sizeof buf);
  } else {
    text = "Unknown error " + std::to_string(code);
  }
  return made.emplace(code, std::move(text)).first->second.c_str();
}

}  // namespace

const char* ErrorText(int code) {
  for (const Entry& e : kTable)
    if (e.code == code) return e.text;
  return FallbackText(code);
}

int ErrnoToCode(int err) {
  if (err == 0) return ecOK;
  if (err == ENOSPC) return ecDiskFull;
  if (err == ENOMEM) return ecOutOfMemory;
  return -err;
}

}  // namespace telvane
