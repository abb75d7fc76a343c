// How the designer's windows run their modal dialogs: through replaceable
// functions, so that tests can fill a dialog and answer it without a user.
#pragma once

#include <QMessageBox>
#include <functional>

class QDialog;
class QFileDialog;

namespace telvane {

// Runs a modal dialog and gives its result (QDialog::Accepted or Rejected).
using DialogRunner = std::function<int(QDialog& dialog)>;
// Runs a file dialog and gives the chosen file, or an empty string when the
// user cancelled.
using FileDialogRunner = std::function<QString(QFileDialog& dialog)>;
// Asks a question with the given buttons and gives the one pressed.
using QuestionRunner =
    std::function<QMessageBox::StandardButton(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons)>;

// The real ones: exec(), and a message box.
DialogRunner ExecDialog();
FileDialogRunner ExecFileDialog();
QuestionRunner AskWithMessageBox();

// Before a command drops unsaved changes (closing the window, a new or
// another file), asks `question` with Yes, No and Cancel: Yes runs `save`
// and goes on only when it saved, No goes on without saving, Cancel stays.
bool SaveChangesFirst(QWidget* parent, const QuestionRunner& ask, const QString& question,
                      const std::function<bool()>& save);

// A file dialog set up the way every file dialog of the designer is: the
// program's own (not the desktop's) so that it behaves alike everywhere,
// starting in `folder`, with the name filters and default suffix given.
void SetUpFileDialog(QFileDialog& dialog, const QString& folder, const QStringList& nameFilters,
                     const QString& defaultSuffix);

}  // namespace telvane
