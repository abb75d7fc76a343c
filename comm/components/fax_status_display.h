// The seam to the status window a fax component keeps up to date.
#pragma once

namespace telvane {

class TApdAbstractFax;

// The status window; the GUI implements it. Called on the main thread before
// the component raises OnFaxStatus.
class TApdAbstractFaxStatus {
 public:
  virtual ~TApdAbstractFaxStatus() = default;
  virtual void UpdateDisplay(TApdAbstractFax& fax, bool first, bool last) = 0;
};

}  // namespace telvane
