// Trigger handles, status types and the messages that carry fired triggers to
// their receivers.
#pragma once

#include <cstdint>
#include <functional>

namespace telvane {

// Handle of the single avail trigger; every other handle is a multiple of 8,
// and a status trigger carries its status type in the low three bits.
inline constexpr int kAvailTriggerHandle = 1;

enum StatusType {
  stNotActive = 0,
  stModem = 1,          // a modem line selected by the mask (msr* bits) changes
  stLine = 2,           // a line error selected by the mask (le* bits) occurs
  stOutBuffFree = 3,    // at least `level` bytes are free in the output buffer
  stOutBuffUsed = 4,    // at most `level` bytes wait in the output buffer
  stOutSent = 5,        // everything written has gone out; with a non-zero value,
                        // only once bytes put after the arming have gone out
};

// Message numbers.
inline constexpr std::uint32_t kMsgTriggerAvail = 0x7E01;
inline constexpr std::uint32_t kMsgTriggerData = 0x7E02;
inline constexpr std::uint32_t kMsgTriggerTimer = 0x7E03;
inline constexpr std::uint32_t kMsgTriggerStatus = 0x7E04;

// One fired trigger as a receiver gets it.
struct TriggerMessage {
  std::uint32_t msg = 0;
  // The trigger handle, or for avail the number of bytes waiting.
  int param = 0;
  // The dispatcher that fired it (high word of the second parameter).
  std::uint16_t dispatcher = 0;
  // What the trigger reports (low word): for a modem status trigger the modem
  // status register, for a line-error trigger the errors that matched it.
  std::uint16_t data = 0;
};

using TriggerReceiver = std::function<void(const TriggerMessage&)>;

}  // namespace telvane
