// The stored settings of the main window: loading them into the controls at
// start-up, the change handlers that write each one back at once with its
// immediate effect, and the copy into the components before a session.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/main_window/main_settings.h"
#include "app/main_window/send_fax_form.h"
#include "app/platform/app_paths.h"
#include "app/settings/settings_store.h"

namespace telvane {

using namespace mainsettings;

namespace {

std::string Utf8(const QString& s) { return s.toStdString(); }

// Sets a control's value with its signals held back; true when it changed.
bool SetText(QLineEdit* box, const QString& text) {
  if (box->text() == text) return false;
  const QSignalBlocker block(box);
  box->setText(text);
  return true;
}

bool SetChecked(QCheckBox* box, bool on) {
  if (box->isChecked() == on) return false;
  const QSignalBlocker block(box);
  box->setChecked(on);
  return true;
}

bool SetItem(QButtonGroup* group, int index) {
  if (group->checkedId() == index) return false;
  QAbstractButton* button = group->button(index);
  if (!button) return false;
  const QSignalBlocker block(group);
  button->setChecked(true);
  return true;
}

void SelectItem(QComboBox* box, int index) {
  const QSignalBlocker block(box);
  box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

}  // namespace

void TSendFaxForm::ConnectHandlers() {
  connect(ComboInit, &QComboBox::activated, this, [this] { ComboInitChange(); });
  connect(EditInit, &QLineEdit::textChanged, this, [this] { EditInitChange(); });
  connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
  connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
  connect(ComboClass, &QComboBox::activated, this, [this] { ComboClassChange(); });
  connect(RadioGroup3, &QButtonGroup::idClicked, this, [this] { RadioGroup3Click(); });
  connect(edtRetryWait, &QLineEdit::textChanged, this, [this] { edtRetryWaitChange(); });
  connect(edtDialAttempts, &QLineEdit::textChanged, this, [this] { edtDialAttemptsChange(); });
  connect(ComboRing, &QComboBox::activated, this, [this] { ComboRingChange(); });
  connect(FaxFileType, &QComboBox::activated, this, [this] { FaxFileTypeChange(); });
  connect(rfNameStyle, &QButtonGroup::idClicked, this, [this] { rfNameStyleClick(); });
  connect(StationID, &QLineEdit::textChanged, this, [this] { StationIDChange(); });
  connect(Bauds, &QButtonGroup::idClicked, this, [this] { BaudsClick(); });
  connect(EditLogName, &QLineEdit::textChanged, this, [this] { EditLogNameChange(); });
  connect(rfDirectory, &QLineEdit::textChanged, this, [this] { rfDirectoryChange(); });
  connect(cbxEnhTextEnabled, &QCheckBox::clicked, this, [this] { cbxEnhTextEnabledClick(); });
  connect(HeaderLine, &QLineEdit::textChanged, this, [this] { HeaderLineChange(); });
  connect(HeaderTitle, &QLineEdit::textChanged, this, [this] { HeaderTitleChange(); });
  connect(SenderName, &QLineEdit::textChanged, this, [this] { SenderNameChange(); });
  connect(EditFax, &QLineEdit::textChanged, this, [this] { EditFaxChange(); });
  connect(EditName, &QLineEdit::textChanged, this, [this] { EditNameChange(); });
  connect(EditFile, &QLineEdit::textChanged, this, [this] { EditFileChange(); });
  connect(EditCover, &QLineEdit::textChanged, this, [this] { EditCoverChange(); });
  connect(DialPrefix, &QLineEdit::textChanged, this, [this] { DialPrefixChange(); });
  connect(RadioGroup1, &QButtonGroup::idClicked, this, [this] { RadioGroup1Click(); });
  connect(RadioGroup2, &QButtonGroup::idClicked, this, [this] { RadioGroup2Click(); });
  connect(AutoAnswer, &QCheckBox::clicked, this, [this] { AutoAnswerClick(); });
  connect(PrintCheckBox, &QCheckBox::clicked, this, [this] { PrintCheckBoxClick(); });

  connect(sfSelectComPort, &QPushButton::clicked, this, [this] { SelectModem(true); });
  connect(EnhHeaderClk, &QPushButton::clicked, this, [this] { EnhHeaderClkClick(); });
  connect(EnhCoverClk, &QPushButton::clicked, this, [this] { EnhCoverClkClick(); });
  connect(btnBrowseDestDir, &QPushButton::clicked, this, [this] { btnBrowseDestDirClick(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(Button18, &QPushButton::clicked, this, [this] { Button18Click(); });
  connect(PrintSetupClk, &QPushButton::clicked, this, [this] { PrintSetupClkClick(); });
  connect(ViewAPFClk, &QPushButton::clicked, this, [this] { ViewAPFClkClick(); });
  connect(ReceiveList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { ReceiveListDblClick(item); });
  connect(HelpClk, &QPushButton::clicked, this, [this] { HelpClkClick(); });
  connect(AddressBookClk, &QPushButton::clicked, this, [this] { AddressBookClkClick(); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
  connect(Button12, &QPushButton::clicked, this, [this] { Button12Click(); });
  connect(Button13, &QPushButton::clicked, this, [this] { Button13Click(); });
  connect(Button7, &QPushButton::clicked, this, [this] { Button7Click(); });
  connect(CoverClk, &QPushButton::clicked, this, [this] { CoverClkClick(); });
  connect(MakeAPFClk, &QPushButton::clicked, this, [this] { MakeAPFClkClick(); });
  connect(CovertFileClk, &QPushButton::clicked, this, [this] { CovertFileClkClick(); });
  connect(CovertAPFClk, &QPushButton::clicked, this, [this] { CovertAPFClkClick(); });
  connect(ExitClk, &QPushButton::clicked, this, [this] { ExitMainClkClick(); });
  connect(Button8, &QPushButton::clicked, this, [this] { Button8Click(); });
  connect(Button14, &QPushButton::clicked, this, [this] { Button14Click(); });
  connect(CancelCallClk, &QPushButton::clicked, this, [this] { CancelCallClkClick(); });
  connect(ReceiveFaxesClk, &QPushButton::clicked, this, [this] { ReceiveFaxesClkClick(); });
  connect(ExitMainClk, &QPushButton::clicked, this, [this] { ExitMainClkClick(); });
  connect(AddClk, &QPushButton::clicked, this, [this] { AddClkClick(); });
  connect(ModifyClk, &QPushButton::clicked, this, [this] { ModifyClkClick(); });
  connect(DeleteClk, &QPushButton::clicked, this, [this] { DeleteClkClick(); });
  connect(sfFaxListBox, &QListWidget::itemDoubleClicked, this, [this] { ModifyClkClick(); });
  connect(SaveAsClk, &QPushButton::clicked, this, [this] { SaveAsClkClick(); });
  connect(SendFaxClk, &QPushButton::clicked, this, [this] { SendFaxClkClick(); });
  connect(SendAllFaxClk, &QPushButton::clicked, this, [this] { SendAllFaxClkClick(); });
  connect(PageControl2, &QTabWidget::currentChanged, this, [this] { PageControl2Change(); });
  // A typed document is converted once the typing is done, not per keystroke.
  connect(EditFile, &QLineEdit::editingFinished, this, [this] { ConvertSendDocument(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(Timer3, &QTimer::timeout, this, [this] { Timer3Timer(); });
}

// --- Store access ---

void TSendFaxForm::Store(const char* name, int value) {
  try {
    store_.WriteInteger(kSettingsKey, name, value);
  } catch (const SettingsError& e) {
    notice_.ShowError(this, QString::fromStdString(e.what()));
  }
}

void TSendFaxForm::Store(const char* name, const QString& value) {
  try {
    store_.WriteString(kSettingsKey, name, Utf8(value));
  } catch (const SettingsError& e) {
    notice_.ShowError(this, QString::fromStdString(e.what()));
  }
}

void TSendFaxForm::StoreBool(const char* name, bool value) { Store(name, value ? 1 : 0); }

std::optional<int> TSendFaxForm::IntegerIn(QLineEdit* box) {
  const QString text = box->text().trimmed();
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  if (ok) return value;
  // An empty box is a number being typed; anything else is reported.
  if (!text.isEmpty()) notice_.ShowError(this, QStringLiteral("'%1' is not a valid integer value").arg(box->text()));
  return std::nullopt;
}

// --- Loading ---

// The values the controls hold before anything is loaded: the defaults of
// the stored settings.
void TSendFaxForm::SetDesignedValues() {
  ComboInit->setCurrentIndex(0);
  ComboClass->setCurrentIndex(kDefaultClassIndex);
  RadioButton1->setChecked(true);
  RadioGroup3->button(0)->setChecked(true);
  ComboRing->setCurrentIndex(0);
  FaxFileType->setCurrentIndex(0);
  rfNameStyle->button(0)->setChecked(true);
  Bauds->button(kDefaultBaudIndex)->setChecked(true);
  cbxEnhTextEnabled->setChecked(true);
  RadioGroup1->button(1)->setChecked(true);  // "包括覆盖页": NoCover false
  RadioGroup2->button(1)->setChecked(true);  // "6k": LogSize false
  AutoAnswer->setChecked(false);
  PrintCheckBox->setChecked(false);
}

void TSendFaxForm::LoadSettings() {
  // Reads one value; a store that cannot be read is reported and the
  // control keeps its default.
  auto integer = [this](const char* name) -> std::optional<int> {
    try {
      return store_.ReadInteger(kSettingsKey, name);
    } catch (const SettingsError& e) {
      notice_.ShowError(this, QString::fromStdString(e.what()));
      return std::nullopt;
    }
  };
  auto text = [this](const char* name) -> std::optional<QString> {
    try {
      if (std::optional<std::string> v = store_.ReadString(kSettingsKey, name)) return QString::fromStdString(*v);
    } catch (const SettingsError& e) {
      notice_.ShowError(this, QString::fromStdString(e.what()));
    }
    return std::nullopt;
  };
  auto loadText = [&](const char* name, QLineEdit* box, void (TSendFaxForm::*handler)()) {
    if (std::optional<QString> v = text(name); v && SetText(box, *v)) (this->*handler)();
  };
  auto loadBool = [&](const char* name, QCheckBox* box, void (TSendFaxForm::*handler)()) {
    if (std::optional<int> v = integer(name); v && SetChecked(box, *v != 0)) (this->*handler)();
  };
  auto loadGroup = [&](QButtonGroup* group, int index, void (TSendFaxForm::*handler)()) {
    if (SetItem(group, index)) (this->*handler)();
  };

  // Folder defaults: ProgramDir, until a stored value says otherwise.
  SetText(EditLogName, QString::fromStdString(programDir_));
  SetText(rfDirectory, QString::fromStdString(programDir_));

  if (std::optional<int> v = integer(kModemInit)) SelectItem(ComboInit, *v);
  if (std::optional<int> v = integer(kHWFControl)) {
    QRadioButton* b = *v != 0 ? RadioButton1 : RadioButton2;
    if (!b->isChecked()) {
      const QSignalBlocker block(b);
      b->setChecked(true);
      (*v != 0) ? RadioButton1Click() : RadioButton2Click();
    }
  }
  if (std::optional<int> v = integer(kFaxClass)) {
    SelectItem(ComboClass, *v);
    Label17->setText(ComboClass->currentText());
  } else {
    Label17->setText(ComboClass->currentText());
  }
  if (std::optional<int> v = integer(kToneDial)) loadGroup(RadioGroup3, *v != 0 ? 1 : 0, &TSendFaxForm::RadioGroup3Click);
  if (std::optional<int> v = integer(kDialWait); v && SetText(edtRetryWait, QString::number(*v))) edtRetryWaitChange();
  if (std::optional<int> v = integer(kDialAttempt); v && SetText(edtDialAttempts, QString::number(*v)))
    edtDialAttemptsChange();
  if (std::optional<int> v = integer(kRing)) SelectItem(ComboRing, *v);
  if (std::optional<int> v = integer(kFaxFileType)) SelectItem(FaxFileType, *v);
  if (std::optional<int> v = integer(kFaxFileNameType)) loadGroup(rfNameStyle, *v != 0 ? 1 : 0, &TSendFaxForm::rfNameStyleClick);
  loadText(kStationID, StationID, &TSendFaxForm::StationIDChange);
  if (std::optional<int> v = integer(kBauds)) loadGroup(Bauds, *v, &TSendFaxForm::BaudsClick);
  loadText(kLogName, EditLogName, &TSendFaxForm::EditLogNameChange);
  loadText(kDestionPath, rfDirectory, &TSendFaxForm::rfDirectoryChange);
  loadBool(kEnhTextEnabled, cbxEnhTextEnabled, &TSendFaxForm::cbxEnhTextEnabledClick);
  loadText(kHeaderLine, HeaderLine, &TSendFaxForm::HeaderLineChange);
  loadText(kHeaderTitle, HeaderTitle, &TSendFaxForm::HeaderTitleChange);
  loadText(kSenderName, SenderName, &TSendFaxForm::SenderNameChange);
  loadText(kFaxNumber, EditFax, &TSendFaxForm::EditFaxChange);
  loadText(kRecipientName, EditName, &TSendFaxForm::EditNameChange);
  loadText(kFaxFile, EditFile, &TSendFaxForm::EditFileChange);
  loadText(kCoverFile, EditCover, &TSendFaxForm::EditCoverChange);
  loadText(kDialPrefix, DialPrefix, &TSendFaxForm::DialPrefixChange);
  if (std::optional<int> v = integer(kNoCover)) loadGroup(RadioGroup1, *v != 0 ? 0 : 1, &TSendFaxForm::RadioGroup1Click);
  const std::optional<int> logSize = integer(kLogSize);
  if (logSize) loadGroup(RadioGroup2, *logSize != 0 ? 0 : 1, &TSendFaxForm::RadioGroup2Click);
  SetLogSizes(RadioGroup2->checkedId() == 0);
  loadBool(kAutoAnswer, AutoAnswer, &TSendFaxForm::AutoAnswerClick);
  loadBool(kPrinter, PrintCheckBox, &TSendFaxForm::PrintCheckBoxClick);
}

void TSendFaxForm::SetLogSizes(bool large) {
  const std::uint32_t size = large ? kLogSizeLarge : kLogSizeSmall;
  ApdComPort1.SetLogSize(size);
  ApdComPort1.SetTraceSize(size);
}

// --- Change handlers ---

void TSendFaxForm::ComboInitChange() {
  const int index = ComboInit->currentIndex();
  if (index < 0 || index >= static_cast<int>(kInitPresets.size())) return;
  {
    const QSignalBlocker block(EditInit);
    EditInit->setText(QString::fromUtf8(kInitPresets[static_cast<std::size_t>(index)].command));
  }
  Store(kModemInit, index);
  ApdSendFax1.SetModemInit(Utf8(EditInit->text()));
  ApdReceiveFax1.SetModemInit(Utf8(EditInit->text()));
}

void TSendFaxForm::EditInitChange() {
  ApdSendFax1.SetModemInit(Utf8(EditInit->text()));
  ApdReceiveFax1.SetModemInit(Utf8(EditInit->text()));
}

void TSendFaxForm::RadioButton1Click() { StoreBool(kHWFControl, true); }
void TSendFaxForm::RadioButton2Click() { StoreBool(kHWFControl, false); }
void TSendFaxForm::ComboClassChange() { Store(kFaxClass, ComboClass->currentIndex()); }
void TSendFaxForm::RadioGroup3Click() { Store(kToneDial, RadioGroup3->checkedId()); }

void TSendFaxForm::edtRetryWaitChange() {
  if (std::optional<int> v = IntegerIn(edtRetryWait)) {
    Store(kDialWait, *v);
    ApdSendFax1.SetDialRetryWait(*v);
  }
}

void TSendFaxForm::edtDialAttemptsChange() {
  if (std::optional<int> v = IntegerIn(edtDialAttempts)) {
    Store(kDialAttempt, *v);
    ApdSendFax1.SetDialAttempts(*v);
  }
}

void TSendFaxForm::ComboRingChange() {
  Store(kRing, ComboRing->currentIndex());
  ApdReceiveFax1.SetAnswerOnRing(ComboRing->currentIndex());
}

void TSendFaxForm::FaxFileTypeChange() { Store(kFaxFileType, FaxFileType->currentIndex()); }
void TSendFaxForm::rfNameStyleClick() { Store(kFaxFileNameType, rfNameStyle->checkedId()); }

void TSendFaxForm::StationIDChange() {
  Store(kStationID, StationID->text());
  ApdSendFax1.SetStationID(Utf8(StationID->text()));
}

void TSendFaxForm::BaudsClick() { Store(kBauds, Bauds->checkedId()); }
void TSendFaxForm::EditLogNameChange() { Store(kLogName, EditLogName->text()); }
void TSendFaxForm::rfDirectoryChange() { Store(kDestionPath, rfDirectory->text()); }
void TSendFaxForm::cbxEnhTextEnabledClick() { StoreBool(kEnhTextEnabled, cbxEnhTextEnabled->isChecked()); }
void TSendFaxForm::HeaderLineChange() { Store(kHeaderLine, HeaderLine->text()); }
void TSendFaxForm::HeaderTitleChange() { Store(kHeaderTitle, HeaderTitle->text()); }
void TSendFaxForm::SenderNameChange() { Store(kSenderName, SenderName->text()); }
void TSendFaxForm::EditFaxChange() { Store(kFaxNumber, EditFax->text()); }
void TSendFaxForm::EditNameChange() { Store(kRecipientName, EditName->text()); }

void TSendFaxForm::EditFileChange() {
  if (EditFile->text().isEmpty()) return;
  Store(kFaxFile, EditFile->text());
}

void TSendFaxForm::EditCoverChange() { Store(kCoverFile, EditCover->text()); }

void TSendFaxForm::DialPrefixChange() {
  Store(kDialPrefix, DialPrefix->text());
  ApdSendFax1.SetDialPrefix(Utf8(DialPrefix->text()));
}

void TSendFaxForm::RadioGroup1Click() { StoreBool(kNoCover, RadioGroup1->checkedId() == 0); }

void TSendFaxForm::RadioGroup2Click() {
  StoreBool(kLogSize, RadioGroup2->checkedId() == 0);
  SetLogSizes(RadioGroup2->checkedId() == 0);
}

void TSendFaxForm::PrintCheckBoxClick() { StoreBool(kPrinter, PrintCheckBox->isChecked()); }

void TSendFaxForm::AutoAnswerClick() {
  StoreBool(kAutoAnswer, AutoAnswer->isChecked());
  if (sessionMode_ == 0 && AutoAnswer->isChecked()) {
    QCoreApplication::processEvents();
    ReceiveFaxesClkClick();
  }
}

// --- The copy into the components ---

SessionSettings TSendFaxForm::CurrentSessionSettings() const {
  SessionSettings s;
  s.stationId = Utf8(StationID->text());
  s.initString = Utf8(EditInit->text());
  s.toneDial = RadioGroup3->checkedId() != 1;
  s.ringIndex = ComboRing->currentIndex();
  s.classIndex = ComboClass->currentIndex();
  s.nameStyleIndex = std::max(0, rfNameStyle->checkedId());
  s.baudIndex = Bauds->checkedId();
  s.logSizeLarge = RadioGroup2->checkedId() == 0;
  s.logName = Utf8(EditLogName->text());
  s.receiveDir = Utf8(rfDirectory->text());
  s.enhText = cbxEnhTextEnabled->isChecked();
  s.rtsCts = RadioButton1->isChecked();
  s.xonXoff = RadioButton2->isChecked();
  FaxFontSpec font;
  font.Name = Utf8(dialogFont_.family());
  font.SetSize(dialogFont_.pointSize() > 0 ? dialogFont_.pointSize() : 11);
  font.Bold = dialogFont_.bold();
  font.Italic = dialogFont_.italic();
  font.Underline = dialogFont_.underline();
  font.StrikeOut = dialogFont_.strikeOut();
  s.font = font;
  return s;
}

bool TSendFaxForm::ApplySendStartSettings() {
  const std::optional<int> attempts = IntegerIn(edtDialAttempts);
  const std::optional<int> wait = attempts ? IntegerIn(edtRetryWait) : std::nullopt;
  if (!attempts || !wait) {
    if (edtDialAttempts->text().trimmed().isEmpty() || edtRetryWait->text().trimmed().isEmpty())
      notice_.ShowError(this, QStringLiteral("'' is not a valid integer value"));
    return false;
  }
  ApdSendFax1.SetFaxClass(FaxClassOfIndex(ComboClass->currentIndex()));
  ApdSendFax1.SetDialAttempts(*attempts);
  ApdSendFax1.SetDialRetryWait(*wait);
  if (!DialPrefix->text().isEmpty()) ApdSendFax1.SetDialPrefix(Utf8(DialPrefix->text()));
  ApdSendFax1.SetHeaderTitle(CutText(Utf8(HeaderTitle->text())));
  ApdSendFax1.SetHeaderLine(CutText(Utf8(HeaderLine->text())));
  // "发给" names the recipient ($R) and "发送者" the sender ($F), as the
  // default cover's "TO : $R" and "FROM : $F" read.
  ApdSendFax1.SetHeaderRecipient(CutText(Utf8(EditName->text())));
  ApdSendFax1.SetHeaderSender(CutText(Utf8(SenderName->text())));
  return true;
}

void TSendFaxForm::ApplySessionSettings() {
  const SessionSettings settings = CurrentSessionSettings();
  // A receive folder typed in but not made yet would fail every received
  // call; it is made here, before a session can use it.
  if (!settings.receiveDir.empty()) MakeFolder(WithTrailingSlash(settings.receiveDir));
  telvane::ApplySessionSettings(settings, programDir_, {ApdComPort1, ApdSendFax1, ApdReceiveFax1});
}

}  // namespace telvane
