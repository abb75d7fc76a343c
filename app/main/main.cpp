// The program's entry point. For now the program opens the viewer window on
// the fax file named as its first argument; the main window comes here later.
#include <QApplication>

#include "viewer/view_fax_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  telvane::TViewFaxForm viewer(arguments);
  viewer.show();
  return QApplication::exec();
}
