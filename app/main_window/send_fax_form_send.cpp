// Sending from the main window: the outgoing list, the single-send document
// and its background conversion, starting a send session, the send
// component's events on the monitor page; and what happens with each fax
// received (listed, unpacked into the chosen image type, printed).
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "app/background/document_jobs.h"
#include "app/background/work_queue.h"
#include "app/dialogs/fax_list_form.h"
#include "app/main_window/outgoing_entries.h"
#include "app/main_window/send_fax_form.h"
#include "app/main_window/session_display.h"
#include "app/platform/app_paths.h"
#include "app/widgets/modem_terminal.h"
#include "app/widgets/session_animation.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/fax/fax_session.h"
#include "faxdoc/output_file.h"

namespace telvane {

namespace {

std::string Utf8(const QString& s) { return s.toStdString(); }
QString Text(const std::string& s) { return QString::fromStdString(s); }
bool IsApf(const QString& path) { return path.endsWith(QStringLiteral(".apf"), Qt::CaseInsensitive); }

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

std::string TSendFaxForm::OutboxDir() const { return programDir_ + "Outbox/"; }

TFaxListForm& TSendFaxForm::ListForm() {
  if (FaxListForm) return *FaxListForm;
  if (!ownFaxListForm_) ownFaxListForm_ = std::make_unique<TFaxListForm>(QString::fromStdString(programDir_), this);
  return *ownFaxListForm_;
}

int TSendFaxForm::QueueConversion(const std::string& source, const std::string& target) {
  DocumentConversion job;
  job.source = source;
  job.typeCode = DocumentTypeCode(source);
  job.windowsFont = cbxEnhTextEnabled->isChecked();
  job.font = CurrentSessionSettings().font;
  job.target = target;
  TApdFaxConverter* converter = &ApdFaxConverter1;
  std::weak_ptr<bool> alive = alive_;
  return converterQueue_->Add([converter, job] { return ConvertDocumentFile(*converter, job); },
                              [this, alive, job](int code) {
                                if (alive.expired()) return;
                                ConversionDone(job.source, job.target, code);
                              });
}

void TSendFaxForm::ConversionDone(const std::string& source, const std::string& target, int code) {
  if (code != 0) {
    conversionErrors_[target] = code;
    notice_.ShowError(this, QStringLiteral("转换 %1 时出错: %2").arg(Text(source), QString::fromUtf8(ErrorText(code))));
  } else {
    conversionErrors_.erase(target);
  }
  if (startWaiting_ && converterQueue_->Pending() == 0) {
    startWaiting_ = false;
    StartSessionNow();
  }
}

// --- The single-send document ---

void TSendFaxForm::ConvertSendDocument() {
  const QString document = EditFile->text();
  if (document.isEmpty() || IsApf(document)) return;
  if (convertedFor_ == document && !Edit1->text().isEmpty()) return;
  // A document that is not a fax file yet goes to the out-box under the
  // time it was chosen; its fax file's name stands in Edit1 at once.
  const std::string target = OutboxDir() + DateTimeName(LocalNow()) + ".apf";
  Edit1->setText(Text(target));
  convertedFor_ = document;
  QueueConversion(Utf8(document), target);
}

// --- The outgoing list ---

void TSendFaxForm::AddClkClick() {
  TFaxListForm& form = ListForm();
  form.SetOkCaption(QStringLiteral("添加"));
  if (RunDialog(form) != QDialog::Accepted) return;
  const QString phone = form.PhoneNumber(), file = form.FileName();
  if (phone.isEmpty() || file.isEmpty() || !QFileInfo::exists(file)) return;
  if (!IsApf(file)) {
    const std::string target = OutboxDir() + DocumentBaseName(Utf8(file)) + ".apf";
    QueueConversion(Utf8(file), target);
    form.SetFileName(Text(target));
  }
  const OutgoingEntry entry{form.PhoneNumber(), form.FileName(), form.CoverName()};
  OutgoingEntries << EntryText(entry);
  sfFaxListBox->addItem(EntryDisplayLine(entry));
}

void TSendFaxForm::ModifyClkClick() {
  if (sessionMode_ == 2) {
    notice_.Beep();
    return;
  }
  const int row = sfFaxListBox->currentRow();
  if (row < 0 || row >= OutgoingEntries.size()) return;
  TFaxListForm& form = ListForm();
  form.SetOkCaption(QStringLiteral("修改"));
  const OutgoingEntry old = ParseEntry(OutgoingEntries[row]);
  form.SetPhoneNumber(old.phone);
  form.SetFileName(old.faxFile);
  form.SetCoverName(old.cover);
  if (RunDialog(form) != QDialog::Accepted) return;
  const OutgoingEntry entry{form.PhoneNumber(), form.FileName(), form.CoverName()};
  OutgoingEntries[row] = EntryText(entry);
  sfFaxListBox->item(row)->setText(EntryDisplayLine(entry));
}

void TSendFaxForm::DeleteClkClick() {
  if (sessionMode_ == 2) {
    notice_.Beep();
    return;
  }
  const int row = sfFaxListBox->currentRow();
  if (row < 0 || row >= OutgoingEntries.size()) return;
  OutgoingEntries.removeAt(row);
  delete sfFaxListBox->takeItem(row);
}

void TSendFaxForm::SaveAsClkClick() {
  const QString file = EditFile->text();
  if (file.isEmpty() || !QFileInfo::exists(file)) return;
  const QString target = AskSaveFile(
      QString(), QString::fromStdString(programDir_),
      QtFileFilter(QStringLiteral("(*.APF)|*.APF|(*.BMP)|*.BMP|(*.DCX)|*.DCX|(*.PCX)|*.PCX|(*.TIF)|*.TIF|"
                                          "(*.TXT)|*.TXT|所有文件(*.*)|*.*")));
  if (target.isEmpty() || QFileInfo(target) == QFileInfo(file)) return;
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) {
    notice_.ShowError(this, QStringLiteral("无法打开文件 ") + file);
    return;
  }
  const QByteArray bytes = in.readAll();
  if (int rc = WriteWholeFile(Utf8(target), reinterpret_cast<const uint8_t*>(bytes.constData()),
                              static_cast<size_t>(bytes.size())))
    notice_.ShowError(this, QStringLiteral("无法写入文件 %1: %2").arg(target, QString::fromUtf8(ErrorText(rc))));
}

// The default cover: written afresh whenever the send page comes up without one.
void TSendFaxForm::PageControl2Change() {
  if (PageControl2->currentWidget() != TabSheet5 || !EditCover->text().isEmpty()) return;
  const std::string name = programDir_ + "NoName.txt";
  std::string text = std::string(68, ' ') + "\r\n";
  for (const char* line : {"DATE : $D", "TIME : $T", "FROM : $F", "TO : $R"})
    text += std::string(33, ' ') + line + "\r\n";
  MakeFolder(programDir_);
  if (int rc = WriteWholeFile(name, reinterpret_cast<const uint8_t*>(text.data()), text.size())) {
    notice_.ShowError(this, QStringLiteral("无法写入文件 %1: %2").arg(Text(name), QString::fromUtf8(ErrorText(rc))));
    return;
  }
  EditCover->setText(Text(name));
}

// --- Starting a send ---

void TSendFaxForm::SendFaxClkClick() {
  singleSend_ = true;
  listSend_ = false;
  StartSession();
}

void TSendFaxForm::SendAllFaxClkClick() {
  if (sfFaxListBox->count() == 0) return;
  singleSend_ = false;
  listSend_ = true;
  StartSession();
}

void TSendFaxForm::StartSession() {
  // A document still being converted is waited for: its fax file is sent,
  // not whatever an earlier conversion left under that name.
  if (singleSend_) ConvertSendDocument();
  if (converterQueue_->Pending() > 0) {
    startWaiting_ = true;
    StatusMsg->setText(QStringLiteral("正在转换文档, 转换完成后发送..."));
    PageControl2->setCurrentWidget(TabSheet6);
    SendFaxClk->setEnabled(false);
    SendAllFaxClk->setEnabled(false);
    return;
  }
  StartSessionNow();
}

void TSendFaxForm::StartSessionNow() {
  SendFaxClk->setEnabled(true);
  SendAllFaxClk->setEnabled(true);
  if (singleSend_ && !IsApf(EditFile->text())) {
    auto failed = conversionErrors_.find(Utf8(Edit1->text()));
    if (Edit1->text().isEmpty() || failed != conversionErrors_.end() || !QFileInfo::exists(Edit1->text())) {
      const int code = failed != conversionErrors_.end() ? failed->second : ecFileNotFound;
      notice_.ShowInfo(this, QStringLiteral("结束: ") + QString::fromUtf8(ErrorText(code)));
      singleSend_ = false;
      return;
    }
  }
  // 1.
  Label8->setText(QStringLiteral("发送"));
  sendRequested_ = true;
  AdTerminal1->SetActive(true);
  Animate1->Start();
  // 2., 3.
  CancelRunningSession();
  // 4.
  receiveRequested_ = false;
  sendRequested_ = true;
  nextEntryIndex_ = 0;
  PageControl2->setCurrentWidget(TabSheet6);
  callTimer_.Reset();
  // 5.
  if (!ApplySendStartSettings()) {
    Animate1->Stop();
    Label8->clear();
    singleSend_ = listSend_ = sendRequested_ = false;
    return;
  }
  // 6.
  ApplySessionSettings();
  // 7.
  try {
    if (!OpensThroughDevice()) {
      ApdComPort1.SetOpen(true);
      directlyOpened_ = true;
      SendFaxClk->setEnabled(false);
      SendAllFaxClk->setEnabled(false);
      sessionMode_ = 2;
      ApdSendFax1.StartTransmit();
    } else if (ApdTapiDevice1.CallState() == 0) {
      InstallSimulatedLine(LineSession::Send);
      sessionMode_ = 2;
      directlyOpened_ = false;
      SendFaxClk->setEnabled(false);
      SendAllFaxClk->setEnabled(false);
      ApdTapiDevice1.OpenThroughLine();
    }
  } catch (const EAPDException& e) {
    SessionStartFailed(e.ErrorCode());
  }
}

void TSendFaxForm::SessionStartFailed(int code) {
  notice_.ShowInfo(this, QStringLiteral("结束: ") + QString::fromUtf8(ErrorText(code)));
  ApdTapiDevice1.CancelCall();
  if (directlyOpened_ && ApdComPort1.Open()) ApdComPort1.SetOpen(false);
  directlyOpened_ = false;
  Animate1->Stop();
  Label8->clear();
  singleSend_ = listSend_ = false;
  sendRequested_ = receiveRequested_ = false;
  sessionMode_ = 0;
  SendFaxClk->setEnabled(true);
  SendAllFaxClk->setEnabled(true);
  ReceiveFaxesClk->setEnabled(true);
  Timer3->start();
}

// --- The send component's events ---

void TSendFaxForm::ApdSendFax1FaxNext(std::string& phone, std::string& faxFile, std::string& cover) {
  const bool withCover = RadioGroup1->checkedId() == 1;
  if (singleSend_) {
    singleSend_ = false;
    phone = CutText(Utf8(EditFax->text()));
    if (withCover) cover = CutText(Utf8(EditCover->text()));
    faxFile = CutText(Utf8(IsApf(EditFile->text()) ? EditFile->text() : Edit1->text()));
  } else if (listSend_) {
    if (nextEntryIndex_ < OutgoingEntries.size()) {
      const OutgoingEntry entry = ParseEntry(OutgoingEntries[nextEntryIndex_]);
      phone = CutText(Utf8(entry.phone));
      faxFile = CutText(Utf8(entry.faxFile));
      if (withCover) cover = CutText(Utf8(entry.cover));
      ++nextEntryIndex_;
    } else {
      listSend_ = false;
    }
  }
}

void TSendFaxForm::ApdSendFax1FaxLog(int logCode) {
  if (logCode != lfaxTransmitOk) return;
  // A fax sent leaves the list; one that failed stays where it was, and the
  // next entry moves up to the index just handed out.
  if (nextEntryIndex_ > 0) --nextEntryIndex_;
  if (listSend_ && nextEntryIndex_ < OutgoingEntries.size()) {
    OutgoingEntries.removeAt(nextEntryIndex_);
    delete sfFaxListBox->takeItem(nextEntryIndex_);
  }
}

void TSendFaxForm::ApdSendFax1FaxStatus(bool last) {
  TApdSendFax& fax = ApdSendFax1;
  const int progress = fax.FaxProgress();
  const CallTimer::Clock::time_point now = CallTimer::Clock::now();
  callTimer_.Progress(progress, now);
  if (progress == fpBusyWait) {
    if (!redialDeadline_) redialDeadline_ = now + std::chrono::seconds(fax.DialRetryWait());
  } else {
    redialDeadline_.reset();
  }
  PhoneNumberLabel->setText(Text(fax.PhoneNumber()));
  FaxFileLabel->setText(Text(fax.FaxFile()));
  CoverFileLabel->setText(Text(fax.CoverFile()));
  TotalPagesLabel->setText(QString::number(fax.TotalPages()));
  SpeedLabel->setText(QString::number(fax.SessionBPS()));
  RemoteIdLabel->setText(Text(fax.RemoteID()));
  PageWidthLabel->setText(fax.SessionWidth() ? QStringLiteral("2048") : QStringLiteral("1728"));
  ResolutionLabel->setText(fax.SessionResolution() ? QStringLiteral("196") : QStringLiteral("98"));
  DialAttemptLabel->setText(QString::number(fax.DialAttempt()));
  ErrorControlLabel->setText(fax.DesiredECM() ? QStringLiteral("on") : QStringLiteral("off"));
  Label17->setText(FaxClassLabel(static_cast<int>(fax.FaxClass())));
  CurrentPageLabel->setText(QString::number(fax.CurrentPage()));
  PageLengthLabel->setText(QString::number(fax.PageLength()));
  BytesLabel->setText(QString::number(fax.BytesTransferred()));
  QString status = QString::fromUtf8(ErrorText(progress));
  if (redialDeadline_) {
    const auto left = std::chrono::duration_cast<std::chrono::seconds>(*redialDeadline_ - now).count();
    status += QLatin1Char(' ') + ElapsedColumn(static_cast<int>(std::max<long long>(left, 0))).trimmed();
  }
  StatusMsg->setText(status);
  ProgressMeter->setValue(PagePercent(fax.BytesTransferred(), fax.PageLength()));
  ElapsedLabel->setText(callTimer_.Running() ? ElapsedColumn(callTimer_.Seconds(now)) : QStringLiteral("00:00"));
  if (last) ProgressMeter->setValue(0);
}

void TSendFaxForm::ApdSendFax1FaxError(int) {
  if (receiveRequested_ && sendRequested_) return;
  // The error arrives while the session waits for this handler, so the line
  // is not touched here: the rest runs once the event is over. A fax of a
  // list that failed (a busy number) leaves the session running with the
  // next entry; only a session that ended is wound up.
  std::weak_ptr<bool> alive = alive_;
  QTimer::singleShot(0, this, [this, alive] {
    if (alive.expired() || ApdSendFax1.InProgress() || sessionMode_ != 2) return;
    SendSessionFailed();
  });
}

void TSendFaxForm::SendSessionFailed() {
  Animate1->Stop();
  ApdSLController1.SetMonitoring(false);
  ApdTapiDevice1.CancelCall();
  singleSend_ = listSend_ = false;
  sessionMode_ = 0;
  SendFaxClk->setEnabled(true);
  SendAllFaxClk->setEnabled(true);
  Timer3->start();
}

void TSendFaxForm::ApdSendFax1FaxFinish(int code) {
  if (receiveRequested_ && sendRequested_) return;
  notice_.ShowInfo(this, QStringLiteral("结束: ") + QString::fromUtf8(ErrorText(code)));
  EndCall();
  sessionMode_ = 0;
  listSend_ = singleSend_ = false;
  Timer3->start();
}

// --- A fax received ---

void TSendFaxForm::ApdReceiveFax1FaxLog(int logCode) {
  if (logCode != lfaxReceiveOk) return;
  const QString file = Text(ApdReceiveFax1.FaxFile());
  const qint64 size = QFileInfo(file).size();
  const std::string folder = WithTrailingSlash(Utf8(rfDirectory->text()));
  static const char* const kExtensions[] = {".BMP", ".DCX", ".PCX", ".TIF"};
  const int type = FaxFileType->currentIndex();
  const std::string source =
      WithTrailingSlash(ApdReceiveFax1.DestinationDir()) + Utf8(QFileInfo(file).fileName());
  if (type >= 0 && type < 4) {
    // The unpack writes one image per page, named after this one with the
    // page number before the extension ("... 09：05：071.TIF").
    const std::tm now = LocalNow();
    const std::string image = folder + DateTimeName(now) + kExtensions[type];
    if (QFileInfo::exists(Text(source))) {
      TApdFaxUnpacker* unpacker = &ApdFaxUnpacker1;
      std::weak_ptr<bool> alive = alive_;
      unpackerQueue_->Add([unpacker, source, image, type, now] { return UnpackFaxPages(*unpacker, source, image, type, now); },
                          [this, alive, image](int code) {
                            if (alive.expired() || code == 0) return;
                            notice_.ShowError(this, QStringLiteral("无法生成 %1: %2")
                                                        .arg(Text(image), QString::fromUtf8(ErrorText(code))));
                          });
    }
  }
  MakeFolder(folder);
  const QLocale locale = QLocale::system();
  const QDateTime now = QDateTime::currentDateTime();
  auto* line = new QListWidgetItem(ReceivedDisplayLine(
      file, size, locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                      locale.toString(now.time(), QLocale::LongFormat)));
  line->setData(Qt::UserRole, Text(source));  // the fax file, for the viewer
  ReceiveList->addItem(line);
  PageControl2->setCurrentIndex(1);
  if (PrintCheckBox->isChecked()) {
    FaxPrinter->SetFileName(Text(source));
    FaxPrinter->PrintFax();
  }
}

}  // namespace telvane
