// T.30 timing shared by the Class 1 and the Class 2/2.0 machines: the
// minimum scan-line times, the pauses around frames, and the tick counts of
// the waits that every class makes.
#pragma once

#include "comm/port/tick_clock.h"

namespace telvane {

// Minimum scan-line time in milliseconds for a code (0..7, the order of the
// DIS/DCS bits 21-23 as the parameter strings number them) and resolution.
int ScanLineMs(int scanTime, bool fine);
// Minimum bytes per coded scan line for a scan-line time code at a speed.
int MinBytesPerLine(int scanTime, bool fine, int bps);

// T.30 puts 75 ms (+-20) between the end of a received signal and the
// answer to it; the modem's OK after a frame says the signal has ended.
inline constexpr int kAfterFrameMs = 75;
// After our own transmission the modem listens only once the echo of our
// carrier has died down on the line; the answer comes 75 ms after our end
// at the earliest and starts with a second of flags.
inline constexpr int kBeforeListenMs = 75;
// The other side's TCF or page starts 75 ms after its DCS or our CFR/MCF, so
// "AT+FRM=" goes out with only a short pause.
inline constexpr int kBeforeModulationMs = 40;
// T.30 sends the post-page command 75 ms after the page's data, once the
// receiver has dropped the high-speed carrier.
inline constexpr int kBeforePostPageMs = 75;

// A Class 2 modem signals with XON that it takes page data; after about a
// second without one the page starts all the same. (A Class 1 modem takes
// the data from its CONNECT on.)
inline constexpr int kXonWaitTicks = 18;
// A frame read is confirmed by the modem's OK once the V.21 carrier drops,
// within a fraction of a second after its closing flags; a modem that has
// not confirmed it after 3 s (T.30's T4) never will.
inline constexpr int kFrameConfirmTicks = SecsToTicks(3);
// How often a Class 1 call checks its port for a hang-up and its frames for
// their confirmation: every second, so a line that goes is noticed within 2 s.
inline constexpr int kWatchTicks = SecsToTicks(1);

// Any character aborts a T.31 modem's reception (AT+FRH, AT+FRM); CAN is
// part of no command.
inline constexpr char kCancelReceive = 0x18;

// The remote may take up to 30 s to be ready for the next page (AT+FDT).
inline constexpr int kRemoteReadyTicks = SecsToTicks(30);

}  // namespace telvane
