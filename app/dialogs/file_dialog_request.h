// File dialogs of the windows: filters written the way the windows describe
// them ("描述|*.apf|所有文件(*.*)|*.*") turned into Qt's name filters, and
// the open dialog behind the browse buttons.
#pragma once

#include <QString>
#include <QStringList>

#include "viewer/file_filters.h"

class QWidget;

namespace telvane {

// What a browse button asks of the file dialog.
struct FileDialogRequest {
  QString caption;
  QString folder;         // initial folder
  QString defaultSuffix;  // without "*." ("Apf")
  QStringList filters;    // Qt name filters, the first one selected
  bool newFileAllowed = false;  // a name that does not exist yet may be given
};

// "Apf" from "*.Apf"; a text without "*." stays as it is.
QString SuffixFromPattern(const QString& pattern);

// Asks for a file with Qt's open dialog; empty when cancelled.
QString ChooseFileWithDialog(QWidget* parent, const FileDialogRequest& request);

}  // namespace telvane
