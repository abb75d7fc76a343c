// The character trace and the dispatcher event log of a port: the last
// entries kept in memory, written to a file when dumped or appended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace telvane {

enum TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };

// Bytes sent and received, one entry per byte.
class CharTrace {
 public:
  // Applies a state change: tlOn records, tlPause keeps what is there without
  // recording, tlOff stops and forgets, tlClear forgets and records on,
  // tlDump / tlAppend write the entries to the file (replacing or extending
  // it), forget them and stop. Returns 0 or the negative error of the write.
  int SetState(TTraceLogState state);
  TTraceLogState State() const;

  void SetSize(std::size_t entries);
  void SetFileName(const std::string& name);
  void SetHex(bool hex, bool allHex);

  void AddTransmit(const std::uint8_t* data, std::size_t n);
  void AddReceive(const std::uint8_t* data, std::size_t n);
  std::size_t Count() const;
  // The text that a dump writes.
  std::string Format() const;

 private:
  struct Entry {
    bool transmit;
    std::uint8_t byte;
  };
  void Add(bool transmit, const std::uint8_t* data, std::size_t n);
  std::string FormatLocked() const;
  int Write(bool append);

  mutable std::mutex lock_;
  TTraceLogState state_ = tlOff;
  std::size_t size_ = 10000;
  std::string fileName_;
  bool hex_ = true;
  bool allHex_ = false;
  std::deque<Entry> entries_;
};

// Dispatcher events: trigger firings, opens and closes, errors.
class EventLog {
 public:
  int SetState(TTraceLogState state);
  TTraceLogState State() const;
  void SetSize(std::size_t entries);
  void SetFileName(const std::string& name);
  void SetHex(bool hex, bool allHex);

  // kind: "Trigger", "Avail", "Open", ... detail: a short description; data:
  // the value the event carries.
  void Add(const std::string& kind, const std::string& detail, std::uint32_t data);
  std::size_t Count() const;
  std::string Format() const;

  // The bracketed name of a status trigger type, as the log writes it.
  static const char* StatusTypeName(int type);

 private:
  struct Entry {
    std::uint64_t ms;
    std::string kind;
    std::string detail;
    std::uint32_t data;
  };
  std::string FormatLocked() const;
  int Write(bool append);

  mutable std::mutex lock_;
  TTraceLogState state_ = tlOff;
  std::size_t size_ = 10000;
  std::string fileName_;
  bool hex_ = true;
  bool allHex_ = false;
  std::deque<Entry> entries_;
};

}  // namespace telvane
