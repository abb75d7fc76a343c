#include "app/dialogs/file_dialog_request.h"

#include <QFileDialog>

namespace telvane {

QString SuffixFromPattern(const QString& pattern) {
  return pattern.startsWith(QLatin1String("*.")) ? pattern.mid(2) : pattern;
}

QString ChooseFileWithDialog(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, request.caption, request.folder);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.newFileAllowed ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(request.filters);
  dialog.setDefaultSuffix(request.defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace telvane
