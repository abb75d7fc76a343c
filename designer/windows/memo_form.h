// TMemoForm: the text editor for text cover pages and other text documents,
// with a menu that inserts tag lines at the caret. Files are GBK text. The
// main window sets the file name ("new" or a file it loaded), shows the
// editor modally and then reads Saved() and FileName().
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "designer/windows/dialog_hooks.h"
#include "viewer/user_notice.h"

class QAction;
class QFileDialog;
class QFontDialog;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QStatusBar;

namespace telvane {

class TMemoForm : public QDialog {
  Q_OBJECT

 public:
  static QString SaveChangesQuestion() { return QStringLiteral("文本已修改，是否保存？"); }
  // The file name of a text that has no file.
  static QString NewFileName() { return QStringLiteral("new"); }

  // `programDir` is where the file dialogs start.
  explicit TMemoForm(const QString& programDir, IUserNotice* notice = nullptr, QWidget* parent = nullptr);

  // The open, save and font dialogs and the overwrite question run through
  // these; the real dialogs unless replaced.
  FileDialogRunner RunFileDialog = ExecFileDialog();
  DialogRunner RunDialog = ExecDialog();
  QuestionRunner Ask = AskWithMessageBox();

  const QString& FileName() const { return fileName_; }
  void SetFileName(const QString& name) { fileName_ = name; }
  // Set by every successful save; cleared when the window is shown and when
  // save-as is cancelled.
  bool Saved() const { return saved_; }
  // What the first panel of the status bar says.
  QString StatusText() const;

  // The editor's text as lines (a line break at the end starts no line).
  QStringList Lines() const;
  void SetLines(const QStringList& lines);

  // The menu commands.
  void New();
  void Open();
  bool Save();
  bool SaveAs();
  void ChooseFont();
  // Puts `line` as a new line before the caret's line; the caret stays on
  // its line, which moves down.
  void InsertTagLine(const QString& line);

  // Loads a GBK text file into the editor and records its name. False (and
  // the editor unchanged) when it cannot be read; the error is shown.
  bool LoadFile(const QString& name);

  QMenuBar* MainMenu;
  QMenu* TextMenu;      // "文本"
  QMenu* SettingsMenu;  // "设置"
  QMenu* FieldsMenu;    // "字段"
  QAction* N2;   // 新建
  QAction* N3;   // 打开
  QAction* N4;   // 保存
  QAction* N5;   // 另存为
  QAction* N6;   // 退出
  QAction* N10;  // 字体
  QAction* N12;  // 日期
  QAction* N13;  // 时间
  QAction* N17;  // 标题头
  QAction* ID1;  // 工作站ID
  QAction* N15;  // 总页数
  QAction* N16;  // 当前页码
  QAction* N14;  // 发送者
  QAction* N21;  // 接收者
  QPlainTextEdit* Memo1;
  QStatusBar* StatusBar1;
  QLabel* StatusPanel0;  // messages
  QLabel* StatusPanel1;
  QFontDialog* FontDialog1;
  QFileDialog* OpenDialog1;
  QFileDialog* SaveDialog1;

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing (the close box, Escape, "退出") asks first when the text has
  // unsaved changes.
  void reject() override;

 private:
  // True when the text may be dropped: unchanged, saved now, or the user
  // chose not to save it.
  bool MayDropText();
  void BuildMenus();
  QAction* AddTagItem(const QString& objectName, const QString& caption, const QString& line);
  bool WriteTo(const QString& name);
  void ShowStatus(const QString& text);

  IUserNotice& notice_;
  QString programDir_;
  QString fileName_ = NewFileName();
  bool saved_ = false;
};

}  // namespace telvane
