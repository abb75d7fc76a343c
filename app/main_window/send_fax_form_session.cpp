// The session side of the main window: waiting for calls, the telephony
// device's events, the monitor page's read-outs, cancel, and the re-arming
// of automatic answering after every session.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "app/main_window/send_fax_form.h"
#include "app/main_window/session_display.h"
#include "app/widgets/modem_terminal.h"
#include "app/widgets/session_animation.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/fax/fax_session.h"

namespace telvane {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

bool TSendFaxForm::OpensThroughDevice() const {
  const TTapiMode mode = ApdComPort1.TapiMode();
  return mode == tmOn || (mode == tmAuto && !ApdTapiDevice1.SelectedDevice().empty());
}

void TSendFaxForm::WaitWhileDeviceBusy() {
  while (ApdTapiDevice1.CallState() != 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Before a new session: the running fax is cancelled and the line hung up.
void TSendFaxForm::CancelRunningSession() {
  if (sessionMode_ == 1) ApdReceiveFax1.CancelFax();
  if (sessionMode_ == 2) ApdSendFax1.CancelFax();
  ApdTapiDevice1.CancelCall();
  WaitWhileDeviceBusy();
}

void TSendFaxForm::ReceiveFaxesClkClick() {
  // 1.
  Label8->setText(QStringLiteral("接收"));
  AdTerminal1->SetActive(true);
  receiveRequested_ = true;
  // 2., 3.
  CancelRunningSession();
  // 4.
  sendRequested_ = false;
  receiveRequested_ = true;
  Animate1->Start();
  // 5.
  ApplySessionSettings();
  // 6.
  try {
    if (!OpensThroughDevice()) {
      ApdComPort1.SetOpen(true);
      directlyOpened_ = true;
      sessionMode_ = 1;
      ApdReceiveFax1.StartReceive();
      return;
    }
    sessionMode_ = 1;
    ReceiveFaxesClk->setEnabled(false);
    directlyOpened_ = false;
    InstallSimulatedLine(LineSession::Receive);
    ApdTapiDevice1.OpenThroughLine();
  } catch (const EAPDException& e) {
    // A port or device that cannot be opened: shown as the library's text,
    // and the window is idle again.
    notice_.ShowError(this, QStringLiteral("Fax error: ") + QString::fromUtf8(ErrorText(e.ErrorCode())));
    Animate1->Stop();
    Label8->clear();
    ReceiveFaxesClk->setEnabled(true);
    sessionMode_ = 0;
    receiveRequested_ = false;
  }
}

void TSendFaxForm::CancelCallClkClick() {
  if (sessionMode_ == 1) ApdReceiveFax1.CancelFax();
  if (sessionMode_ == 2) ApdSendFax1.CancelFax();
  ApdTapiDevice1.CancelCall();
}

void TSendFaxForm::EndCall() {
  if (directlyOpened_) {
    directlyOpened_ = false;
    if (ApdComPort1.Open()) ApdComPort1.SetOpen(false);
    SendFaxClk->setEnabled(true);
    SendAllFaxClk->setEnabled(true);
    ReceiveFaxesClk->setEnabled(true);
  } else {
    ApdTapiDevice1.CancelCall();
  }
}

void TSendFaxForm::ApdTapiDevice1TapiPortOpen() {
  if (sessionMode_ == 2) {
    try {
      ApdSendFax1.StartTransmit();
    } catch (const EAPDException& e) {
      SessionStartFailed(e.ErrorCode());
      return;
    }
  }
  if (sessionMode_ == 1) {
    try {
      ApdReceiveFax1.StartReceive();
    } catch (const EAPDException& e) {
      notice_.ShowError(this, QStringLiteral("Fax error: ") + QString::fromUtf8(ErrorText(e.ErrorCode())));
      sessionMode_ = 0;
      Timer3->start();
      ApdTapiDevice1.CancelCall();
      return;
    }
  }
  ApdSLController1.SetMonitoring(true);
}

void TSendFaxForm::ApdTapiDevice1TapiPortClose() {
  Label8->clear();
  SendFaxClk->setEnabled(true);
  SendAllFaxClk->setEnabled(true);
  ReceiveFaxesClk->setEnabled(true);
  ApdTapiDevice1.CancelCall();
  receiveRequested_ = sendRequested_ = false;
  Animate1->Stop();
  ApdSLController1.SetMonitoring(false);
}

void TSendFaxForm::ApdTapiDevice1TapiFail() {
  sessionMode_ = 0;
  ReceiveFaxesClk->setEnabled(true);
  Animate1->Stop();
  Label8->clear();
  const int error = ApdTapiDevice1.LastError();
  if (error != 0)
    notice_.ShowError(this, QStringLiteral("Fax error: ") + QString::fromUtf8(ErrorText(error)));
  Timer3->start();
}

void TSendFaxForm::ShowReceiveStatus() {
  TApdReceiveFax& fax = ApdReceiveFax1;
  const int progress = fax.FaxProgress();
  const CallTimer::Clock::time_point now = CallTimer::Clock::now();
  callTimer_.Progress(progress, now);
  PhoneNumberLabel->setText(Text(fax.StationID()));
  FaxFileLabel->setText(Text(fax.FaxFile()));
  CoverFileLabel->clear();
  TotalPagesLabel->setText(QString::number(fax.TotalPages()));
  SpeedLabel->setText(QString::number(fax.SessionBPS()));
  PageWidthLabel->setText(fax.SessionWidth() ? QStringLiteral("2048") : QStringLiteral("1728"));
  ErrorControlLabel->setText(fax.DesiredECM() ? QStringLiteral("on") : QStringLiteral("off"));
  StatusMsg->setText(QString::fromUtf8(ErrorText(progress)));
  RemoteIdLabel->setText(Text(fax.RemoteID()));
  DialAttemptLabel->clear();
  Label17->setText(FaxClassLabel(static_cast<int>(fax.FaxClass())));
  ResolutionLabel->setText(fax.SessionResolution() ? QStringLiteral("196") : QStringLiteral("98"));
  CurrentPageLabel->setText(QString::number(fax.CurrentPage()));
  PageLengthLabel->setText(QString::number(fax.PageLength()));
  BytesLabel->setText(QString::number(fax.BytesTransferred()));
  ElapsedLabel->setText(callTimer_.Running() ? ElapsedColumn(callTimer_.Seconds(now)) : QStringLiteral("00:00"));
}

void TSendFaxForm::ApdReceiveFax1FaxError(int code) {
  if (receiveRequested_ && sendRequested_) return;
  notice_.ShowError(this, QStringLiteral("Fax error: ") + QString::fromUtf8(ErrorText(code)));
  Animate1->Stop();
  Label8->clear();
  singleSend_ = listSend_ = false;
  ReceiveFaxesClk->setEnabled(true);
  sessionMode_ = 0;
  Timer3->start();
}

void TSendFaxForm::ApdReceiveFax1FaxFinish(int) {
  if (receiveRequested_ && sendRequested_) return;
  EndCall();
  singleSend_ = listSend_ = false;
  sessionMode_ = 0;
  Timer3->start();
}

void TSendFaxForm::Timer3Timer() {
  // While the line is still busy the timer keeps ticking and tries again,
  // instead of waiting in a loop of its own.
  if (ApdTapiDevice1.CallState() != 0 || (directlyOpened_ && ApdComPort1.Open())) return;
  Timer3->stop();
  sessionMode_ = 0;
  AutoAnswerClick();
}

}  // namespace telvane
