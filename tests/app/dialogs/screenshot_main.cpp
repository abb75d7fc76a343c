// Saves a picture of each small window of the desktop program into the
// folder given as the first argument: the outgoing-entry dialog, the tag
// help, the modem selection, the fax status window and the port selection
// (with and without devices), the phone book with a few entries, the modem
// terminal with some traffic, and the two conversion windows.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>
#include <cstdio>

#include "app/conversion/fax_cnv_graphics_form.h"
#include "app/conversion/fax_conversion_form.h"
#include "app/dialogs/com_select_form.h"
#include "app/dialogs/cover_form.h"
#include "app/dialogs/device_selection_form.h"
#include "app/dialogs/fax_list_form.h"
#include "app/dialogs/fax_status_form.h"
#include "app/phonebook/phone_book.h"
#include "app/phonebook/phone_book_form.h"
#include "app/widgets/modem_terminal.h"
#include "viewer/user_notice.h"
#include "comm/components/send_fax.h"

namespace {

bool Save(QWidget& widget, const QDir& folder, const QString& name) {
  widget.show();
  QCoreApplication::processEvents();
  const QString path = folder.filePath(name + QStringLiteral(".png"));
  const bool saved = widget.grab().save(path);
  std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "cannot write", qPrintable(path));
  widget.hide();
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "cannot make %s\n", argv[1]);
    return 1;
  }
  bool ok = true;

  telvane::TFaxListForm list(QStringLiteral("/home/user/.local/share/telvane/"));
  list.SetPhoneNumber(QStringLiteral("010-62345678"));
  list.SetFileName(QStringLiteral("/home/user/.local/share/telvane/Outbox/report.apf"));
  list.SetCoverName(QStringLiteral("/home/user/.local/share/telvane/NoName.txt"));
  ok &= Save(list, folder, QStringLiteral("fax_list_form"));

  telvane::TCoverForm cover;
  ok &= Save(cover, folder, QStringLiteral("cover_form"));

  telvane::TDeviceSelectionForm_My devices;
  devices.SetDevices({"ttyS0", "ttyUSB0", "simulated line"});
  devices.dsfComboBox->setCurrentIndex(1);
  ok &= Save(devices, folder, QStringLiteral("device_selection_form"));

  telvane::TApdSendFax fax(nullptr);
  fax.SetPhoneNumber("010-62345678");
  telvane::TApdFaxStatus status;
  status.UpdateDisplay(fax, true, false);
  ok &= Save(status, folder, QStringLiteral("fax_status_form"));

  telvane::TComSelectForm ports({{"/dev/ttyS0", "ttyS0"},
                                 {"/dev/ttyUSB0", "ttyUSB0"},
                                 {"/dev/serial/by-id/usb-Example_Modem-if00", "usb-Example_Modem-if00 (ttyUSB0)"}});
  ok &= Save(ports, folder, QStringLiteral("com_select_form"));
  telvane::TComSelectForm none({});
  ok &= Save(none, folder, QStringLiteral("com_select_form_empty"));

  QTemporaryDir bookDir;
  telvane::PhoneBook book(bookDir.path());
  book.Load();
  book.Add(QStringLiteral("张三"), QStringLiteral("010-62345678"));
  book.Add(QStringLiteral("李四 (上海)"), QStringLiteral("021-55512345"));
  book.Add(QStringLiteral("Accounts"), QStringLiteral("+44 20 7946 0018"));
  telvane::TFormPhoneBook phoneBook(bookDir.path(), telvane::QtUserNotice());
  ok &= Save(phoneBook, folder, QStringLiteral("phone_book"));

  telvane::ModemTerminal terminal;
  terminal.SetActive(true);
  terminal.Feed("ATE0Q0V1X4S0=0S2=43\r\r\nOK\r\nAT+FCLASS=1\r\r\nOK\r\nATDT5551234\r\r\nCONNECT\r\n");
  QCoreApplication::processEvents();
  ok &= Save(terminal, folder, QStringLiteral("modem_terminal"));

  QTemporaryDir iniDir;
  telvane::TFaxConversionForm conversion(iniDir.filePath(QStringLiteral("ROza3.ini")),
                                         QStringLiteral("/home/user/.local/share/telvane/"), telvane::QtUserNotice());
  conversion.edtFileName->setText(QStringLiteral("/home/user/文档/report.txt"));
  conversion.edtOutFileName->setText(QStringLiteral("/home/user/文档/report.apf"));
  ok &= Save(conversion, folder, QStringLiteral("fax_conversion_form"));
  telvane::TFaxCnvGraphicsForm graphics(telvane::QtUserNotice());
  graphics.edtFileName->setText(QStringLiteral("/home/user/.local/share/telvane/Fax/FAX0001.APF"));
  ok &= Save(graphics, folder, QStringLiteral("fax_cnv_graphics_form"));
  return ok ? 0 : 1;
}
