// Character trace and event log.
#include "comm/port/trace_log.h"

#include <sys/utsname.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "base/error_codes.h"

namespace telvane {
namespace {

constexpr const char* kLibraryVersion = "Telvane comm 0.1";

std::uint64_t NowMs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

}  // namespace

// Writes `text` to `name`, replacing or extending it.
int WriteTraceLogText(const std::string& name, const std::string& text, bool append) {
  if (name.empty()) return ecFileNotFound;
  std::ofstream out(name, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  if (!out) return ErrnoToCode(errno ? errno : EACCES);
  out << text;
  out.flush();
  return out ? ecOK : ecDiskFull;
}

namespace {

// One byte as the trace shows it: printable characters as they are,
// the rest (or everything with allHex) as [xx].
void AppendByte(std::string& out, std::uint8_t b, bool hex, bool allHex) {
  bool printable = b >= 0x20 && b < 0x7F;
  if (allHex || (hex && !printable)) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "[%02X]", b);
    out += buf;
  } else {
    out += static_cast<char>(b);
  }
}

}  // namespace

// --- CharTrace ---

void CharTrace::AddTransmit(const std::uint8_t* data, std::size_t n) { Add(true, data, n); }
void CharTrace::AddReceive(const std::uint8_t* data, std::size_t n) { Add(false, data, n); }

void CharTrace::Add(bool transmit, const std::uint8_t* data, std::size_t n) {
  std::lock_guard guard(lock_);
  if (!RecordingLocked()) return;
  for (std::size_t i = 0; i < n; ++i) entries_.push_back({transmit, data[i]});
  TrimLocked();
}

std::string CharTrace::FormatLocked() const {
  // One line per run of bytes in the same direction, wrapped at 64 bytes.
  std::string out;
  bool first = true;
  bool dir = false;
  std::size_t run = 0;
  for (const auto& e : entries_) {
    if (first || e.transmit != dir || run == 64) {
      if (!first) out += '\n';
      out += e.transmit ? "Transmit: " : "Receive: ";
      dir = e.transmit;
      run = 0;
      first = false;
    }
    AppendByte(out, e.byte, hex_, allHex_);
    ++run;
  }
  if (!first) out += '\n';
  return out;
}

// --- EventLog ---

const char* EventLog::StatusTypeName(int type) {
  switch (type) {
    case 1: return "(Modem status)";
    case 2: return "(Line status)";
    case 3: return "(Output buffer free)";
    case 4: return "(Output buffer used)";
    case 5: return "(Output sent)";
    default: return "(Not active)";
  }
}

void EventLog::Add(const std::string& kind, const std::string& detail, std::uint32_t data) {
  std::lock_guard guard(lock_);
  if (!RecordingLocked()) return;
  entries_.push_back({NowMs(), kind, detail, data});
  TrimLocked();
}

std::string EventLog::FormatLocked() const {
  std::string out;
  utsname u{};
  uname(&u);
  out += std::string(kLibraryVersion) + " dispatcher log, " + u.sysname + " " + u.release + " " +
         u.machine + "\n\n";
  if (entries_.empty()) return out;
  std::uint64_t start = entries_.front().ms;
  for (const auto& e : entries_) {
    // Seconds since the first kept entry, then kind, detail and data.
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", static_cast<double>(e.ms - start) / 1000.0);
    std::string detail;
    for (char c : e.detail) AppendByte(detail, static_cast<std::uint8_t>(c), hex_, allHex_);
    char line[256];
    std::snprintf(line, sizeof line, "%8s  %-8s  %-12s  %08x  \n", time, e.kind.c_str(),
                  detail.c_str(), e.data);
    out += line;
  }
  return out;
}

}  // namespace telvane
