// File dialogs of the windows: filters written the way the windows describe
// them ("描述|*.apf|所有文件(*.*)|*.*") turned into Qt's name filters, and
// the open dialog behind the browse buttons.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace telvane {

// What a browse button asks of the file dialog.
struct FileDialogRequest {
  QString caption;
  QString folder;         // initial folder
  QString defaultSuffix;  // without "*." ("Apf")
  QStringList filters;    // Qt name filters, the first one selected
};

// Converts a filter in the "description|pattern|description|pattern" form
// into Qt name filters "description (patterns)". Patterns separated by ';'
// become blank-separated, and each pattern is also given in lower and upper
// case: file names are case-sensitive here, and received faxes are named
// "FAX0001.APF" while converted ones end in ".apf".
QStringList NameFiltersFromPairs(const QString& pairs);
// "Apf" from "*.Apf"; a text without "*." stays as it is.
QString SuffixFromPattern(const QString& pattern);

// Opens a file with Qt's file dialog; empty when cancelled.
QString ChooseFileWithDialog(QWidget* parent, const FileDialogRequest& request);

}  // namespace telvane
