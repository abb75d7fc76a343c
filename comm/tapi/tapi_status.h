// The call progress window seam; the GUI implements it.
#pragma once

namespace telvane {

class TApdTapiDevice;

class TApdAbstractTapiStatus {
 public:
  virtual ~TApdAbstractTapiStatus() = default;
  // first: the call starts; last: the call has ended. The device's
  // CallState() tells where it is.
  virtual void UpdateDisplay(TApdTapiDevice& device, bool first, bool last) = 0;
};

// Call history; stored only, nothing writes it.
class TApdTapiLog;

}  // namespace telvane
