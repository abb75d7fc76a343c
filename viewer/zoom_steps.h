// The zoom steps of the viewer window, in percent.
#pragma once

namespace telvane {

inline constexpr int kMinZoom = 25;
inline constexpr int kMaxZoom = 400;

// The next multiple of 25 above `zoom`, or 0 when it would pass 400.
int ZoomInStep(int zoom);
// The next multiple of 25 below `zoom`, or 0 when it would go below 25.
int ZoomOutStep(int zoom);

}  // namespace telvane
