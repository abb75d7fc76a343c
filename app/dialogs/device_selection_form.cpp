#include "app/dialogs/device_selection_form.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "comm/tapi/device_selection.h"

namespace telvane {
namespace {

constexpr int kAutoOkMs = 1;
constexpr int kListWidth = 280;

}  // namespace

TDeviceSelectionForm_My::TDeviceSelectionForm_My(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DeviceSelectionForm_My"));
  setWindowTitle(QStringLiteral("选择设备"));
  dsfComboBox = new QComboBox(this);
  dsfComboBox->setObjectName(QStringLiteral("dsfComboBox"));
  dsfComboBox->setEditable(false);
  dsfComboBox->setMinimumWidth(kListWidth);
  dsfComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  dsfOkBitBtn = new QPushButton(QStringLiteral("确定"), this);
  dsfOkBitBtn->setObjectName(QStringLiteral("dsfOkBitBtn"));
  dsfOkBitBtn->setDefault(true);
  dsfCancelBitBtn = new QPushButton(QStringLiteral("取消"), this);
  dsfCancelBitBtn->setObjectName(QStringLiteral("dsfCancelBitBtn"));
  dsfCancelBitBtn->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(dsfOkBitBtn);
  buttons->addWidget(dsfCancelBitBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(dsfComboBox);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  timer1_.setObjectName(QStringLiteral("Timer1"));
  timer1_.setInterval(kAutoOkMs);
  timer1_.setSingleShot(true);
  connect(&timer1_, &QTimer::timeout, dsfOkBitBtn, &QPushButton::click);
  connect(dsfOkBitBtn, &QPushButton::clicked, this, [this] { dsfOkBitBtnClick(); });
  connect(dsfCancelBitBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TDeviceSelectionForm_My::SetDevices(const std::vector<std::string>& names) {
  dsfComboBox->clear();
  for (const std::string& name : names) dsfComboBox->addItem(QString::fromStdString(name));
  dsfComboBox->setCurrentIndex(-1);
}

std::string TDeviceSelectionForm_My::SelectedName() const {
  if (dsfComboBox->currentIndex() < 0) return {};
  return dsfComboBox->currentText().toStdString();
}

void TDeviceSelectionForm_My::dsfOkBitBtnClick() {
  if (dsfComboBox->currentIndex() >= 0) accept();
}

int SelectModem(bool showAlways, const std::vector<std::string>& deviceNames,
                const std::optional<std::string>& storedName, const RunDeviceDialog& run, std::string& chosen,
                QWidget* parent) {
  if (deviceNames.empty()) return kSelectionCancel;
  TDeviceSelectionForm_My form(parent);
  form.SetDevices(deviceNames);
  form.dsfComboBox->setCurrentIndex(0);
  if (storedName) {
    const int index = form.dsfComboBox->findText(QString::fromStdString(*storedName));
    if (index >= 0) {
      form.dsfComboBox->setCurrentIndex(index);
      if (!showAlways) form.EnableAutoOk();
    }
  }
  const int result = run ? run(form) : form.exec();
  if (result != QDialog::Accepted) return kSelectionCancel;
  chosen = form.SelectedName();
  return kSelectionOk;
}

}  // namespace telvane
