// TFaxConversionForm ("传真文件转换"): the window in which the user turns a
// document (text, image or cover page design) into an APF fax file by hand.
// Its converter settings are kept in the INI file of FaxConvertSettings.
#pragma once

#include <QDialog>
#include <QFont>
#include <QString>
#include <functional>
#include <optional>

#include "app/conversion/conversion_settings.h"
#include "app/dialogs/file_dialog_request.h"
#include "faxdoc/fax_converter.h"
#include "viewer/user_notice.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace telvane {

class TFaxConversionForm : public QDialog {
  Q_OBJECT
 public:
  // `iniFile` holds the settings; `programDir` is where the input dialog
  // starts and what the remembered folders are before anything is stored.
  TFaxConversionForm(QString iniFile, QString programDir, IUserNotice& notice, QWidget* parent = nullptr);

  // --- Seams (tests replace them) ---
  // The file dialogs of both browse buttons; ChooseFileWithDialog unless replaced.
  std::function<QString(const FileDialogRequest&)> chooseFile;
  // The font dialog; empty when cancelled.
  std::function<std::optional<QFont>(const QFont& initial)> askFont;
  // Lets pending window messages run while a conversion works, so that
  // "取消" and the meter stay live; processEvents unless replaced.
  std::function<void()> yield;

  FileDialogRequest InputFileRequest() const;
  FileDialogRequest OutputFileRequest() const;
  // The settings as the window holds them now (what closing writes).
  FaxConvertSettings CurrentSettings() const;
  bool AbortFlag() const { return abort_; }
  QFont EnhancedFont() const;

  TApdFaxConverter ApdFaxConverter1;

  QLineEdit* edtFileName;
  QPushButton* btnBrowseInFile;
  QLineEdit* edtOutFileName;
  QPushButton* Button2;
  QCheckBox* cbxEnhTextEnabled;
  QPushButton* btnEnhFont;
  QLabel* lblFontName;
  QLabel* lblFontSize;
  QLineEdit* edtLeftMargin;
  QLineEdit* edtTopMargin;
  QLineEdit* edtLinesPerPage;
  QLineEdit* edtTabStop;
  QCheckBox* CheckBox1;  // wrap text
  QButtonGroup* RadioGroup2;  // 正常, 宽度加倍, 高度减半
  QCheckBox* cbxYield;
  QCheckBox* cbxYieldOften;
  QCheckBox* cbxCenterImage;
  QButtonGroup* RadioGroup1;  // 竖排, 横排
  QButtonGroup* rgpResolution;
  QButtonGroup* rgpWidth;
  QPushButton* btnConvert;
  QPushButton* btnOK;
  QProgressBar* Meter;

 public slots:
  // Writes the settings, then closes.
  void done(int result) override;

 private:
  void BuildControls();
  void ConnectHandlers();
  void ShowSettings(const FaxConvertSettings& s);
  void SetOption(FaxCvtOptions option, bool on);
  void ShowFont();
  void InputChosen(const QString& file);
  void edtFileNameExit();
  void btnBrowseInFileClick();
  void Button2Click();
  void btnEnhFontClick();
  void RadioGroup2Click(int index);
  void NumberEditExit(QLineEdit* edit, unsigned& property);
  void btnConvertClick();
  // Steps 3 to 6 of a conversion; the caption is set back by the caller.
  void Convert();
  void Status(uint64_t converted, uint64_t total, bool& abort);

  QString iniFile_;
  QString programDir_;
  IUserNotice& notice_;
  QString lastInDir_;
  QString lastOutDir_;
  bool abort_ = false;
  bool running_ = false;
};

}  // namespace telvane
