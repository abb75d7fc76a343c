// The designer window's commands that make fax pages from designs: from the
// open design ("生成当前传真文件&C") and from a design file ("生成其它传真文件&V"),
// with the busy cursor, a progress meter driven by the converter's status
// events, the beep at the end and the window caption; and the tag dialog
// ("代替标志&R") whose values the open design is generated with.
#pragma once

#include <QDateTime>
#include <QPointer>
#include <QProgressBar>  // the meter holds a QPointer to one
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "designer/windows/dialog_hooks.h"
#include "viewer/user_notice.h"

class QWidget;

namespace telvane {

class TApdFaxConverter;
class TFaxDesigner;
class TFaxPanel;

// A progress meter filling a host widget (the status bar's progress panel),
// range 0 to 1 at position 0 until the converter tells the size of its work.
// Removed from the host when destroyed.
class CoverProgressMeter {
 public:
  explicit CoverProgressMeter(QWidget* host);
  ~CoverProgressMeter();
  CoverProgressMeter(const CoverProgressMeter&) = delete;
  CoverProgressMeter& operator=(const CoverProgressMeter&) = delete;

  // One status event of the converter: while the maximum is 1 or less it
  // becomes the byte total to convert; once it is above 1 the position
  // follows the bytes converted so far.
  void Status(uint64_t bytesConverted, uint64_t bytesToConvert);

  int Maximum() const;
  int Value() const;
  QProgressBar* Bar() const { return bar_; }

 private:
  // Without a host the meter keeps count without being shown.
  QPointer<QProgressBar> bar_;
};

class CoverGeneration {
 public:
  // `window` gets the captions and parents the dialogs; `progressHost` holds
  // the meter while a page is generated. Either may be null.
  CoverGeneration(IUserNotice& notice, QWidget* window = nullptr, QWidget* progressHost = nullptr);

  // Where the file dialogs start (the program's data folder).
  QString ProgramDir;
  // The tag dialog runs through this; exec() unless replaced.
  DialogRunner RunDialog = ExecDialog();
  // The file dialogs run through this; the dialog unless replaced.
  FileDialogRunner RunFileDialog = ExecFileDialog();
  // Lets pending window messages run (the meter repaints); called after the
  // meter is made and after each status event. Runs all but user input
  // unless replaced.
  std::function<void()> Yield;
  // The clock of the $D and $T tags; the current time when empty.
  std::function<QDateTime()> Now;

  // "代替标志&R": the tag dialog for the page; on OK its six values are
  // copied into the page. True when they were.
  bool EditTags(TFaxPanel& page);

  // "生成当前传真文件&C": the open design drawn with its tag values into
  // base name + ".APF", where the base name is the design's file name up to
  // its first "." (the converter set up by SetupCoverConverter). A design
  // without a file name (or whose name leaves no base name) asks for the fax
  // file's name first; cancelling writes nothing. Returns the fax file written (the window's result file
  // name), or an empty string when nothing was written.
  QString GenerateCurrent(const TFaxDesigner& designer, const QString& designFileName, TApdFaxConverter& converter);

  // "生成其它传真文件&V": asks for a design file and generates its fax page
  // (base name + ".apf") without tag values. Returns the design file chosen
  // (the window's result file name), or an empty string when nothing was
  // written.
  QString GenerateOther();

  // The captions the window gets.
  static QString CurrentCaption() { return QStringLiteral("生成当前传真页面"); }
  static QString OtherCaption() { return QStringLiteral("生成其它传真页面"); }

 private:
  QString AskFaxFileName();
  void RunYield();
  void SetCaption(const QString& caption);

  IUserNotice& notice_;
  QWidget* window_;
  QWidget* progressHost_;
};

}  // namespace telvane
