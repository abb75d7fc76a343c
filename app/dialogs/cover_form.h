// TCoverForm: the read-only help text that explains cover pages and the tags
// that header lines and cover pages may hold. A new window is made for each
// showing.
#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace telvane {

// The help text the window shows: what a cover page is, one line per tag
// (the tag, a tab, its description), a sample cover text and an example of
// setting up the send component.
QString CoverHelpText();

class TCoverForm : public QDialog {
  Q_OBJECT
 public:
  explicit TCoverForm(QWidget* parent = nullptr);

  QPlainTextEdit* Memo1;
};

}  // namespace telvane
