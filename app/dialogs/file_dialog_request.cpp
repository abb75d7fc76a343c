#include "app/dialogs/file_dialog_request.h"

#include <QFileDialog>

namespace telvane {

QStringList NameFiltersFromPairs(const QString& pairs) {
  const QStringList parts = pairs.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    // "传真文件(*.Apf)": the patterns in the description are written again below.
    if (description.endsWith(QLatin1Char(')'))) {
      const qsizetype open = description.lastIndexOf(QLatin1Char('('));
      if (open > 0) description = description.left(open).trimmed();
    }
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString p = pattern.trimmed();
      for (const QString& spelling : {p, p.toLower(), p.toUpper()})
        if (!spelling.isEmpty() && !patterns.contains(spelling)) patterns.append(spelling);
    }
    filters.append(QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' '))));
  }
  return filters;
}

QString SuffixFromPattern(const QString& pattern) {
  return pattern.startsWith(QLatin1String("*.")) ? pattern.mid(2) : pattern;
}

QString ChooseFileWithDialog(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, request.caption, request.folder);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(request.filters);
  dialog.setDefaultSuffix(request.defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace telvane
