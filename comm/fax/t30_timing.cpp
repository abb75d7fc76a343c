// The minimum scan-line time table of T.30 (DIS bits 21-23).
#include "comm/fax/t30_timing.h"

namespace telvane {

int ScanLineMs(int scanTime, bool fine) {
  static constexpr int kMs[8][2] = {{0, 0}, {5, 5}, {10, 5}, {10, 10}, {20, 10}, {20, 20}, {40, 20}, {40, 40}};
  if (scanTime < 0 || scanTime > 7) return 0;
  return kMs[scanTime][fine ? 1 : 0];
}

int MinBytesPerLine(int scanTime, bool fine, int bps) { return ScanLineMs(scanTime, fine) * bps / 8000; }

}  // namespace telvane
