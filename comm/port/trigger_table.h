// The timer, data and status triggers of one dispatcher: handle allocation,
// arming, matching input, and the walk that collects fired triggers.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "comm/port/serial_device.h"
#include "comm/port/tick_clock.h"
#include "comm/port/trigger_types.h"

namespace telvane {

// Longest match string of a data trigger.
inline constexpr std::size_t kMaxDataTriggerLength = 255;

// The state of the port that status triggers are tested against.
struct StatusSnapshot {
  std::uint8_t msr = 0;            // current modem lines (high nibble)
  std::uint8_t msrEvents = 0;      // delta bits seen since the last walk (low nibble)
  std::uint32_t lineErrors = 0;    // le* bits seen since the last walk
  std::size_t outUsed = 0;
  std::size_t outFree = 0;
  bool allSent = false;
  std::uint64_t outPutTotal = 0;  // bytes ever put into the output buffer
};

struct FiredTrigger {
  std::uint32_t msg = 0;
  int handle = 0;
  std::uint16_t data = 0;
};

class TriggerTable {
 public:
  // New triggers; each returns its handle or a negative error.
  int AddTimer();
  int AddData(std::string_view match, bool ignoreCase);
  int AddStatus(int type);

  // Arms (activate) or disarms a trigger. A modem status trigger remembers
  // `msr` as the state its changes are measured from, an output-sent trigger
  // `outPutTotal` as the output it waits to see gone.
  int SetTimer(int handle, const ITickClock& clock, int ticks, bool activate);
  int SetStatus(int handle, std::uint32_t value, bool activate, std::uint8_t msr,
                std::uint64_t outPutTotal = 0);
  int Remove(int handle);
  bool Exists(int handle) const;
  std::size_t Count() const;

  // While a walk (collecting and delivering fired triggers) is under way, a
  // removed trigger is only marked; EndWalk takes marked triggers out.
  void BeginWalk() { walking_ = true; }
  void EndWalk();

  bool HasDataTriggers() const { return !data_.empty(); }
  // Feeds one received byte to the active data triggers.
  void FeedByte(std::uint8_t byte, std::vector<FiredTrigger>& fired);
  // Timer triggers whose time has come; each fires once per arming.
  void CheckTimers(const ITickClock& clock, std::vector<FiredTrigger>& fired);
  // Status triggers whose condition holds; each fires once per arming.
  void CheckStatus(const StatusSnapshot& s, std::vector<FiredTrigger>& fired);
  // Whether an armed status trigger watches the output buffer.
  bool OutputTriggersArmed() const;

 private:
  struct Timer {
    int handle;
    EventTimer timer;
    bool active = false;
    bool deleted = false;
  };
  struct Data {
    int handle;
    std::string match;
    std::vector<std::size_t> fallback;  // longest proper border of each prefix
    std::size_t matched = 0;            // bytes of `match` matched so far
    bool ignoreCase = false;
    bool deleted = false;
  };
  struct Status {
    int handle;
    int type;
    std::uint32_t value = 0;
    std::uint8_t lastMsr = 0;
    bool active = false;
    bool deleted = false;
    std::uint64_t outMark = 0;
  };

  int NewHandle();
  bool HandleInUse(int base) const;
  Timer* FindTimer(int handle);
  Status* FindStatus(int handle);

  std::vector<Timer> timers_;
  std::vector<Data> data_;
  std::vector<Status> status_;
  // Handles in use (including triggers marked deleted), by handle / 8.
  std::bitset<8192> used_;
  int counter_ = 1;
  bool walking_ = false;
};

}  // namespace telvane
