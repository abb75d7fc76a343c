#include "app/dialogs/fax_status_form.h"

#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "base/error_codes.h"
#include "comm/components/abstract_fax.h"
#include "comm/components/receive_fax.h"
#include "comm/components/send_fax.h"

namespace telvane {
namespace {

constexpr int kValueWidth = 260;

QLabel* Value(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setMinimumWidth(kValueWidth);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

void CallTimer::Progress(int code, Clock::time_point now) {
  switch (code) {
    case fpSessionParams:
    case fpGotRemoteID:
      if (!running_) {
        running_ = true;
        start_ = now;
      }
      break;
    case fpFinished:
    case fpCancel:
    case fpGotHangup:
      if (running_) {
        running_ = false;
        stop_ = now;
      }
      break;
    default:
      break;
  }
}

int CallTimer::Seconds(Clock::time_point now) const {
  const Clock::time_point end = running_ ? now : stop_;
  if (end <= start_) return 0;
  return static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(end - start_).count());
}

QString FormatElapsed(int seconds) {
  seconds = std::max(seconds, 0);
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

FaxStatusTexts ReadFaxStatus(const TApdAbstractFax& fax) {
  FaxStatusTexts t;
  if (const auto* send = dynamic_cast<const TApdSendFax*>(&fax)) {
    t.numberCaption = QStringLiteral("电话号码");
    t.number = QString::fromStdString(send->PhoneNumber());
    t.dialAttempt = QString::number(send->DialAttempt());
  } else {
    t.numberCaption = QStringLiteral("本机标识");
    t.number = QString::fromStdString(fax.StationID());
  }
  t.remoteId = QString::fromStdString(fax.RemoteID());
  if (fax.ErrorCode() != 0)
    t.status = QString::fromUtf8(ErrorText(fax.ErrorCode()));
  else if (fax.FaxProgress() != 0)
    t.status = QString::fromUtf8(ErrorText(fax.FaxProgress()));
  t.speed = QString::number(fax.SessionBPS());
  t.resolution = fax.SessionResolution() ? QStringLiteral("高 (196 线/英寸)") : QStringLiteral("标准 (98 线/英寸)");
  t.width = fax.SessionWidth() ? QStringLiteral("2048") : QStringLiteral("1728");
  t.pages = QStringLiteral("%1 / %2").arg(fax.CurrentPage()).arg(fax.TotalPages());
  t.bytes = QString::number(fax.BytesTransferred());
  return t;
}

TApdFaxStatus::TApdFaxStatus(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ApdFaxStatus"));
  setWindowTitle(QStringLiteral("Fax Status"));
  cancelFax = [](TApdAbstractFax& fax) { fax.CancelFax(); };

  NumberCaption = new QLabel(QStringLiteral("电话号码"), this);
  NumberCaption->setObjectName(QStringLiteral("NumberCaption"));
  NumberValue = Value("NumberValue", this);
  RemoteIdValue = Value("RemoteIdValue", this);
  StatusValue = Value("StatusValue", this);
  SpeedValue = Value("SpeedValue", this);
  ResolutionValue = Value("ResolutionValue", this);
  WidthValue = Value("WidthValue", this);
  PagesValue = Value("PagesValue", this);
  BytesValue = Value("BytesValue", this);
  DialAttemptValue = Value("DialAttemptValue", this);
  ElapsedValue = Value("ElapsedValue", this);
  PageProgress = new QProgressBar(this);
  PageProgress->setObjectName(QStringLiteral("PageProgress"));
  PageProgress->setRange(0, 1);
  PageProgress->setValue(0);
  PageProgress->setTextVisible(false);
  CancelButton = new QPushButton(QStringLiteral("取消"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setEnabled(false);

  auto* form = new QFormLayout;
  form->setLabelAlignment(Qt::AlignRight);
  NumberCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->addRow(NumberCaption, NumberValue);
  form->addRow(QStringLiteral("对方标识"), RemoteIdValue);
  form->addRow(QStringLiteral("状态"), StatusValue);
  form->addRow(QStringLiteral("连接速率"), SpeedValue);
  form->addRow(QStringLiteral("分辨率"), ResolutionValue);
  form->addRow(QStringLiteral("页宽"), WidthValue);
  form->addRow(QStringLiteral("页码"), PagesValue);
  form->addRow(QStringLiteral("本页字节"), BytesValue);
  form->addRow(QStringLiteral("拨号次数"), DialAttemptValue);
  form->addRow(QStringLiteral("已用时间"), ElapsedValue);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(PageProgress);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(CancelButton, &QPushButton::clicked, this, [this] {
    if (fax_ && cancelFax) cancelFax(*fax_);
  });
}

TApdFaxStatus::~TApdFaxStatus() = default;

void TApdFaxStatus::UpdateDisplay(TApdAbstractFax& fax, bool first, bool last) {
  const CallTimer::Clock::time_point now = Now();
  if (first) timer_.Reset();
  timer_.Progress(fax.FaxProgress(), now);

  const FaxStatusTexts t = ReadFaxStatus(fax);
  NumberCaption->setText(t.numberCaption);
  NumberValue->setText(t.number);
  RemoteIdValue->setText(t.remoteId);
  StatusValue->setText(t.status);
  SpeedValue->setText(t.speed);
  ResolutionValue->setText(t.resolution);
  WidthValue->setText(t.width);
  PagesValue->setText(t.pages);
  BytesValue->setText(t.bytes);
  DialAttemptValue->setText(t.dialAttempt);
  ElapsedValue->setText(FormatElapsed(timer_.Seconds(now)));
  ShowPageProgress(fax);

  if (last) {
    fax_ = nullptr;
    CancelButton->setEnabled(false);
    hide();
  } else {
    fax_ = &fax;
    CancelButton->setEnabled(true);
    if (first) show();
  }
}

void TApdFaxStatus::ShowPageProgress(const TApdAbstractFax& fax) {
  if (dynamic_cast<const TApdReceiveFax*>(&fax)) {
    // How many pages a caller sends is not known beforehand: the bar only
    // shows that a page is coming in.
    if (fax.FaxProgress() == fpGetPage)
      PageProgress->setRange(0, 0);
    else
      PageProgress->setRange(0, 1);
    PageProgress->setValue(0);
    return;
  }
  const int total = fax.TotalPages();
  PageProgress->setRange(0, std::max(total, 1));
  PageProgress->setValue(std::clamp(fax.CurrentPage(), 0, std::max(total, 1)));
}

void TApdFaxStatus::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

}  // namespace telvane
