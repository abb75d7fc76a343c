#include "viewer/zoom_steps.h"

namespace telvane {

int ZoomInStep(int zoom) {
  const int r = zoom % 25;
  const int next = r == 0 ? zoom + 25 : zoom + (25 - r);
  return next > kMaxZoom ? 0 : next;
}

int ZoomOutStep(int zoom) {
  const int r = zoom % 25;
  const int next = r == 0 ? zoom - 25 : zoom - r;
  return next < kMinZoom ? 0 : next;
}

}  // namespace telvane
