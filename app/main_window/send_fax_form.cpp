#include "app/main_window/send_fax_form.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/background/work_queue.h"
#include "app/dialogs/com_select_form.h"
#include "app/dialogs/fax_list_form.h"
#include "app/dialogs/device_selection_form.h"
#include "app/dialogs/fax_status_form.h"
#include "app/main_window/main_settings.h"
#include "app/main_window/session_display.h"
#include "app/main_window/simulated_incoming.h"
#include "app/platform/app_paths.h"
#include "app/settings/settings_store.h"
#include "app/widgets/modem_terminal.h"
#include "app/widgets/session_animation.h"
#include "app/widgets/status_light.h"
#include "comm/simline/sim_line_device.h"

namespace telvane {

using namespace mainsettings;

namespace {

constexpr int kPortOutSize = 16384;  // fax sessions refuse smaller output buffers

FaxFontSpec FontSpecOf(const QFont& font) {
  FaxFontSpec spec;
  spec.Name = font.family().toStdString();
  spec.SetSize(font.pointSize() > 0 ? font.pointSize() : 11);
  spec.Bold = font.bold();
  spec.Italic = font.italic();
  spec.Underline = font.underline();
  spec.StrikeOut = font.strikeOut();
  return spec;
}

QFont QFontOf(const FaxFontSpec& spec) {
  QFont font(QString::fromStdString(spec.Name));
  font.setPointSize(spec.Size() > 0 ? spec.Size() : 11);
  font.setBold(spec.Bold);
  font.setItalic(spec.Italic);
  font.setUnderline(spec.Underline);
  font.setStrikeOut(spec.StrikeOut);
  return font;
}

}  // namespace

TSendFaxForm::TSendFaxForm(MainWindowEnvironment env, QWidget* parent)
    : QWidget(parent),
      env_(std::move(env)),
      notice_(env_.notice ? *env_.notice : QtUserNotice()),
      store_(*env_.store),
      main_(this),
      programDir_(env_.programDir),
      ApdComPort1(&main_),
      ApdTapiDevice1(&main_),
      ApdSendFax1(&main_),
      ApdReceiveFax1(&main_) {
  setObjectName(QStringLiteral("SendFaxForm"));
  setWindowTitle(QStringLiteral("传真收发系统"));
  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(13);
  setFont(font);

  PageControl2 = new QTabWidget(this);
  PageControl2->setObjectName(QStringLiteral("PageControl2"));
  TabSheet3 = BuildConfigPage();
  TabSheet4 = BuildCreatePage();
  TabSheet5 = BuildSendPage();
  TabSheet6 = BuildMonitorPage();
  PageControl2->addTab(TabSheet3, QStringLiteral("Fax配置"));
  PageControl2->addTab(TabSheet4, QStringLiteral("创建传真"));
  PageControl2->addTab(TabSheet5, QStringLiteral("发送传真"));
  PageControl2->addTab(TabSheet6, QStringLiteral("监视Modem"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(PageControl2);

  Timer1 = new QTimer(this);
  Timer1->setInterval(1000);
  Timer3 = new QTimer(this);
  Timer3->setInterval(1000);

  SetDesignedValues();
  SetUpComponents();
  ConnectHandlers();

  RunDialog = [](QDialog& dialog) { return dialog.exec(); };
  AskFont = [this](const QFont& initial) -> std::optional<QFont> {
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, initial, this);
    if (!ok) return std::nullopt;
    return chosen;
  };
  OpenWithDesktop = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
  AskFolder = [this](const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(this, title, start);
  };
  AskOpenFile = [this](const QString& caption, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(this, caption, folder, filter);
  };
  AskSaveFile = [this](const QString& caption, const QString& folder, const QString& filter) {
    return QFileDialog::getSaveFileName(this, caption, folder, filter);
  };

  // A fixed window: as large as its pages need, at least the designed size.
  adjustSize();
  setFixedSize(sizeHint().expandedTo(QSize(537, 385)));
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

TSendFaxForm::~TSendFaxForm() {
  *alive_ = false;
  ApdComPort1.ReceivedData().Set({});
  ApdSLController1.SetMonitoring(false);
  ApdSLController1.PortRemoved(ApdComPort1);
  ApdSendFax1.SetStatusDisplay(nullptr);
  ApdReceiveFax1.SetStatusDisplay(nullptr);
}

void TSendFaxForm::SetUpComponents() {
  ApdComPort1.SetOutSize(kPortOutSize);
  // A port opened without a device (only possible when the telephony
  // device is set aside) asks the user for one.
  ApdComPort1.SetPromptForPort(true);
  ApdComPort1.OnPromptForPort = PromptForPortWithDialog(this);

  std::vector<TelephonyDevice> devices = env_.devices ? *env_.devices : ListTelephonyDevices({});
  ApdTapiDevice1.SetDevices(devices);
  ApdTapiDevice1.SetSelectedDevice("56K External Modem[CL]");
  ApdTapiDevice1.SetShowTapiDevices(true);
  ApdTapiDevice1.SetShowPorts(true);
  ApdTapiDevice1.SetEnableVoice(false);
  ApdTapiDevice1.SetComPort(&ApdComPort1);
  InstallSimulatedLine(LineSession::Send);
  std::weak_ptr<bool> alive = alive_;
  ApdTapiDevice1.SetRetryScheduler([alive](int seconds, std::function<void()> retry) {
    QTimer::singleShot(seconds * 1000, [alive, retry = std::move(retry)] {
      if (!alive.expired()) retry();
    });
  });

  ApdSendFax1.SetFaxClass(fcClass2);
  ApdSendFax1.SetDialWait(500);
  ApdSendFax1.SetDialRetryWait(500);
  ApdSendFax1.SetEnhTextEnabled(false);
  FaxFontSpec arial;
  arial.Name = "Arial";
  FaxFontSpec courier;
  courier.Name = "Courier New";
  ApdSendFax1.SetEnhHeaderFont(arial);
  ApdSendFax1.SetEnhFont(courier);
  ApdReceiveFax1.SetFaxClass(fcClass1);
  ApdReceiveFax1.SetConstantStatus(true);
  ApdSendFax1.SetFaxFileExt("APF");
  ApdReceiveFax1.SetFaxFileExt("APF");
  for (TApdAbstractFax* fax : {static_cast<TApdAbstractFax*>(&ApdSendFax1), static_cast<TApdAbstractFax*>(&ApdReceiveFax1)}) {
    fax->SetComPort(&ApdComPort1);
    fax->SetFaxLog(&ApdFaxLog1);
    fax->SetYield([] { QCoreApplication::processEvents(); });
  }
  ApdFaxLog1.SetFaxHistoryName(programDir_ + "APDFAX.HIS");

  ApdFaxConverter1.FontFile = "APFAX.FNT";
  ApdFaxUnpacker1.AutoScaleMode = asDoubleHeight;

  PrinterStatus = new TApdFaxPrinterStatus(this);
  FaxPrinter = new TApdFaxPrinter(this);
  FaxPrinter->StatusDisplay = PrinterStatus;
  FaxPrinter->Caption = QStringLiteral("打印传真文件");
  FaxPrinter->FaxHeader.Caption = QStringLiteral("FILE: $F");
  FaxPrinter->FaxFooter.Caption = QStringLiteral("PAGE: $P of $N");
  FaxPrinter->MultiPage = false;
  FaxPrinter->Yield = [] { QCoreApplication::processEvents(); };

  ApdFaxStatus1 = new TApdFaxStatus(this);
  ApdSendFax1.SetStatusDisplay(ApdFaxStatus1);
  ApdReceiveFax1.SetStatusDisplay(ApdFaxStatus1);

  ApdSLController1.SetComPort(&ApdComPort1);
  TLightSet& lights = ApdSLController1.Lights();
  const TLightSet::Slot lampSlots[] = {TLightSet::kCTS, TLightSet::kDSR, TLightSet::kDCD, TLightSet::kRing,
                                   TLightSet::kTXD, TLightSet::kRXD, TLightSet::kError, TLightSet::kBreak};
  for (std::size_t i = 0; i < Lights.size(); ++i) lights.SetLight(lampSlots[i], Lights[i]);

  // The terminal shows what the modem says; the bytes arrive on the port's
  // dispatch thread and are queued to the terminal's thread.
  QPointer<ModemTerminal> terminal = AdTerminal1;
  ApdComPort1.ReceivedData().Set([terminal](const std::uint8_t* data, std::size_t n) {
    if (terminal) terminal->Feed(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(n)));
  });

  converterQueue_ = std::make_unique<WorkQueue>(main_);
  unpackerQueue_ = std::make_unique<WorkQueue>(main_);
  ApdSendFax1.OnFaxNext = [this](TApdAbstractFax&, std::string& phone, std::string& file, std::string& cover) {
    ApdSendFax1FaxNext(phone, file, cover);
  };
  ApdSendFax1.OnFaxLog = [this](TApdAbstractFax&, int code) { ApdSendFax1FaxLog(code); };
  ApdSendFax1.OnFaxStatus = [this](TApdAbstractFax&, bool, bool last) { ApdSendFax1FaxStatus(last); };
  ApdSendFax1.OnFaxError = [this](TApdAbstractFax&, int code) { ApdSendFax1FaxError(code); };
  ApdSendFax1.OnFaxFinish = [this](TApdAbstractFax&, int code) { ApdSendFax1FaxFinish(code); };
  ApdReceiveFax1.OnFaxLog = [this](TApdAbstractFax&, int code) { ApdReceiveFax1FaxLog(code); };
  ApdReceiveFax1.OnFaxStatus = [this](TApdAbstractFax&, bool, bool) { ShowReceiveStatus(); };
  ApdReceiveFax1.OnFaxError = [this](TApdAbstractFax&, int code) { ApdReceiveFax1FaxError(code); };
  ApdReceiveFax1.OnFaxFinish = [this](TApdAbstractFax&, int code) { ApdReceiveFax1FaxFinish(code); };
  ApdTapiDevice1.OnTapiPortOpen = [this](TApdTapiDevice&) { ApdTapiDevice1TapiPortOpen(); };
  ApdTapiDevice1.OnTapiPortClose = [this](TApdTapiDevice&) { ApdTapiDevice1TapiPortClose(); };
  ApdTapiDevice1.OnTapiFail = [this](TApdTapiDevice&) { ApdTapiDevice1TapiFail(); };
}

// The simulated line's far end is a fax terminal. For a send it answers
// every call and keeps what it receives; numbers listed in the settings
// "SimulatedLineBusy" and "SimulatedLineNoAnswer" (separated by ';' or
// blanks) are busy or never answered, so that failed calls can be tried
// without a modem. For a receive it calls in, "SimulatedLineCallDelay"
// seconds after the window starts waiting, and sends the file
// "SimulatedLineIncoming" names or the sample fax: once for a receive on
// demand, as one caller would; again after every call while automatic
// answering is on. Read afresh before every session.
void TSendFaxForm::InstallSimulatedLine(LineSession session) {
  SimLineConfig line;
  const std::string simDir = env_.simulatedLineDir.empty() ? programDir_ + "SimulatedLine/" : env_.simulatedLineDir;
  MakeFolder(simDir);
  line.calls = 0;
  line.pace = env_.simulatedLinePace;
  auto text = [this](const char* name) {
    try {
      return store_.ReadString(mainsettings::kSettingsKey, name).value_or(std::string());
    } catch (const SettingsError&) {
      return std::string();  // an unreadable store leaves the line as it comes
    }
  };
  std::weak_ptr<bool> alive = alive_;
  auto report = [this, alive](const std::string& why) {
    if (alive.expired()) return;
    notice_.ShowError(this, QStringLiteral("模拟线路: ") + QString::fromStdString(why));
  };
  if (session == LineSession::Receive) {
    line.farEnd = SimLineConfig::TerminalSends;
    line.stationId = "SIMULATED SENDER";
    int delay = mainsettings::kDefaultSimulatedCallDelay;
    try {
      if (std::optional<std::int32_t> v = store_.ReadInteger(mainsettings::kSettingsKey,
                                                             mainsettings::kSimulatedLineCallDelay))
        delay = std::max(0, *v);
    } catch (const SettingsError&) {
    }
    line.callDelaySeconds = delay;
    line.calls = AutoAnswer->isChecked() ? 0 : 1;
    // The fax to send is made when the simulated line is the device opened,
    // not while a modem waits for calls.
    ApdTapiDevice1.SetLineFactory(
        TelephonyDeviceKind::Simulated,
        [line, report, simDir, chosen = text(mainsettings::kSimulatedLineIncoming)](
            const TelephonyDevice& device) mutable {
          IncomingFax fax = PrepareIncomingFax(chosen, simDir);
          if (!fax.error.empty()) report(fax.error);
          line.sendTiff = fax.tiff;  // empty: the line does not start and says why
          return SimulatedLineFactory(line, {}, report)(device);
        });
  } else {
    line.farEnd = SimLineConfig::TerminalReceives;
    line.receiveTiff = simDir + "received.tif";
    auto numbers = [&text](const char* name) {
      std::vector<std::string> list;
      for (const QString& n : QString::fromStdString(text(name)).split(QRegularExpression(QStringLiteral("[;\\s]+")),
                                                                      Qt::SkipEmptyParts))
        list.push_back(n.toStdString());
      return list;
    };
    line.busyNumbers = numbers(mainsettings::kSimulatedLineBusy);
    line.unansweredNumbers = numbers(mainsettings::kSimulatedLineNoAnswer);
    ApdTapiDevice1.SetLineFactory(TelephonyDeviceKind::Simulated, SimulatedLineFactory(line, {}, report));
  }
}

void TSendFaxForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // After the window is on the screen, so that a device choice asked for
  // during start-up appears over it.
  QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TSendFaxForm::FormShow() {
  // 1.
  PageControl2->setCurrentWidget(TabSheet3);
  sessionMode_ = 0;
  receiveRequested_ = sendRequested_ = false;
  // 2. ProgramDir comes from the environment; it is made when missing.
  MakeFolder(programDir_);
  // 3. The animation is drawn by the program itself.
  // 4.
  sfFaxListBox->clear();
  ComboClass->setCurrentIndex(kDefaultClassIndex);
  {
    const QSignalBlocker block(EditCover);
    EditCover->clear();
  }
  singleSend_ = listSend_ = false;
  RadioButton1->setChecked(true);
  // 5. Preset 0, applied without storing it.
  ComboInit->setCurrentIndex(0);
  {
    const QSignalBlocker block(EditInit);
    EditInit->clear();
  }
  ApdSendFax1.SetModemInit("");
  ApdReceiveFax1.SetModemInit("");
  // 6.
  ApdTapiDevice1.CancelCall();
  // 7.
  ResetMonitorPage();
  // 8. (The file dialogs start in ProgramDir.)
  // 9.
  SelectModem(false);
  LoadSettings();
  // 10.
  Timer1Timer();
  Timer1->start();
  // 11.
  const QString help = UserGuidePath();
  if (QFileInfo::exists(help)) helpFile_ = help;
  // 12.
  dialogFont_ = QFont(QStringLiteral("宋体"));
  dialogFont_.setPointSize(11);
  ApdSendFax1.SetEnhHeaderFont(FontSpecOf(dialogFont_));
  ApdSendFax1.SetEnhFont(FontSpecOf(dialogFont_));
}

void TSendFaxForm::ResetMonitorPage() {
  for (QLabel* l : {StationIdLabel, PhoneNumberLabel, FaxFileLabel, CoverFileLabel, RemoteIdLabel}) l->clear();
  for (QLabel* l : {SpeedLabel, DialAttemptLabel, PageWidthLabel, CurrentPageLabel, PageLengthLabel, BytesLabel})
    l->setText(QStringLiteral("0"));
  ErrorControlLabel->setText(QStringLiteral("off"));
  ElapsedLabel->setText(QStringLiteral("00:00"));
  ProgressMeter->setValue(0);
  StatusMsg->setText(QStringLiteral("OK"));
  TotalPagesLabel->clear();
  Label8->clear();
  ResolutionLabel->clear();
}

int TSendFaxForm::SelectModem(bool showAlways) {
  std::vector<std::string> names;
  for (const TelephonyDevice& d : ApdTapiDevice1.Devices()) names.push_back(d.name);
  std::optional<std::string> stored;
  try {
    stored = store_.ReadString(kDeviceKey, kModemValue);
  } catch (const SettingsError& e) {
    notice_.ShowError(this, QString::fromStdString(e.what()));
  }
  std::string chosen;
  const int result = ::telvane::SelectModem(
      showAlways, names, stored, [this](TDeviceSelectionForm_My& form) { return RunDialog(form); }, chosen, this);
  if (result != 1) return result;
  try {
    store_.WriteString(kDeviceKey, kModemValue, chosen);
  } catch (const SettingsError& e) {
    notice_.ShowError(this, QString::fromStdString(e.what()));
  }
  ApdTapiDevice1.SetSelectedDevice(chosen);
  return 1;
}

void TSendFaxForm::EnhHeaderClkClick() {
  if (std::optional<QFont> font = AskFont(QFontOf(ApdSendFax1.EnhHeaderFont()))) {
    dialogFont_ = *font;
    ApdSendFax1.SetEnhHeaderFont(FontSpecOf(*font));
  }
}

void TSendFaxForm::EnhCoverClkClick() {
  if (std::optional<QFont> font = AskFont(QFontOf(ApdSendFax1.EnhFont()))) {
    dialogFont_ = *font;
    ApdSendFax1.SetEnhFont(FontSpecOf(*font));
  }
}

QString TSendFaxForm::UserGuidePath() const {
  const QString own = QString::fromStdString(programDir_) + QStringLiteral("telvane.html");
  if (QFileInfo::exists(own)) return own;
  // Installed: <prefix>/bin/telvane and <prefix>/share/doc/telvane/telvane.html.
  const QString installed =
      QCoreApplication::applicationDirPath() + QStringLiteral("/../share/doc/telvane/telvane.html");
  if (QFileInfo::exists(installed)) return QFileInfo(installed).canonicalFilePath();
#ifdef TELVANE_SOURCE_GUIDE
  return QStringLiteral(TELVANE_SOURCE_GUIDE);
#else
  return own;
#endif
}

void TSendFaxForm::HelpClkClick() {
  const QString guide = helpFile_.isEmpty() ? UserGuidePath() : helpFile_;
  if (!QFileInfo::exists(guide) || !OpenWithDesktop(guide))
    notice_.ShowError(this, QStringLiteral("无法打开帮助文件 ") + guide);
}

void TSendFaxForm::Timer1Timer() {
  const QDate today = QDate::currentDate();
  const QString date = ClockDate(today.year(), today.month(), today.day());
  const QString time = QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat);
  Panel7->setText(date);
  Panel8->setText(date);
  Panel6->setText(time);
  Panel2->setText(time);
}

int TSendFaxForm::PendingConversions() const { return converterQueue_->Pending(); }
int TSendFaxForm::PendingUnpacks() const { return unpackerQueue_->Pending(); }

void TSendFaxForm::Button8Click() { AdTerminal1->CopyToClipboard(); }

void TSendFaxForm::Button14Click() { AdTerminal1->Clear(); }

void TSendFaxForm::ExitMainClkClick() {
  if (sessionMode_ == 2) ApdSendFax1.CancelFax();
  if (sessionMode_ == 1) ApdReceiveFax1.CancelFax();
  close();
}

void TSendFaxForm::closeEvent(QCloseEvent* event) {
  ApdSLController1.SetMonitoring(false);
  ApdTapiDevice1.CancelCall();
  if (ApdComPort1.Open()) ApdComPort1.SetOpen(false);
  Timer1->stop();
  Timer3->stop();
  event->accept();
}

}  // namespace telvane
