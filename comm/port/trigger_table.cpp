// Trigger handles, arming and the trigger walk.
#include "comm/port/trigger_table.h"

#include <algorithm>
#include <cctype>

#include "base/error_codes.h"

namespace telvane {
namespace {

// The counter hands out counter x 8 for the first 4096 triggers; after that
// the lowest free multiple of 8 is taken. Handles stay below 65536 so that
// they fit the 16-bit fields of a trigger message.
constexpr int kCounterLimit = 4096;
constexpr int kHighestBase = 0xFFF8;

std::uint8_t Upper(std::uint8_t c) { return static_cast<std::uint8_t>(std::toupper(c)); }

int Base(int handle) { return handle & ~7; }

}  // namespace

bool TriggerTable::HandleInUse(int base) const { return used_.test(static_cast<std::size_t>(base / 8)); }

int TriggerTable::NewHandle() {
  int base = ecNoMoreTriggers;
  if (counter_ <= kCounterLimit) {
    base = 8 * counter_++;
  } else {
    for (int b = 8; b <= kHighestBase; b += 8)
      if (!HandleInUse(b)) {
        base = b;
        break;
      }
  }
  if (base > 0) used_.set(static_cast<std::size_t>(base / 8));
  return base;
}

int TriggerTable::AddTimer() {
  int h = NewHandle();
  if (h < 0) return h;
  timers_.push_back(Timer{h, {}, false, false});
  return h;
}

int TriggerTable::AddData(std::string_view match, bool ignoreCase) {
  if (match.empty() || match.size() > kMaxDataTriggerLength) return ecBadArgument;
  int h = NewHandle();
  if (h < 0) return h;
  Data d;
  d.handle = h;
  d.match.assign(match);
  d.ignoreCase = ignoreCase;
  if (ignoreCase)
    for (char& c : d.match) c = static_cast<char>(Upper(static_cast<std::uint8_t>(c)));
  // Failure links of the Knuth-Morris-Pratt automaton, so that a match that
  // starts inside a partial match ("aab" in "aaab") is not missed.
  d.fallback.assign(d.match.size(), 0);
  for (std::size_t i = 1, k = 0; i < d.match.size(); ++i) {
    while (k > 0 && d.match[i] != d.match[k]) k = d.fallback[k - 1];
    if (d.match[i] == d.match[k]) ++k;
    d.fallback[i] = k;
  }
  data_.push_back(std::move(d));
  return h;
}

int TriggerTable::AddStatus(int type) {
  if (type < stModem || type > stOutSent) return ecBadArgument;
  int h = NewHandle();
  if (h < 0) return h;
  status_.push_back(Status{h | type, type, 0, 0, false, false});
  return h | type;
}

TriggerTable::Timer* TriggerTable::FindTimer(int handle) {
  for (auto& t : timers_)
    if (t.handle == handle && !t.deleted) return &t;
  return nullptr;
}

TriggerTable::Status* TriggerTable::FindStatus(int handle) {
  for (auto& s : status_)
    if (s.handle == handle && !s.deleted) return &s;
  return nullptr;
}

int TriggerTable::SetTimer(int handle, const ITickClock& clock, int ticks, bool activate) {
  Timer* t = FindTimer(handle);
  if (!t) return ecBadTriggerHandle;
  if (ticks < 0) return ecBadArgument;
  t->active = activate;
  if (activate) t->timer = NewTimer(clock, ticks);
  return ecOK;
}

int TriggerTable::SetStatus(int handle, std::uint32_t value, bool activate, std::uint8_t msr,
                            std::uint64_t outPutTotal) {
  Status* s = FindStatus(handle);
  if (!s) return ecBadTriggerHandle;
  s->value = value;
  s->active = activate;
  s->lastMsr = msr;
  s->outMark = outPutTotal;
  return ecOK;
}

int TriggerTable::Remove(int handle) {
  auto mark = [&](auto& list, auto matches) {
    for (auto it = list.begin(); it != list.end(); ++it) {
      if (it->deleted || !matches(*it)) continue;
      if (walking_) {
        it->deleted = true;
      } else {
        used_.reset(static_cast<std::size_t>(Base(it->handle) / 8));
        list.erase(it);
      }
      return true;
    }
    return false;
  };
  auto same = [handle](const auto& t) { return t.handle == handle; };
  if (mark(timers_, same) || mark(data_, same) || mark(status_, same)) return ecOK;
  return ecBadTriggerHandle;
}

bool TriggerTable::Exists(int handle) const {
  auto in = [handle](const auto& list) {
    return std::any_of(list.begin(), list.end(),
                       [handle](const auto& t) { return t.handle == handle && !t.deleted; });
  };
  return in(timers_) || in(data_) || in(status_);
}

std::size_t TriggerTable::Count() const {
  auto live = [](const auto& list) {
    return static_cast<std::size_t>(
        std::count_if(list.begin(), list.end(), [](const auto& t) { return !t.deleted; }));
  };
  return live(timers_) + live(data_) + live(status_);
}

void TriggerTable::EndWalk() {
  walking_ = false;
  auto purge = [this](auto& list) {
    for (const auto& t : list)
      if (t.deleted) used_.reset(static_cast<std::size_t>(Base(t.handle) / 8));
    list.erase(std::remove_if(list.begin(), list.end(), [](const auto& t) { return t.deleted; }),
               list.end());
  };
  purge(timers_);
  purge(data_);
  purge(status_);
}

void TriggerTable::FeedByte(std::uint8_t byte, std::vector<FiredTrigger>& fired) {
  for (auto& d : data_) {
    if (d.deleted) continue;
    char c = static_cast<char>(d.ignoreCase ? Upper(byte) : byte);
    while (d.matched > 0 && d.match[d.matched] != c) d.matched = d.fallback[d.matched - 1];
    if (d.match[d.matched] == c) ++d.matched;
    if (d.matched == d.match.size()) {
      fired.push_back({kMsgTriggerData, d.handle, 0});
      d.matched = d.fallback[d.matched - 1];
    }
  }
}

void TriggerTable::CheckTimers(const ITickClock& clock, std::vector<FiredTrigger>& fired) {
  for (auto& t : timers_) {
    if (t.deleted || !t.active || !TimerExpired(clock, t.timer)) continue;
    t.active = false;
    fired.push_back({kMsgTriggerTimer, t.handle, 0});
  }
}

void TriggerTable::CheckStatus(const StatusSnapshot& snap, std::vector<FiredTrigger>& fired) {
  for (auto& s : status_) {
    if (s.deleted || !s.active) continue;
    bool fire = false;
    std::uint16_t data = 0;
    switch (s.type) {
      case stModem: {
        std::uint32_t changed = (snap.msr ^ s.lastMsr) & 0xF0;
        // A line that went and came back between two samples still counts
        // as a change of that line (delta bit << 4 is the line's bit).
        changed |= snap.msrEvents & 0x0F;
        changed |= (snap.msrEvents & (msrDeltaCTS | msrDeltaDSR | msrDeltaDCD)) << 4;
        fire = (changed & s.value) != 0;
        data = static_cast<std::uint16_t>(snap.msr | (snap.msrEvents & 0x0F));
        break;
      }
      case stLine:
        fire = (snap.lineErrors & s.value) != 0;
        data = static_cast<std::uint16_t>(snap.lineErrors & s.value);
        break;
      case stOutBuffFree:
        fire = snap.outFree >= s.value;
        break;
      case stOutBuffUsed:
        fire = snap.outUsed <= s.value;
        break;
      case stOutSent:
        // A non-zero value asks for new output: an idle line does not fire.
        fire = snap.allSent && (s.value == 0 || snap.outPutTotal != s.outMark);
        break;
    }
    if (!fire) continue;
    s.active = false;
    fired.push_back({kMsgTriggerStatus, s.handle, data});
  }
}

bool TriggerTable::OutputTriggersArmed() const {
  return std::any_of(status_.begin(), status_.end(), [](const Status& s) {
    return s.active && !s.deleted && s.type >= stOutBuffFree;
  });
}

}  // namespace telvane
