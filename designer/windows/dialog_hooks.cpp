// The real dialog runners of the designer's windows.
#include "designer/windows/dialog_hooks.h"

#include <QFileDialog>

namespace telvane {

DialogRunner ExecDialog() {
  return [](QDialog& dialog) { return dialog.exec(); };
}

FileDialogRunner ExecFileDialog() {
  return [](QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
  };
}

QuestionRunner AskWithMessageBox() {
  return [](QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons) {
    return QMessageBox::question(parent, QString(), text, buttons);
  };
}

bool SaveChangesFirst(QWidget* parent, const QuestionRunner& ask, const QString& question,
                      const std::function<bool()>& save) {
  switch (ask(parent, question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return save();
    case QMessageBox::No: return true;
    default: return false;  // Cancel, or the box closed
  }
}

void SetUpFileDialog(QFileDialog& dialog, const QString& folder, const QStringList& nameFilters,
                     const QString& defaultSuffix) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDirectory(folder);
  dialog.setNameFilters(nameFilters);
  dialog.setDefaultSuffix(defaultSuffix);
}

}  // namespace telvane
