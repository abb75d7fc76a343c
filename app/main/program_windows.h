// The desktop program's windows, made in their order (the main window first)
// and wired to each other: the main window opens the viewer and the
// outgoing-entry dialog, the entry dialog opens the phone book. Closing the
// main window ends the program, even with another window open.
#pragma once

#include <QStringList>

#include "app/dialogs/cover_form.h"
#include "app/dialogs/device_selection_form.h"
#include "app/dialogs/fax_list_form.h"
#include "app/main_window/send_fax_form.h"
#include "app/phonebook/phone_book_form.h"
#include "viewer/view_fax_form.h"
#include "viewer/viewer_dialogs.h"

namespace telvane {

class ProgramWindows {
 public:
  // `files`: fax files the viewer opens. `env.store` must outlive this.
  ProgramWindows(const MainWindowEnvironment& env, const QStringList& files);
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  MainWindowEnvironment env;
  TSendFaxForm mainWindow;
  TFaxListForm faxList;
  TPercentForm percent;
  TWhitespaceCompForm whitespace;
  TDeviceSelectionForm_My deviceSelection;
  TViewFaxForm viewer;
  TFormPhoneBook phoneBook;
  TCoverForm coverHelp;
};

}  // namespace telvane
