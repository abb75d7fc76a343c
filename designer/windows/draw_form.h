// TDrawForm: the cover page designer's window. It hosts the design surface
// with the menus of the field, page and file commands, the status line with
// the selected field's position and the progress meter, and makes fax pages
// from designs. The main window opens it modally with the folder the file
// dialogs start in, and reads ResultFileName() afterwards.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "designer/field_font.h"
#include "designer/windows/dialog_hooks.h"
#include "viewer/user_notice.h"

class QAction;
class QFileDialog;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QVBoxLayout;

namespace telvane {

class TApdFaxConverter;
class TBaseField;
class CoverGeneration;
class TDesignSurface;
class TFaxDesigner;

// Sizes a new design's page for a designer area `clientWidth` pixels wide:
// the page is clientWidth - 5 pixels wide, and as high as its paper at the
// pixels per inch that width gives (nearest integer). Returns that value.
int FitPageToWidth(TFaxDesigner& designer, int clientWidth);

class TDrawForm : public QDialog {
  Q_OBJECT

 public:
  static QString Caption() { return QStringLiteral("制作传真页、覆盖页"); }
  static QString NewCaption() { return QStringLiteral("新建设计页面"); }
  static QString OpenCaption() { return QStringLiteral("打开设计页面"); }
  static QString SaveCaption() { return QStringLiteral("保存设计页面"); }
  static QString SaveChangesQuestion() { return QStringLiteral("设计页面已修改，是否保存？"); }
  static QString ColourWarning() { return QStringLiteral("传真文件只支持单色，如果是彩色将有色彩丢失！"); }

  // `programDir` is where the file dialogs start.
  explicit TDrawForm(const QString& programDir, IUserNotice* notice = nullptr, QWidget* parent = nullptr);
  ~TDrawForm() override;

  // Every dialog of the window runs through these; the real ones unless
  // replaced. File dialogs: open and save designs, the design file to
  // generate from, the fax file's name. Dialogs: the tag dialog and the page
  // options. Ask: the colour warning (OK and Cancel). The font and file
  // choosers are the surface's (fonts of text fields, pictures, text files).
  FileDialogRunner RunFileDialog = ExecFileDialog();
  DialogRunner RunDialog = ExecDialog();
  QuestionRunner Ask = AskWithMessageBox();
  std::function<bool(QWidget* parent, FieldFont& font)> ChooseFont;
  std::function<QString(QWidget* parent, const QString& caption, const QString& filter)> ChooseOpenFile;

  // The surface of the current design (replaced by New).
  TDesignSurface* Surface() const { return surface_; }
  TFaxDesigner& Designer() const;
  // The design's file; empty for a design never saved or opened.
  const QString& DesignFileName() const { return designFileName_; }
  // The last fax file generated from the open design, or the design file
  // last generated from; emptied by New.
  const QString& ResultFileName() const { return resultFileName_; }
  // The page's pixels per inch, from the width it was given.
  int PixelsPerInch() const { return pixelsPerInch_; }
  // The generation commands, for their hooks (clock, yield).
  CoverGeneration& Generation() { return *generation_; }
  TApdFaxConverter& FaxConverter() { return *converter_; }

  // The menu commands.
  void New();
  bool Open();
  bool Save();
  bool SaveAs();
  bool GenerateCurrent();
  bool GenerateOther();
  bool EditTags();
  TBaseField* AddTextField();
  TBaseField* AddImageField();
  void DeleteFields();
  void SetEditMode(bool on);
  // The cursor of the mode in effect: the move cursor in design mode, the
  // I-beam in edit mode.
  Qt::CursorShape ModeCursor() const;

  QMenuBar* MainMenu;
  QMenu* FileMenu;   // "文件&F"
  QMenu* FieldMenu;  // "页面设置&P"
  QMenu* ModeMenu;   // "模式&M"
  QAction* N7;      // 新建&N
  QAction* N8;      // 打开&O
  QAction* N9;      // 保存&S
  QAction* N10;     // 另存为&E
  QAction* N12;     // 生成当前传真文件&C
  QAction* FCPV1;   // 生成其它传真文件&V
  QAction* X1;      // 退出&X
  QAction* miAddTextField;
  QAction* miAddImageField;
  QAction* miDeleteField;
  QAction* miFont;
  QAction* miLoadImage;
  QAction* N19;  // 载入文本&Z
  QAction* miCenterHorizontally;
  QAction* miCenterVertically;
  QAction* P1;  // 页面设置&P
  QAction* R1;  // 代替标志&R
  QAction* N4;  // 编辑模式&E
  QAction* N5;  // 设计模式&D
  QMenu* PopupMenu1;  // the page's context menu
  QAction* PopupEditMode;
  QAction* PopupDesignMode;
  QWidget* StatusPanel;
  QFrame* Panel1;
  QLabel* PositionLbl;
  QFrame* Panel2;
  QLabel* SaveStatusImage;
  QFrame* ProgressPanel;
  QFileDialog* OpenDialog;
  QFileDialog* SaveDialog;

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing (the close box, Escape, "退出&X") asks first when the design
  // has unsaved changes.
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // True when the design may be dropped: unchanged, saved now, or the user
  // chose not to save it.
  bool MayDropDesign();
  void BuildMenus();
  void BuildStatusPanel();
  void InstallSurface(TDesignSurface* surface);
  void SelectionChanged(bool selected);
  void RefreshPosition();
  int DesignerWidth() const;
  bool WriteDesign(const QString& fileName);

  IUserNotice& notice_;
  QString programDir_;
  QVBoxLayout* column_;
  TDesignSurface* surface_ = nullptr;
  QString designFileName_;
  QString resultFileName_;
  int pixelsPerInch_ = 0;
  std::unique_ptr<TApdFaxConverter> converter_;
  std::unique_ptr<CoverGeneration> generation_;
};

}  // namespace telvane
