// TDeviceSelectionForm_My: the dialog in which the user picks the modem
// device, and SelectModem, the routine around it that the main window runs at
// start-up (the stored device is taken without asking) and from its
// "选择Modem" button (always asking).
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QPushButton;

namespace telvane {

class TDeviceSelectionForm_My : public QDialog {
  Q_OBJECT
 public:
  explicit TDeviceSelectionForm_My(QWidget* parent = nullptr);

  // Replaces the list; nothing is selected afterwards.
  void SetDevices(const std::vector<std::string>& names);
  // The selected entry's text; empty when none is selected.
  std::string SelectedName() const;

  // The 1 ms timer whose tick presses OK; disabled until EnableAutoOk().
  QTimer& Timer1() { return timer1_; }
  // Lets the timer press OK once, 1 ms after the event loop runs again.
  void EnableAutoOk() { timer1_.start(); }

  QComboBox* dsfComboBox;
  QPushButton* dsfOkBitBtn;
  QPushButton* dsfCancelBitBtn;

 private:
  // Ends the dialog with OK only while an entry is selected.
  void dsfOkBitBtnClick();

  QTimer timer1_;
};

// Shows the dialog for the dialog's lifetime; returns QDialog's result code.
using RunDeviceDialog = std::function<int(TDeviceSelectionForm_My&)>;

// The modem selection:
// - no devices: returns 2 without showing anything;
// - otherwise lists them with the first selected; a stored name selects its
//   entry, or leaves the first selected when the list no longer has it;
// - a stored name that is in the list and !showAlways lets the timer press
//   OK, so the stored device is taken without the user's choice;
// - `run` shows the dialog (exec() when empty); OK sets `chosen` to the
//   selected name and returns 1, anything else returns 2.
// Storing the name and handing it to the telephony device is the caller's.
int SelectModem(bool showAlways, const std::vector<std::string>& deviceNames,
                const std::optional<std::string>& storedName, const RunDeviceDialog& run, std::string& chosen,
                QWidget* parent = nullptr);

}  // namespace telvane
