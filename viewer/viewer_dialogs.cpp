#include "viewer/viewer_dialogs.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "viewer/viewer_texts.h"
#include "viewer/zoom_steps.h"

namespace telvane {
namespace {

// A whole decimal number of at most three digits, as the edits hold.
bool ParseNumber(const QString& text, int& value) {
  bool ok = false;
  value = text.trimmed().toInt(&ok, 10);
  return ok;
}

QHBoxLayout* ButtonRow(QPushButton* ok, QPushButton* cancel, QPushButton* help) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  row->addWidget(help);
  return row;
}

}  // namespace

TPercentForm::TPercentForm(IUserNotice& notice, QWidget* parent) : QDialog(parent), notice_(notice) {
  setWindowTitle(texts::kPercentCaption);
  PercentEdit = new QLineEdit(QStringLiteral("100"), this);
  PercentEdit->setMaxLength(3);
  OKBtn = new QPushButton(texts::kOk, this);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(texts::kCancel, this);
  HelpBtn = new QPushButton(texts::kHelp, this);
  HelpBtn->setEnabled(false);
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(texts::kZoomFactor, this));
  row->addWidget(PercentEdit);
  layout->addLayout(row);
  layout->addLayout(ButtonRow(OKBtn, CancelBtn, HelpBtn));
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

int TPercentForm::Percent() const { return PercentEdit->text().trimmed().toInt(); }

void TPercentForm::OKBtnClick() {
  int value = 0;
  if (!ParseNumber(PercentEdit->text(), value)) {
    notice_.ShowError(this, texts::kMustBeNumber);
  } else if (value < kMinZoom || value > kMaxZoom) {
    notice_.ShowError(this, texts::kPercentRange);
  } else {
    accept();
    return;
  }
  PercentEdit->setFocus();
}

TWhitespaceCompForm::TWhitespaceCompForm(IUserNotice& notice, QWidget* parent) : QDialog(parent), notice_(notice) {
  setWindowTitle(texts::kWhitespaceCaption);
  CompEnabledBox = new QCheckBox(texts::kCompress, this);
  FromEdit = new QLineEdit(this);
  FromEdit->setMaxLength(3);
  ToEdit = new QLineEdit(this);
  ToEdit->setMaxLength(3);
  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  HelpBtn = new QPushButton(QStringLiteral("Help"), this);
  HelpBtn->setEnabled(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CompEnabledBox);
  auto* row = new QHBoxLayout;
  row->addWidget(FromEdit);
  row->addWidget(new QLabel(texts::kBlankLinesTo, this));
  row->addWidget(ToEdit);
  row->addWidget(new QLabel(texts::kBlankLines, this));
  layout->addLayout(row);
  layout->addLayout(ButtonRow(OKBtn, CancelBtn, HelpBtn));
  connect(CompEnabledBox, &QCheckBox::toggled, this, [this](bool on) {
    FromEdit->setEnabled(on);
    ToEdit->setEnabled(on);
  });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  Load(false, 0, 0);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    adjustSize();
    QRect r = frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
}

void TWhitespaceCompForm::Load(bool enabled, unsigned from, unsigned to) {
  CompEnabledBox->setChecked(enabled);
  FromEdit->setEnabled(enabled);
  ToEdit->setEnabled(enabled);
  if (enabled) {
    FromEdit->setText(QString::number(from));
    ToEdit->setText(QString::number(to));
  }
}

bool TWhitespaceCompForm::CompEnabled() const { return CompEnabledBox->isChecked(); }
unsigned TWhitespaceCompForm::From() const { return FromEdit->text().trimmed().toUInt(); }
unsigned TWhitespaceCompForm::To() const { return ToEdit->text().trimmed().toUInt(); }

void TWhitespaceCompForm::OKBtnClick() {
  int from = 0, to = 0;
  if (CompEnabled() && (!ParseNumber(FromEdit->text(), from) || !ParseNumber(ToEdit->text(), to) || from < 0 ||
                        to < 0)) {
    notice_.ShowError(this, texts::kMustBeNumber);
    return;
  }
  accept();
}

}  // namespace telvane
