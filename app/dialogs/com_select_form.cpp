#include "app/dialogs/com_select_form.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace telvane {
namespace {

constexpr int kListWidth = 300;

}  // namespace

TComSelectForm::TComSelectForm(std::vector<SerialPortInfo> ports, QWidget* parent)
    : QDialog(parent), ports_(std::move(ports)) {
  setObjectName(QStringLiteral("ComSelectForm"));
  setWindowTitle(QStringLiteral("Select a Serial Port"));
  PortsLabel = new QLabel(this);
  PortsLabel->setObjectName(QStringLiteral("PortsLabel"));
  PortsComboBox = new QComboBox(this);
  PortsComboBox->setObjectName(QStringLiteral("PortsComboBox"));
  PortsComboBox->setMinimumWidth(kListWidth);
  PortsComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  OkButton = new QPushButton(QStringLiteral("OK"), this);
  OkButton->setObjectName(QStringLiteral("OkButton"));
  OkButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setAutoDefault(false);

  for (const SerialPortInfo& port : ports_) {
    PortsComboBox->addItem(QString::fromStdString(port.label));
    PortsComboBox->setItemData(PortsComboBox->count() - 1, QString::fromStdString(port.path), Qt::ToolTipRole);
  }
  if (ports_.empty()) {
    PortsLabel->setText(QStringLiteral("No serial port was found on this computer."));
    PortsComboBox->setEnabled(false);
    OkButton->setEnabled(false);
    OkButton->setDefault(false);
    CancelButton->setDefault(true);
  } else {
    PortsLabel->setText(QStringLiteral("Serial port to open:"));
    PortsComboBox->setCurrentIndex(0);
  }

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkButton);
  buttons->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PortsLabel);
  layout->addWidget(PortsComboBox);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(OkButton, &QPushButton::clicked, this, [this] {
    if (PortsComboBox->currentIndex() >= 0) accept();
  });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

std::unique_ptr<TComSelectForm> TComSelectForm::ScanMachine(QWidget* parent) {
  return std::make_unique<TComSelectForm>(ListSerialPorts(), parent);
}

std::string TComSelectForm::DevicePath() const {
  const int index = PortsComboBox->currentIndex();
  if (index < 0 || index >= static_cast<int>(ports_.size())) return {};
  return ports_[static_cast<std::size_t>(index)].path;
}

PortPromptHandler PromptForPortWithDialog(QWidget* parent) {
  return [parent]() -> std::string {
    std::unique_ptr<TComSelectForm> form = TComSelectForm::ScanMachine(parent);
    if (form->exec() != QDialog::Accepted) return {};
    return form->DevicePath();
  };
}

}  // namespace telvane
