// The page options dialog: unit of measure, paper size, grid display,
// snapping and grid spacing.
#pragma once

#include <QDialog>
#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace telvane {

class IUserNotice;

struct PageOptions {
  uint8_t Unit = 0;       // 0 inches, 1 millimetres
  int PaperSize = 0;      // index into the paper size table
  bool ShowGrid = false;
  bool SnapToGrid = false;
  int HorzSpacing = 20;
  int VertSpacing = 20;
};

class TPageOptionsForm : public QDialog {
  Q_OBJECT
 public:
  TPageOptionsForm(IUserNotice& notice, QWidget* parent = nullptr);

  // Shows `options`; the dialog is not marked changed afterwards.
  void SetOptions(const PageOptions& options);
  // What the dialog shows (spacings as entered; check them with accept).
  PageOptions Options() const;
  bool Changed() const { return changed_; }

  // "确定": checks the spacings; the dialog stays open on a bad one.
  void accept() override;
  // "取消" and the close box: while changed, only after a Yes to "取消更改吗?".
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowPaper();
  void MarkChanged() { changed_ = true; }
  bool CheckSpacing(QLineEdit* edit, bool (*ok)(int), const QString& message);

  IUserNotice& notice_;
  QGroupBox* measurement_;
  QRadioButton* inches_;
  QRadioButton* millimetres_;
  QButtonGroup* unitGroup_;
  QComboBox* pageSize_;
  QLabel* widthLabel_;
  QLineEdit* widthEdit_;
  QLabel* heightLabel_;
  QLineEdit* heightEdit_;
  QCheckBox* showGrid_;
  QCheckBox* snapToGrid_;
  QLineEdit* horzSpacing_;
  QLineEdit* vertSpacing_;
  bool changed_ = false;
};

}  // namespace telvane
