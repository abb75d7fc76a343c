// TComSelectForm: the dialog that asks which serial device to open when a
// port is opened without a device and PromptForPort is set. It lists the
// serial devices of the machine that can be opened; OK gives the chosen
// device's path.
#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "comm/port/com_port.h"
#include "comm/port/port_list.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace telvane {

class TComSelectForm : public QDialog {
  Q_OBJECT
 public:
  // Lists `ports` with the first one selected. An empty list says so in
  // the dialog and leaves only Cancel.
  explicit TComSelectForm(std::vector<SerialPortInfo> ports, QWidget* parent = nullptr);

  // The dialog with the serial devices found on this machine.
  static std::unique_ptr<TComSelectForm> ScanMachine(QWidget* parent = nullptr);

  // The path of the selected device; empty when there is none.
  std::string DevicePath() const;

  QLabel* PortsLabel;
  QComboBox* PortsComboBox;
  QPushButton* OkButton;
  QPushButton* CancelButton;

 private:
  std::vector<SerialPortInfo> ports_;
};

// A port's prompt that scans the machine and shows the dialog: the chosen
// device's path, or empty when the user cancels (TApdComPort::OnPromptForPort).
PortPromptHandler PromptForPortWithDialog(QWidget* parent = nullptr);

}  // namespace telvane
