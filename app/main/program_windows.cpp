#include "app/main/program_windows.h"

#include <initializer_list>

namespace telvane {

ProgramWindows::ProgramWindows(const MainWindowEnvironment& environment, const QStringList& files)
    : env(environment),
      mainWindow(env),
      faxList(QString::fromStdString(env.programDir)),
      percent(QtUserNotice()),
      whitespace(QtUserNotice()),
      viewer(files),
      phoneBook(QString::fromStdString(env.programDir), QtUserNotice()) {
  for (QWidget* other : std::initializer_list<QWidget*>{&faxList, &percent, &whitespace, &deviceSelection, &viewer,
                                                         &phoneBook, &coverHelp})
    other->setAttribute(Qt::WA_QuitOnClose, false);
  mainWindow.Viewer = &viewer;
  mainWindow.FaxListForm = &faxList;
  faxList.choosePhoneBookEntry = [this](QString& name, QString& number) {
    TFormPhoneBook book(QString::fromStdString(env.programDir), QtUserNotice(), &faxList);
    book.exec();
    name = book.Name();
    number = book.Number();
    return !number.isEmpty();
  };
}

}  // namespace telvane
