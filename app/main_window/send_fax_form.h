// TSendFaxForm: the main window. Its four pages hold every setting of the
// program (configuration), the received faxes and document tools (create),
// the fax to send and the outgoing list (send), and the running session
// (monitor). The controls are the live settings; each change is written to
// the settings store at once, and ApplySessionSettings copies them into the
// components before every session.
#pragma once

#include <QFont>
#include <QStringList>
#include <chrono>
#include <map>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs/fax_status_form.h"
#include "app/main_window/session_settings.h"
#include "app/platform/qt_main_thread_dispatcher.h"
#include "comm/components/fax_log.h"
#include "comm/components/receive_fax.h"
#include "comm/components/send_fax.h"
#include "comm/port/com_port.h"
#include "comm/status/sl_controller.h"
#include "comm/tapi/telephony_device.h"
#include "faxdoc/fax_converter.h"
#include "faxdoc/fax_unpacker.h"
#include "viewer/fax_printer.h"
#include "viewer/fax_printer_status.h"
#include "viewer/user_notice.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QFontDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;

namespace telvane {

class ISettingsStore;
class ModemTerminal;
class SessionAnimation;
class TApdFaxStatus;
class TApdStatusLight;
class TFormPhoneBook;
class TFaxListForm;
class WorkQueue;
class TViewFaxForm;

// What the window needs from its surroundings; tests give fakes.
struct MainWindowEnvironment {
  ISettingsStore* store = nullptr;       // required
  std::string programDir;                 // ProgramDir, with a trailing '/'
  IUserNotice* notice = nullptr;          // message boxes; QtUserNotice() when null
  // The modem devices offered; the machine's serial modems and the
  // simulated line when empty.
  std::optional<std::vector<TelephonyDevice>> devices;
  // Where the simulated line's far end stores what it receives; programDir +
  // "SimulatedLine/" when empty.
  std::string simulatedLineDir;
  // The simulated line's pace: 1 is real time (tests run it faster).
  double simulatedLinePace = 1.0;
};

class TSendFaxForm : public QWidget {
  Q_OBJECT

  // First: the components below are made with the dispatcher.
  MainWindowEnvironment env_;
  IUserNotice& notice_;
  ISettingsStore& store_;
  QtMainThreadDispatcher main_;
  std::string programDir_;

 public:
  explicit TSendFaxForm(MainWindowEnvironment env, QWidget* parent = nullptr);
  ~TSendFaxForm() override;

  // --- Seams for the windows the main window opens (tests replace them) ---
  // Runs a modal dialog; exec() unless replaced.
  std::function<int(QDialog& dialog)> RunDialog;
  // Asks for a font, starting from `initial`; the font dialog unless replaced.
  std::function<std::optional<QFont>(const QFont& initial)> AskFont;
  // Opens a local file or folder in the desktop's application for it.
  std::function<bool(const QString& path)> OpenWithDesktop;
  // Asks for a folder; the folder browser unless replaced. Empty: cancelled.
  std::function<QString(const QString& title, const QString& start)> AskFolder;
  // Asks for a file name to write; the save dialog (asking before it
  // replaces a file) unless replaced.
  std::function<QString(const QString& caption, const QString& folder, const QString& filter)> AskSaveFile;
  // Asks for an existing file; the open dialog unless replaced.
  std::function<QString(const QString& caption, const QString& folder, const QString& filter)> AskOpenFile;
  // The viewer window that opens fax files (set by the program entry).
  TViewFaxForm* Viewer = nullptr;
  // The outgoing-entry dialog made at start-up (set by the program entry).
  TFaxListForm* FaxListForm = nullptr;

  // --- Behaviour ---
  // The start-up sequence; runs when the window is first shown.
  void FormShow();
  void ApplySessionSettings();
  // What a send start copies into the send component before
  // ApplySessionSettings: class, dial attempts and wait, prefix, header.
  // False (with the conversion error shown) when a number box holds no
  // number; the component then keeps its values.
  bool ApplySendStartSettings();
  // 1 when a device was chosen, 2 otherwise.
  int SelectModem(bool showAlways);
  void ReceiveFaxesClkClick();
  void CancelCallClkClick();
  void ExitMainClkClick();
  void EnhHeaderClkClick();
  void EnhCoverClkClick();
  void HelpClkClick();
  void Button8Click();   // copy the terminal's selection
  void Button14Click();  // clear the terminal
  void Timer1Timer();    // the clock
  void Timer3Timer();    // re-arms automatic answering
  // The send page and the outgoing list.
  void AddClkClick();
  void ModifyClkClick();
  void DeleteClkClick();
  void SaveAsClkClick();
  void SendFaxClkClick();
  void SendAllFaxClkClick();
  void PageControl2Change();
  // Converts the send page's document into the out-box when it is no fax
  // file yet (its fax file's name goes into Edit1).
  void ConvertSendDocument();
  // Background jobs not yet reported (conversions, unpacks).
  int PendingConversions() const;
  int PendingUnpacks() const;
  // One entry per outgoing fax: "phone^fax file[^cover]".
  QStringList OutgoingEntries;
  QString HelpFile() const { return helpFile_; }
  // The file the help button opens: ProgramDir's "telvane.html" when it
  // exists, else the user guide installed with the program.
  QString UserGuidePath() const;

  // --- State ---
  const std::string& ProgramDir() const { return programDir_; }
  int SessionMode() const { return sessionMode_; }
  bool ReceiveRequested() const { return receiveRequested_; }
  bool SendRequested() const { return sendRequested_; }
  QFont DialogFont() const { return dialogFont_; }

  // --- Components ---
  TApdComPort ApdComPort1;
  TApdTapiDevice ApdTapiDevice1;
  TApdSendFax ApdSendFax1;
  TApdReceiveFax ApdReceiveFax1;
  TApdFaxLog ApdFaxLog1;
  TApdFaxConverter ApdFaxConverter1;
  TApdFaxUnpacker ApdFaxUnpacker1;
  TApdSLController ApdSLController1;
  TApdFaxPrinter* FaxPrinter = nullptr;
  TApdFaxPrinterStatus* PrinterStatus = nullptr;
  TApdFaxStatus* ApdFaxStatus1 = nullptr;

  // --- Controls ---
  QTabWidget* PageControl2 = nullptr;
  QWidget* TabSheet3 = nullptr;
  QWidget* TabSheet4 = nullptr;
  QWidget* TabSheet5 = nullptr;
  QWidget* TabSheet6 = nullptr;
  // configuration page
  QComboBox* ComboInit = nullptr;
  QLineEdit* EditInit = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QComboBox* ComboClass = nullptr;
  QButtonGroup* RadioGroup3 = nullptr;
  QLineEdit* edtRetryWait = nullptr;
  QLineEdit* edtDialAttempts = nullptr;
  QComboBox* ComboRing = nullptr;
  QComboBox* FaxFileType = nullptr;
  QButtonGroup* rfNameStyle = nullptr;
  QLineEdit* StationID = nullptr;
  QButtonGroup* Bauds = nullptr;
  QLineEdit* EditLogName = nullptr;
  QPushButton* btnBrowseDestDir = nullptr;
  QPushButton* Button18 = nullptr;
  QButtonGroup* RadioGroup2 = nullptr;
  QLineEdit* rfDirectory = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QCheckBox* cbxEnhTextEnabled = nullptr;
  QCheckBox* AutoAnswer = nullptr;
  QCheckBox* PrintCheckBox = nullptr;
  QPushButton* PrintSetupClk = nullptr;
  QPushButton* sfSelectComPort = nullptr;
  QPushButton* EnhHeaderClk = nullptr;
  QPushButton* EnhCoverClk = nullptr;
  // create page
  QListWidget* ReceiveList = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* ViewAPFClk = nullptr;
  QPushButton* CovertFileClk = nullptr;
  QPushButton* CovertAPFClk = nullptr;
  QPushButton* MakeAPFClk = nullptr;
  QPushButton* CoverClk = nullptr;
  QPushButton* HelpClk = nullptr;
  // send page
  QLineEdit* EditName = nullptr;
  QLineEdit* EditFax = nullptr;
  QPushButton* AddressBookClk = nullptr;
  QLineEdit* EditFile = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* SaveAsClk = nullptr;
  QLineEdit* EditCover = nullptr;
  QPushButton* Button13 = nullptr;
  QPushButton* Button7 = nullptr;
  QPushButton* Button12 = nullptr;
  QButtonGroup* RadioGroup1 = nullptr;
  QLineEdit* DialPrefix = nullptr;
  QLineEdit* HeaderTitle = nullptr;
  QLineEdit* SenderName = nullptr;
  QLineEdit* HeaderLine = nullptr;
  QPushButton* SendFaxClk = nullptr;
  QListWidget* sfFaxListBox = nullptr;
  QPushButton* SendAllFaxClk = nullptr;
  QPushButton* AddClk = nullptr;
  QPushButton* ModifyClk = nullptr;
  QPushButton* DeleteClk = nullptr;
  QPushButton* ExitClk = nullptr;
  QLineEdit* Edit1 = nullptr;  // hidden: the APF made from the send document
  QLabel* Panel7 = nullptr;    // date
  QLabel* Panel6 = nullptr;    // time
  // monitor page
  ModemTerminal* AdTerminal1 = nullptr;
  QPushButton* Button8 = nullptr;
  QPushButton* Button14 = nullptr;
  std::vector<TApdStatusLight*> Lights;  // CTS, DSR, DCD, RI, TXD, RXD, ERR, BRK
  QLabel* Label8 = nullptr;    // the session's kind: "发送" or "接收"
  QLabel* Label17 = nullptr;   // the fax class
  QLabel* StationIdLabel = nullptr;
  QLabel* PhoneNumberLabel = nullptr;
  QLabel* FaxFileLabel = nullptr;
  QLabel* CoverFileLabel = nullptr;
  QLabel* RemoteIdLabel = nullptr;
  QLabel* SpeedLabel = nullptr;
  QLabel* DialAttemptLabel = nullptr;
  QLabel* PageWidthLabel = nullptr;
  QLabel* CurrentPageLabel = nullptr;
  QLabel* PageLengthLabel = nullptr;
  QLabel* BytesLabel = nullptr;
  QLabel* ErrorControlLabel = nullptr;
  QLabel* ElapsedLabel = nullptr;
  QLabel* StatusMsg = nullptr;
  QLabel* TotalPagesLabel = nullptr;
  QLabel* ResolutionLabel = nullptr;
  QFrame* fsPanel6 = nullptr;
  QProgressBar* ProgressMeter = nullptr;
  SessionAnimation* Animate1 = nullptr;
  QLabel* Panel8 = nullptr;    // date
  QLabel* Panel2 = nullptr;    // time
  QPushButton* CancelCallClk = nullptr;
  QPushButton* ReceiveFaxesClk = nullptr;
  QPushButton* ExitMainClk = nullptr;
  QTimer* Timer1 = nullptr;
  QTimer* Timer3 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Page building.
  QWidget* BuildConfigPage();
  QWidget* BuildCreatePage();
  QWidget* BuildSendPage();
  QWidget* BuildMonitorPage();
  void ConnectHandlers();
  void SetUpComponents();
  void SetDesignedValues();
  // Which far end the simulated line gets: a terminal that answers and
  // receives, or one that calls in and sends.
  enum class LineSession { Send, Receive };
  void InstallSimulatedLine(LineSession session);

  // Start-up.
  void ResetMonitorPage();
  void LoadSettings();

  // Change handlers of the stored settings.
  void ComboInitChange();
  void EditInitChange();
  void RadioButton1Click();
  void RadioButton2Click();
  void ComboClassChange();
  void RadioGroup3Click();
  void edtRetryWaitChange();
  void edtDialAttemptsChange();
  void ComboRingChange();
  void FaxFileTypeChange();
  void rfNameStyleClick();
  void StationIDChange();
  void BaudsClick();
  void EditLogNameChange();
  void rfDirectoryChange();
  void cbxEnhTextEnabledClick();
  void HeaderLineChange();
  void HeaderTitleChange();
  void SenderNameChange();
  void EditFaxChange();
  void EditNameChange();
  void EditFileChange();
  void EditCoverChange();
  void DialPrefixChange();
  void RadioGroup1Click();
  void RadioGroup2Click();
  void AutoAnswerClick();
  void PrintCheckBoxClick();

  // Buttons of the pages.
  void btnBrowseDestDirClick();
  void BitBtn1Click();
  void Button18Click();
  void PrintSetupClkClick();
  void ViewAPFClkClick();
  void ReceiveListDblClick(QListWidgetItem* item);
  void AddressBookClkClick();
  void Button3Click();
  void Button4Click();
  void Button12Click();
  void Button13Click();
  void Button7Click();
  void CoverClkClick();
  void MakeAPFClkClick();
  // The conversion windows: a document into a fax file, a fax file into images.
  void CovertFileClkClick();
  void CovertAPFClkClick();
  // Runs the text editor, maximised and modal, on `file` ("new" for none):
  // the saved file's name, or empty when nothing was saved.
  QString EditTextCover(const QString& file);

  // Sending.
  std::string OutboxDir() const;
  TFaxListForm& ListForm();
  int QueueConversion(const std::string& source, const std::string& target);
  void ConversionDone(const std::string& source, const std::string& target, int code);
  void StartSession();
  void StartSessionNow();
  void SessionStartFailed(int code);
  void ApdSendFax1FaxNext(std::string& phone, std::string& faxFile, std::string& cover);
  void ApdSendFax1FaxLog(int logCode);
  void ApdSendFax1FaxStatus(bool last);
  void ApdSendFax1FaxError(int code);
  void SendSessionFailed();
  void ApdSendFax1FaxFinish(int code);
  void ApdReceiveFax1FaxLog(int logCode);

  // The session.
  bool OpensThroughDevice() const;
  void WaitWhileDeviceBusy();
  void CancelRunningSession();
  void EndCall();
  void ShowReceiveStatus();
  void ApdReceiveFax1FaxError(int code);
  void ApdReceiveFax1FaxFinish(int code);
  void ApdTapiDevice1TapiPortOpen();
  void ApdTapiDevice1TapiPortClose();
  void ApdTapiDevice1TapiFail();

  // Store access: each is one complete access; a failure is reported.
  void Store(const char* name, int value);
  void Store(const char* name, const QString& value);
  void StoreBool(const char* name, bool value);
  // The decimal integer in `box`, reported as an error when it is none
  // (an empty box while the user edits is not reported).
  std::optional<int> IntegerIn(QLineEdit* box);
  SessionSettings CurrentSessionSettings() const;
  void SetLogSizes(bool large);

  int sessionMode_ = 0;
  bool receiveRequested_ = false;
  bool sendRequested_ = false;
  bool singleSend_ = false;
  bool listSend_ = false;
  bool shown_ = false;
  bool directlyOpened_ = false;
  QFont dialogFont_;
  QString helpFile_;
  CallTimer callTimer_;  // the connection time of the session
  std::optional<CallTimer::Clock::time_point> redialDeadline_;  // while waiting to redial
  quint16 nextEntryIndex_ = 0;
  std::unique_ptr<WorkQueue> converterQueue_;
  std::unique_ptr<WorkQueue> unpackerQueue_;
  std::unique_ptr<TFaxListForm> ownFaxListForm_;
  QString convertedFor_;                     // the document Edit1's fax file is made from
  std::map<std::string, int> conversionErrors_;  // failed targets and their codes
  bool startWaiting_ = false;                // a send waits for conversions
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace telvane
