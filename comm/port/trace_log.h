// The character trace and the dispatcher event log of a port: the last
// entries kept in memory, written to a file when dumped or appended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "base/error_codes.h"

namespace telvane {

enum TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };

// Writes `text` to `name`, replacing or extending it: 0 or a negative error.
int WriteTraceLogText(const std::string& name, const std::string& text, bool append);

// What the trace and the log share: the recording state, the last `size`
// entries, the file they go to and the hex options of the text.
template <typename Entry>
class KeptRecords {
 public:
  virtual ~KeptRecords() = default;

  // Applies a state change: tlOn records, tlPause keeps what is there without
  // recording, tlOff stops and forgets, tlClear forgets and records on,
  // tlDump / tlAppend write the entries to the file (replacing or extending
  // it), forget them and stop. Returns 0 or the negative error of the write.
  int SetState(TTraceLogState state) {
    std::lock_guard guard(lock_);
    switch (state) {
      case tlOff:
      case tlClear:
        entries_.clear();
        state_ = state == tlClear ? tlOn : tlOff;
        return 0;
      case tlOn:
      case tlPause:
        state_ = state;
        return 0;
      case tlDump:
      case tlAppend: {
        const int rc = WriteTraceLogText(fileName_, FormatLocked(), state == tlAppend);
        entries_.clear();
        state_ = tlOff;
        return rc;
      }
    }
    return ecBadArgument;
  }
  TTraceLogState State() const {
    std::lock_guard guard(lock_);
    return state_;
  }
  void SetSize(std::size_t entries) {
    std::lock_guard guard(lock_);
    size_ = entries;
    TrimLocked();
  }
  void SetFileName(const std::string& name) {
    std::lock_guard guard(lock_);
    fileName_ = name;
  }
  void SetHex(bool hex, bool allHex) {
    std::lock_guard guard(lock_);
    hex_ = hex;
    allHex_ = allHex;
  }
  std::size_t Count() const {
    std::lock_guard guard(lock_);
    return entries_.size();
  }
  // The text that a dump writes.
  std::string Format() const {
    std::lock_guard guard(lock_);
    return FormatLocked();
  }

 protected:
  virtual std::string FormatLocked() const = 0;
  bool RecordingLocked() const { return state_ == tlOn && size_ > 0; }
  void TrimLocked() {
    while (entries_.size() > size_) entries_.pop_front();
  }

  mutable std::mutex lock_;
  TTraceLogState state_ = tlOff;
  std::size_t size_ = 10000;
  std::string fileName_;
  bool hex_ = true;
  bool allHex_ = false;
  std::deque<Entry> entries_;
};

struct CharTraceEntry {
  bool transmit;
  std::uint8_t byte;
};

// Bytes sent and received, one entry per byte.
class CharTrace : public KeptRecords<CharTraceEntry> {
 public:
  void AddTransmit(const std::uint8_t* data, std::size_t n);
  void AddReceive(const std::uint8_t* data, std::size_t n);

 private:
  void Add(bool transmit, const std::uint8_t* data, std::size_t n);
  std::string FormatLocked() const override;
};

struct EventLogEntry {
  std::uint64_t ms;
  std::string kind;
  std::string detail;
  std::uint32_t data;
};

// Dispatcher events: trigger firings, opens and closes, errors.
class EventLog : public KeptRecords<EventLogEntry> {
 public:
  // kind: "Trigger", "Avail", "Open", ... detail: a short description; data:
  // the value the event carries.
  void Add(const std::string& kind, const std::string& detail, std::uint32_t data);

  // The bracketed name of a status trigger type, as the log writes it.
  static const char* StatusTypeName(int type);

 private:
  std::string FormatLocked() const override;
};

}  // namespace telvane
