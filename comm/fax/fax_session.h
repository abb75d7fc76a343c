// The session record of one fax engine: what the owning component sets
// before a session, what the engine keeps while it runs, and the defaults.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "comm/fax/class1_frames.h"
#include "comm/fax/class2_commands.h"
#include "faxdoc/text_renderer.h"
#include "comm/port/tick_clock.h"

namespace telvane {

enum TFaxClass { fcUnknown, fcDetect, fcClass1, fcClass2, fcClass2_0 };

// Option bits of the session record.
inline constexpr std::uint32_t foAbortNoConnect = 1;
inline constexpr std::uint32_t foExitOnError = 2;
inline constexpr std::uint32_t foSoftwareFlow = 8;

// Progress codes of status notifications.
inline constexpr int fpInitModem = 4801;
inline constexpr int fpDialing = 4802;
inline constexpr int fpBusyWait = 4803;
inline constexpr int fpSendPage = 4804;
inline constexpr int fpSendPageStatus = 4805;
inline constexpr int fpPageError = 4806;
inline constexpr int fpPageOK = 4807;
inline constexpr int fpConnecting = 4808;
inline constexpr int fpWaiting = 4820;
inline constexpr int fpNoConnect = 4821;
inline constexpr int fpAnswer = 4822;
inline constexpr int fpIncoming = 4823;
inline constexpr int fpGetPage = 4824;
inline constexpr int fpGetPageResult = 4825;
inline constexpr int fpCheckMorePages = 4826;
inline constexpr int fpGetHangup = 4827;
inline constexpr int fpGotHangup = 4828;
inline constexpr int fpSessionParams = 4840;
inline constexpr int fpGotRemoteID = 4841;
inline constexpr int fpCancel = 4842;
inline constexpr int fpFinished = 4843;

// Log codes.
inline constexpr int lfaxTransmitStart = 1;
inline constexpr int lfaxTransmitOk = 2;
inline constexpr int lfaxTransmitFail = 3;
inline constexpr int lfaxReceiveStart = 4;
inline constexpr int lfaxReceiveOk = 5;
inline constexpr int lfaxReceiveSkip = 6;
inline constexpr int lfaxReceiveFail = 7;

// Why a fax (sender) or a call (receiver) ended, as far as the error code
// alone does not tell it. T.30 has one code for a DCN wherever it comes
// (-6005 "Cancel requested", the code the history keeps): the reason tells
// the user's cancel from a far end that hung up, and a lost line or one too
// poor to carry frames from a protocol failure.
enum class EndReason {
  None,          // still running, or ended as it should
  UserCancel,    // the user asked to stop
  RemoteHangUp,  // the far end sent DCN when the procedure did not call for it
  CarrierLost,   // the modem said NO CARRIER in mid-call: the line went
  PortHangUp,    // the port reported a hang-up: the modem or its line went
  PoorLine,      // frames came but the modem confirmed none: too noisy a line
  Failed,        // any other failure; the error code tells which
};
// A short English text for `reason` ("the far end hung up"); empty for None.
const char* EndReasonText(EndReason reason);

// The default init string for the dial options: the X digit selects
// blind dialling (no wait for dial tone) and busy detection.
//   X4 waits for dial tone and detects busy, X3 busy only, X2 dial tone only, X1 neither.
std::string DefaultInitString(bool blindDial, bool detectBusy);

// Enhanced text: text covers and the header line drawn with system fonts
// in place of the built-in fax font.
struct EnhancedTextSettings {
  bool enabled = false;
  FaxFontSpec font;         // text covers
  FaxFontSpec headerFont;   // the header line
  // Makes the system-font renderer; the QtGui one when empty.
  std::function<std::unique_ptr<TextBitmapRenderer>()> rendererFactory;
};

// What both fax engines keep for a session. The owning component writes the
// settings; the engine resets the per-session fields.
struct FaxSession {
  // --- Settings ---
  TFaxClass faxClass = fcDetect;
  std::int32_t initBaud = 0;
  std::int32_t normalBaud = 0;
  std::string defaultInit = "ATE0Q0V1X4S0=0S2=43";
  std::string modemInit;
  std::string stationId;  // at most 20 characters, upper case (SetStationId)
  int responseTimeout = 182;   // ticks (10 s)
  int dialWait = 1092;         // ticks (60 s)
  int pageTimeout = 1092;      // ticks (60 s)
  int dialAttempts = 3;        // 0: without limit
  int retryWait = 1092;        // ticks (60 s)
  int answerOnRing = 1;
  std::uint32_t options = 0;   // fo* bits
  int statusInterval = 1;      // seconds
  int desiredBps = 9600;
  char desiredEcm = '0';
  bool toneDial = true;
  bool blindDial = false;
  bool detectBusy = true;
  std::string dialPrefix;
  std::string phoneNumber;
  std::string headerLine, headerSender, headerRecipient, headerTitle;
  std::string faxFile, coverFile;
  std::string faxFileExt = "APF";
  EnhancedTextSettings enhText;
  // Stored for the owner's use; the engine's sequences do not depend on it.
  bool safeMode = true;
  // Sender: page lines per output-buffer-free trigger, and the output level
  // kept topped up while page data flows.
  int maxSendCount = 50;
  int bufferMinimum = 1000;
  // Receiver.
  bool faxAndData = false;
  bool oneFax = false;
  bool constantStatus = false;

  // --- Kept while a session runs ---
  std::string remoteId;
  int progress = 0;
  int errorCode = 0;
  EndReason endReason = EndReason::None;  // of the current fax or call
  int hangupCode = 0;
  int attempt = 0;
  int ringCount = 0;
  Class2Params params;  // negotiated session parameters (Class 2 / 2.0)
  Class1Params class1;  // Class 1 session parameters (class1_frames.h)
  int currentPage = 0;
  int pagesInFile = 0;
  int coverPages = 0;
  std::uint32_t pageBytes = 0;
  // The coded size of the page being sent, as its fax file gives it; 0 when
  // unknown (text covers, received pages).
  std::uint32_t pageLength = 0;
  int retries = 0;

  // Setters that apply the conversions of the settings.
  void SetStationId(const std::string& id);           // cut to 20, upper-cased
  void SetDialWaitSecs(int secs) { dialWait = SecsToTicks(secs); }
  void SetRetryWaitSecs(int secs) { retryWait = SecsToTicks(secs); }
  // Rebuilds the default init string from blindDial and detectBusy.
  void UpdateDefaultInit() { defaultInit = DefaultInitString(blindDial, detectBusy); }
  // Clears what one session leaves behind.
  void ResetSession();
};

}  // namespace telvane
