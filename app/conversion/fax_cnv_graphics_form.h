// TFaxCnvGraphicsForm ("传真文件转换为图片"): the window in which the user
// turns an APF fax file into BMP, DCX, PCX or TIFF images, all pages in one
// image or one image per page, scaled by the chosen factors.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <functional>

#include "app/dialogs/file_dialog_request.h"
#include "faxdoc/fax_unpacker.h"
#include "viewer/user_notice.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace telvane {

// The factors of a scale box's item "1/16" ... "4" (index 0 ... 7): below
// "1" the divisor halves the size once per step, above it the multiplier
// doubles it ("3" and "4" scale by 4 and 8).
struct ScaleFactor {
  unsigned mult = 1;
  unsigned div = 1;
  friend bool operator==(const ScaleFactor&, const ScaleFactor&) = default;
};
ScaleFactor ScaleFactorOfItem(int index);

class TFaxCnvGraphicsForm : public QDialog {
  Q_OBJECT
 public:
  explicit TFaxCnvGraphicsForm(IUserNotice& notice, QWidget* parent = nullptr);

  // --- Seams (tests replace them) ---
  // The file dialogs of both browse buttons; ChooseFileWithDialog unless replaced.
  std::function<QString(const FileDialogRequest&)> chooseFile;
  // The clock of the time-stamped names; the current time unless replaced.
  std::function<QDateTime()> now;
  // Lets pending window messages run while the unpacker works (the meter
  // repaints); processEvents unless replaced.
  std::function<void()> yield;

  FileDialogRequest InputFileRequest() const;
  FileDialogRequest OutputFileRequest() const;

  TApdFaxUnpacker ApdFaxUnpacker1;

  QLineEdit* edtFileName;
  QPushButton* btnBrowseInFile;
  QLineEdit* edtOutFileName;
  QPushButton* Button2;
  QComboBox* ComboType;  // BMP, DCX, PCX, TIF
  QLineEdit* Edit1;      // page count
  QComboBox* ComboBox1;  // horizontal scale
  QComboBox* ComboBox2;  // vertical scale
  QButtonGroup* RadioGroup1;  // 0 all pages in one image, 1 one image per page
  QPushButton* btnConvert;
  QPushButton* btnOK;
  QProgressBar* Meter;

 private:
  void BuildControls();
  void InputOrTypeChanged();
  void btnBrowseInFileClick();
  void Button2Click();
  void btnConvertClick();
  // The unpack itself, once the question and the scale are settled.
  void Unpack(const QString& timeStamp);
  void Status(unsigned pageNum, uint64_t unpacked, uint64_t toUnpack);

  IUserNotice& notice_;
  unsigned pageCount_ = 0;
  QString lastInDir_;
  QString lastOutDir_;
  bool running_ = false;
};

}  // namespace telvane
