// Session parameter lists, negotiation and hang-up code spelling.
#include "tools/modem_emulator/t30_params.h"

#include <algorithm>
#include <cstdio>

namespace telvane::emu {
namespace {

// Highest value of each subparameter this DCE takes: VR fine, BR 14400,
// WD up to A3, LN unlimited, DF up to MMR, EC up to ECM with 256-byte frames,
// BF binary file transfer, ST 40 ms.
constexpr std::array<int, SessionParams::kCount> kMax{1, 5, 2, 2, 3, 2, 1, 7};

}  // namespace

std::string SessionParams::Format() const {
  std::string s;
  for (int i = 0; i < kCount; ++i) {
    if (i) s += ',';
    s += std::to_string(v[i]);
  }
  return s;
}

bool SessionParams::Apply(std::string_view value) {
  std::array<int, kCount> next = v;
  size_t field = 0;
  size_t pos = 0;
  while (true) {
    size_t comma = value.find(',', pos);
    std::string_view item = value.substr(pos, comma == std::string_view::npos ? value.npos : comma - pos);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    if (field >= kCount + 1) return false;
    if (!item.empty()) {
      int n = 0;
      for (char c : item) {
        if (c < '0' || c > '9' || n > 100) return false;
        n = n * 10 + (c - '0');
      }
      if (field < kCount) {
        if (n > kMax[field]) return false;
        next[field] = n;
      }
    }
    ++field;
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  v = next;
  return true;
}

std::string SessionParams::Ranges() {
  return "(0,1),(0-5),(0-2),(0-2),(0-3),(0-2),(0,1),(0-7)";
}

int SessionParams::BitRate() const {
  static constexpr int kRates[] = {2400, 4800, 7200, 9600, 12000, 14400};
  return kRates[std::clamp(v[kBr], 0, 5)];
}

SessionParams Negotiate(const SessionParams& local, const SessionParams& remote) {
  SessionParams dcs;
  for (int i = 0; i < SessionParams::kCount; ++i) dcs[i] = std::min(local[i], remote[i]);
  dcs[SessionParams::kDf] = 0;
  dcs[SessionParams::kBf] = 0;
  dcs[SessionParams::kSt] = std::max(local[SessionParams::kSt], remote[SessionParams::kSt]);
  return dcs;
}

std::string HangUpCodeText(Dialect dialect, int cause) {
  if (dialect == Dialect::kClass2) return std::to_string(cause);
  static constexpr char kHex[] = "0123456789ABCDEF";
  int high = std::clamp(cause / 10, 0, 15);
  return std::string{kHex[high], kHex[cause % 10]};
}

}  // namespace telvane::emu
