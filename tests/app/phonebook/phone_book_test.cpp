// The phone book and its window: first use, loading and its errors,
// selection, add with its duplicate check, delete, change, moves, the
// backups before each change, a book whose files disagree, GBK files, and
// writes that fail half-way.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/phonebook/phone_book.h"
#include "app/phonebook/phone_book_form.h"
#include "tests/support/qt/recording_notice.h"

using telvane::PhoneBook;
using telvane::PhoneBookOutcome;
using telvane::TFormPhoneBook;
using telvane::test::RecordingNotice;

namespace {

const QString kInconsistent = QStringLiteral("电话号码薄错误.");
const QString kExists = QStringLiteral("已经存在.");
const QString kReallyDelete = QStringLiteral("真的删除吗？");

QByteArray Gbk(const QString& text) { return QStringEncoder("GBK").encode(text); }

// A list as the book writes it: GBK, every line ended with CR LF.
QByteArray BookBytes(const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) bytes += Gbk(line) + "\r\n";
  return bytes;
}

}  // namespace

class PhoneBookTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void windowHasItsCaptionLabelsAndButtons_data();
  void windowHasItsCaptionLabelsAndButtons();
  void windowIsCentredOnItsParent();
  void firstUseCreatesEmptyFiles();
  void fileLinesAreReadTolerantly_data();
  void fileLinesAreReadTolerantly();
  void missingNumberFileIsAnErrorAndLeavesTheBookInconsistent();
  void selectionFillsTheBoxesAndNoSelectionEmptiesThem();
  void addTrimsAppendsAndEmptiesTheBoxes();
  void addWithoutANameDoesNothing();
  void duplicateNameRefused_data();
  void duplicateNameRefused();
  void gbkNamesRoundTrip();
  void nameOutsideGbkIsRefusedWithoutChangingAnything();
  void backupsHoldTheStateBeforeEachChange_data();
  void backupsHoldTheStateBeforeEachChange();
  void deleteAsksFirst();
  void movesPastTheEndsDoNothing_data();
  void movesPastTheEndsDoNothing();
  void unequalCountsRefuseEveryChange_data();
  void unequalCountsRefuseEveryChange();
  void doubleClickClosesWithTheEntryInTheBoxes();
  void eachShowReadsTheFilesAfresh();
  void failedWriteKeepsTheBook_data();
  void failedWriteKeepsTheBook();

 private:
  QString Path(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }
  QByteArray Bytes(const char* name) const;
  void WriteBytes(const char* name, const QByteArray& bytes) const;
  void WriteBook(const QStringList& names, const QStringList& numbers) const;
  // A shown window over the book in the test's folder.
  std::unique_ptr<TFormPhoneBook> OpenForm();
  void Act(TFormPhoneBook& form, const QString& action);

  std::unique_ptr<QTemporaryDir> dir_;
  RecordingNotice notice_;
};

void PhoneBookTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
  notice_ = RecordingNotice();
}

void PhoneBookTest::cleanup() { dir_.reset(); }

QByteArray PhoneBookTest::Bytes(const char* name) const {
  QFile file(Path(name));
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll();
}

void PhoneBookTest::WriteBytes(const char* name, const QByteArray& bytes) const {
  QFile file(Path(name));
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

void PhoneBookTest::WriteBook(const QStringList& names, const QStringList& numbers) const {
  WriteBytes(PhoneBook::kNamesFile, BookBytes(names));
  WriteBytes(PhoneBook::kNumbersFile, BookBytes(numbers));
}

std::unique_ptr<TFormPhoneBook> PhoneBookTest::OpenForm() {
  auto form = std::make_unique<TFormPhoneBook>(dir_->path(), notice_);
  form->show();
  return form;
}

// One change through its button: "add", "delete", "change", "up", "down".
void PhoneBookTest::Act(TFormPhoneBook& form, const QString& action) {
  QPushButton* button = action == "add"      ? form.BitBtn1
                        : action == "delete" ? form.BitBtn2
                        : action == "change" ? form.BitBtn3
                        : action == "up"     ? form.BitBtn5
                                             : form.BitBtn6;
  QVERIFY(action == "add" || action == "delete" || action == "change" || action == "up" || action == "down");
  QTest::mouseClick(button, Qt::LeftButton);
}

void PhoneBookTest::windowHasItsCaptionLabelsAndButtons_data() {
  QTest::addColumn<QString>("objectName");
  QTest::addColumn<QString>("text");
  QTest::newRow("add") << "BitBtn1" << "添加";
  QTest::newRow("delete") << "BitBtn2" << "删除";
  QTest::newRow("change") << "BitBtn3" << "更改";
  QTest::newRow("close") << "BitBtn4" << "关闭";
  QTest::newRow("up") << "BitBtn5" << "上移";
  QTest::newRow("down") << "BitBtn6" << "下移";
}

void PhoneBookTest::windowHasItsCaptionLabelsAndButtons() {
  QFETCH(QString, objectName);
  QFETCH(QString, text);
  TFormPhoneBook form(dir_->path(), notice_);
  QCOMPARE(form.windowTitle(), QStringLiteral("电话薄"));
  auto* button = form.findChild<QPushButton*>(objectName);
  QVERIFY(button);
  QCOMPARE(button->text(), text);
  QVERIFY(form.findChild<QListWidget*>("ListBox1"));
  QStringList labels;
  for (QLabel* label : form.findChildren<QLabel*>()) labels << label->text() + ">" + label->buddy()->objectName();
  labels.sort();
  QCOMPARE(labels, (QStringList{"姓名>Edit1", "电话>Edit2"}));
}

void PhoneBookTest::windowIsCentredOnItsParent() {
  QWidget parent;
  parent.setGeometry(200, 150, 900, 700);
  parent.show();
  TFormPhoneBook form(dir_->path(), notice_, &parent);
  form.show();
  const QPoint offset = form.geometry().center() - parent.geometry().center();
  QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QString("off by %1,%2").arg(offset.x()).arg(offset.y())));
}

void PhoneBookTest::firstUseCreatesEmptyFiles() {
  // The data folder itself may not exist yet.
  const QString folder = dir_->filePath("data/telvane");
  TFormPhoneBook form(folder, notice_);
  form.Edit1->setText("left over");
  form.show();
  QCOMPARE(QFile(folder + "/PhoneBook1.Dat").size(), 0);
  QVERIFY(QFile::exists(folder + "/PhoneBook2.Dat"));
  QCOMPARE(QFile(folder + "/PhoneBook2.Dat").size(), 0);
  QVERIFY(!QFile::exists(folder + "/PhoneBook1.bak"));
  QCOMPARE(form.ListBox1->count(), 0);
  QCOMPARE(form.Name(), QString());
  QCOMPARE(form.Number(), QString());
  QVERIFY(notice_.errors.isEmpty() && notice_.infos.isEmpty());
  QVERIFY(form.Book().Consistent());
}

void PhoneBookTest::fileLinesAreReadTolerantly_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QStringList>("lines");
  QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
  QTest::newRow("LF only") << QByteArray("a\nb\n") << QStringList{"a", "b"};
  QTest::newRow("no end on the last line") << QByteArray("a\nb") << QStringList{"a", "b"};
  QTest::newRow("CR alone") << QByteArray("a\rb\r") << QStringList{"a", "b"};
  QTest::newRow("empty lines count") << QByteArray("\r\na\r\n\r\n") << QStringList{"", "a", ""};
  QTest::newRow("GBK with LF") << Gbk("李四\n王五") << QStringList{"李四", "王五"};
  QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void PhoneBookTest::fileLinesAreReadTolerantly() {
  QFETCH(QByteArray, bytes);
  QFETCH(QStringList, lines);
  WriteBytes(PhoneBook::kNamesFile, bytes);
  WriteBytes(PhoneBook::kNumbersFile, bytes);
  PhoneBook book(dir_->path());
  book.Load();
  QCOMPARE(book.Names(), lines);
  QCOMPARE(book.Numbers(), lines);
  QVERIFY(book.Consistent());
}

void PhoneBookTest::missingNumberFileIsAnErrorAndLeavesTheBookInconsistent() {
  WriteBytes(PhoneBook::kNamesFile, BookBytes({"A", "B"}));
  auto form = OpenForm();
  QCOMPARE(notice_.errors.size(), 1);
  QVERIFY2(notice_.errors[0].contains(Path(PhoneBook::kNumbersFile)), qPrintable(notice_.errors[0]));
  QCOMPARE(form->ListBox1->count(), 2);
  QVERIFY(!form->Book().Consistent());
  form->ListBox1->setCurrentRow(1);
  QCOMPARE(notice_.infos, QStringList{kInconsistent});
  form->Edit1->setText("C");
  Act(*form, "add");
  QCOMPARE(notice_.infos, (QStringList{kInconsistent, kInconsistent}));
  QVERIFY(!QFile::exists(Path(PhoneBook::kNumbersFile)));
  QCOMPARE(Bytes(PhoneBook::kNamesFile), BookBytes({"A", "B"}));
}

void PhoneBookTest::selectionFillsTheBoxesAndNoSelectionEmptiesThem() {
  WriteBook({"Ann", "Bob"}, {"111", ""});
  auto form = OpenForm();
  form->ListBox1->setCurrentRow(0);
  QCOMPARE(form->Name(), QStringLiteral("Ann"));
  QCOMPARE(form->Number(), QStringLiteral("111"));
  form->ListBox1->setCurrentRow(1);
  QCOMPARE(form->Name(), QStringLiteral("Bob"));
  QCOMPARE(form->Number(), QString());
  form->ListBox1->setCurrentRow(-1);
  QCOMPARE(form->Name(), QString());
  QVERIFY(notice_.infos.isEmpty());
}

void PhoneBookTest::addTrimsAppendsAndEmptiesTheBoxes() {
  WriteBook({"Ann"}, {"111"});
  auto form = OpenForm();
  form->Edit1->setText(" \t张三  ");
  form->Edit2->setText("  555 1234\t");
  Act(*form, "add");
  QCOMPARE(form->Book().Names(), (QStringList{"Ann", "张三"}));
  QCOMPARE(Bytes(PhoneBook::kNumbersFile), QByteArray("111\r\n555 1234\r\n"));
  QCOMPARE(form->ListBox1->count(), 2);
  QCOMPARE(form->ListBox1->item(1)->text(), QStringLiteral("张三"));
  QCOMPARE(form->Name(), QString());
  QCOMPARE(form->Number(), QString());
  // The number may be empty.
  form->Edit1->setText("Cid");
  Act(*form, "add");
  QCOMPARE(Bytes(PhoneBook::kNumbersFile), QByteArray("111\r\n555 1234\r\n\r\n"));
  QVERIFY(notice_.errors.isEmpty() && notice_.infos.isEmpty());
}

void PhoneBookTest::addWithoutANameDoesNothing() {
  WriteBook({"Ann"}, {"111"});
  auto form = OpenForm();
  form->Edit1->setText(" \t ");
  form->Edit2->setText("222");
  Act(*form, "add");
  QCOMPARE(form->Name(), QString());  // the trimmed text is put back
  QCOMPARE(form->Number(), QStringLiteral("222"));
  QCOMPARE(Bytes(PhoneBook::kNamesFile), BookBytes({"Ann"}));
  QVERIFY(!QFile::exists(Path(PhoneBook::kNamesBackup)));
  QVERIFY(notice_.infos.isEmpty());
}

void PhoneBookTest::duplicateNameRefused_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::newRow("same spelling") << "Ann Lee" << "Ann Lee";
  QTest::newRow("other letter case") << "aNN lEE" << "aNN lEE";
  QTest::newRow("blanks around") << "  ANN LEE " << "ANN LEE";
}

void PhoneBookTest::duplicateNameRefused() {
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  WriteBook({"Ann Lee"}, {"111"});
  auto form = OpenForm();
  form->Edit1->setText(typed);
  form->Edit2->setText("999");
  Act(*form, "add");
  QCOMPARE(notice_.infos, QStringList{kExists});
  QCOMPARE(form->Name(), shown);
  QCOMPARE(form->Number(), QStringLiteral("999"));
  QCOMPARE(form->ListBox1->count(), 1);
  QCOMPARE(Bytes(PhoneBook::kNamesFile), BookBytes({"Ann Lee"}));
  QVERIFY(!QFile::exists(Path(PhoneBook::kNamesBackup)));
}

void PhoneBookTest::gbkNamesRoundTrip() {
  {
    auto form = OpenForm();
    form->Edit1->setText("张三");
    form->Edit2->setText("010-5551234");
    Act(*form, "add");
  }
  QCOMPARE(Bytes(PhoneBook::kNamesFile), QByteArray("\xD5\xC5\xC8\xFD\r\n"));
  auto form = OpenForm();
  QCOMPARE(form->ListBox1->item(0)->text(), QStringLiteral("张三"));
  form->ListBox1->setCurrentRow(0);
  QCOMPARE(form->Number(), QStringLiteral("010-5551234"));
}

void PhoneBookTest::nameOutsideGbkIsRefusedWithoutChangingAnything() {
  WriteBook({"Ann"}, {"111"});
  auto form = OpenForm();
  form->Edit1->setText(QString::fromUtf8("Smiley \xF0\x9F\x98\x80"));
  Act(*form, "add");
  QCOMPARE(notice_.errors.size(), 1);
  QVERIFY2(notice_.errors[0].contains("GBK"), qPrintable(notice_.errors[0]));
  QCOMPARE(form->Book().Names(), QStringList{"Ann"});
  QCOMPARE(Bytes(PhoneBook::kNamesFile), BookBytes({"Ann"}));
  QVERIFY(!QFile::exists(Path(PhoneBook::kNamesBackup)));
}

void PhoneBookTest::backupsHoldTheStateBeforeEachChange_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<int>("row");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("number");
  QTest::addColumn<QStringList>("names");
  QTest::addColumn<QStringList>("numbers");
  QTest::addColumn<int>("selected");
  QTest::newRow("add") << "add" << -1 << "Dan" << "4" << QStringList{"Ann", "Bob", "Cid", "Dan"}
                       << QStringList{"1", "2", "3", "4"} << -1;
  QTest::newRow("delete") << "delete" << 1 << "" << "" << QStringList{"Ann", "Cid"} << QStringList{"1", "3"} << -1;
  // Change takes any name, also one already in the book, and an empty one.
  QTest::newRow("change") << "change" << 1 << " Ann " << " 22 " << QStringList{"Ann", "Ann", "Cid"}
                          << QStringList{"1", "22", "3"} << 1;
  QTest::newRow("change to empty") << "change" << 2 << "" << "" << QStringList{"Ann", "Bob", ""}
                                   << QStringList{"1", "2", ""} << 2;
  QTest::newRow("up") << "up" << 2 << "" << "" << QStringList{"Ann", "Cid", "Bob"} << QStringList{"1", "3", "2"} << 1;
  QTest::newRow("down") << "down" << 0 << "" << "" << QStringList{"Bob", "Ann", "Cid"} << QStringList{"2", "1", "3"}
                        << 1;
}

void PhoneBookTest::backupsHoldTheStateBeforeEachChange() {
  QFETCH(QString, action);
  QFETCH(int, row);
  QFETCH(QString, name);
  QFETCH(QString, number);
  QFETCH(QStringList, names);
  QFETCH(QStringList, numbers);
  QFETCH(int, selected);
  WriteBook({"Ann", "Bob", "Cid"}, {"1", "2", "3"});
  // The backups of an earlier change are replaced.
  WriteBytes(PhoneBook::kNamesBackup, "older\r\n");
  WriteBytes(PhoneBook::kNumbersBackup, "older\r\n");
  const QByteArray namesBefore = Bytes(PhoneBook::kNamesFile);
  const QByteArray numbersBefore = Bytes(PhoneBook::kNumbersFile);
  auto form = OpenForm();
  form->ListBox1->setCurrentRow(row);
  form->Edit1->setText(name);
  form->Edit2->setText(number);
  Act(*form, action);
  QCOMPARE(Bytes(PhoneBook::kNamesBackup), namesBefore);
  QCOMPARE(Bytes(PhoneBook::kNumbersBackup), numbersBefore);
  QCOMPARE(Bytes(PhoneBook::kNamesFile), BookBytes(names));
  QCOMPARE(Bytes(PhoneBook::kNumbersFile), BookBytes(numbers));
  QCOMPARE(form->Book().Names(), names);
  QCOMPARE(form->Book().Numbers(), numbers);
  QStringList shown;
  for (int i = 0; i < form->ListBox1->count(); ++i) shown << form->ListBox1->item(i)->text();
  QCOMPARE(shown, names);
  QCOMPARE(form->ListBox1->currentRow(), selected);
  QVERIFY(notice_.errors.isEmpty() && notice_.infos.isEmpty());
  // No temporary or kept file is left beside the book.
  QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).size(), 4);
}

void PhoneBookTest::deleteAsksFirst() {
  WriteBook({"Ann", "Bob"}, {"1", "2"});
  auto form = OpenForm();
  form->ListBox1->setCurrentRow(0);
  notice_.answerYes = false;
  Act(*form, "delete");
  QCOMPARE(notice_.questions, QStringList{kReallyDelete});
  QCOMPARE(form->ListBox1->count(), 2);
  QVERIFY(!QFile::exists(Path(PhoneBook::kNamesBackup)));
  notice_.answerYes = true;
  Act(*form, "delete");
  QCOMPARE(form->Book().Names(), QStringList{"Bob"});
  // The boxes keep the deleted entry; nothing is selected any more.
  QCOMPARE(form->Name(), QStringLiteral("Ann"));
  QCOMPARE(form->Number(), QStringLiteral("1"));
  QCOMPARE(form->ListBox1->currentRow(), -1);
  // With nothing selected, delete does nothing and asks nothing.
  Act(*form, "delete");
  QCOMPARE(notice_.questions.size(), 2);
  QCOMPARE(form->Book().Names(), QStringList{"Bob"});
}

void PhoneBookTest::movesPastTheEndsDoNothing_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<int>("row");
  QTest::newRow("up from the first") << "up" << 0;
  QTest::newRow("down from the last") << "down" << 2;
  QTest::newRow("up without selection") << "up" << -1;
  QTest::newRow("down without selection") << "down" << -1;
  QTest::newRow("change without selection") << "change" << -1;
}

void PhoneBookTest::movesPastTheEndsDoNothing() {
  QFETCH(QString, action);
  QFETCH(int, row);
  WriteBook({"Ann", "Bob", "Cid"}, {"1", "2", "3"});
  auto form = OpenForm();
  form->ListBox1->setCurrentRow(row);
  Act(*form, action);
  QCOMPARE(form->Book().Names(), (QStringList{"Ann", "Bob", "Cid"}));
  QCOMPARE(form->ListBox1->currentRow(), row);
  QVERIFY(!QFile::exists(Path(PhoneBook::kNamesBackup)));
  QVERIFY(notice_.infos.isEmpty() && notice_.errors.isEmpty());
  // The model says the same.
  PhoneBook book(dir_->path());
  book.Load();
  QCOMPARE(action == "up" ? book.MoveUp(row) : book.MoveDown(row), PhoneBookOutcome::NothingToDo);
}

void PhoneBookTest::unequalCountsRefuseEveryChange_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<int>("row");
  QTest::newRow("add") << "add" << -1;
  QTest::newRow("delete") << "delete" << 1;
  QTest::newRow("change") << "change" << 1;
  QTest::newRow("up") << "up" << 1;
  QTest::newRow("down") << "down" << 1;
}

void PhoneBookTest::unequalCountsRefuseEveryChange() {
  QFETCH(QString, action);
  QFETCH(int, row);
  WriteBook({"Ann", "Bob", "Cid"}, {"1", "2"});
  auto form = OpenForm();
  QCOMPARE(notice_.infos, QStringList{kInconsistent});  // at load
  form->ListBox1->setCurrentRow(row);
  QCOMPARE(notice_.infos.size(), row < 0 ? 1 : 2);  // at selection
  notice_.infos.clear();
  form->Edit1->setText("Dan");
  form->Edit2->setText("4");
  Act(*form, action);
  QCOMPARE(notice_.infos, QStringList{kInconsistent});
  QVERIFY(notice_.questions.isEmpty());
  QCOMPARE(Bytes(PhoneBook::kNamesFile), BookBytes({"Ann", "Bob", "Cid"}));
  QCOMPARE(Bytes(PhoneBook::kNumbersFile), BookBytes({"1", "2"}));
  QVERIFY(!QFile::exists(Path(PhoneBook::kNamesBackup)));
  QCOMPARE(form->ListBox1->count(), 3);
}

void PhoneBookTest::doubleClickClosesWithTheEntryInTheBoxes() {
  WriteBook({"Ann", "Bob"}, {"111", "222"});
  auto form = OpenForm();
  QListWidget* list = form->ListBox1;
  const QPoint at = list->visualItemRect(list->item(1)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  QVERIFY(!form->isVisible());
  QCOMPARE(form->result(), int(QDialog::Accepted));
  QCOMPARE(form->Name(), QStringLiteral("Bob"));
  QCOMPARE(form->Number(), QStringLiteral("222"));
}

void PhoneBookTest::eachShowReadsTheFilesAfresh() {
  WriteBook({"Ann"}, {"1"});
  auto form = OpenForm();
  form->ListBox1->setCurrentRow(0);
  QTest::mouseClick(form->BitBtn4, Qt::LeftButton);
  QVERIFY(!form->isVisible());
  QCOMPARE(form->Number(), QStringLiteral("1"));  // the caller reads the boxes after closing
  WriteBook({"Ann", "Bob"}, {"1", "2"});
  form->show();
  QCOMPARE(form->ListBox1->count(), 2);
  QCOMPARE(form->ListBox1->currentRow(), -1);
  QCOMPARE(form->Number(), QString());
}

void PhoneBookTest::failedWriteKeepsTheBook_data() {
  QTest::addColumn<QString>("blocked");  // made a folder (with a file in it)
  QTest::addColumn<QString>("named");    // the file the error names
  QTest::newRow("names backup") << "PhoneBook1.bak" << "PhoneBook1.bak";
  QTest::newRow("new names file") << "PhoneBook1.Dat.new" << "PhoneBook1.Dat.new";
  QTest::newRow("new numbers file") << "PhoneBook2.Dat.new" << "PhoneBook2.Dat.new";
  // The names file is already replaced when the numbers file cannot be:
  // the names file is put back.
  QTest::newRow("numbers file") << "PhoneBook2.Dat" << "PhoneBook2.Dat";
}

void PhoneBookTest::failedWriteKeepsTheBook() {
  QFETCH(QString, blocked);
  QFETCH(QString, named);
  WriteBook({"Ann", "Bob"}, {"1", "2"});
  auto form = OpenForm();
  const QByteArray names = Bytes(PhoneBook::kNamesFile);
  const QByteArray numbers = Bytes(PhoneBook::kNumbersFile);
  // A folder that is not empty can be neither written nor replaced, also by root.
  const QString blocker = dir_->filePath(blocked);
  QFile::remove(blocker);
  QVERIFY(QDir().mkpath(blocker + "/inside"));
  form->ListBox1->setCurrentRow(0);
  Act(*form, "down");
  QCOMPARE(notice_.errors.size(), 1);
  QVERIFY2(notice_.errors[0].contains(dir_->filePath(named) + "\""), qPrintable(notice_.errors[0]));
  QCOMPARE(Bytes(PhoneBook::kNamesFile), names);
  if (blocked != "PhoneBook2.Dat") QCOMPARE(Bytes(PhoneBook::kNumbersFile), numbers);
  QCOMPARE(form->Book().Names(), (QStringList{"Ann", "Bob"}));
  QCOMPARE(form->Book().Numbers(), (QStringList{"1", "2"}));
  QCOMPARE(form->ListBox1->item(0)->text(), QStringLiteral("Ann"));
  QCOMPARE(form->ListBox1->currentRow(), 0);
  QVERIFY(!QFile::exists(Path("PhoneBook1.Dat.old")));
  // With the obstacle gone the same change goes through.
  QVERIFY(QDir(blocker).removeRecursively());
  if (blocked == "PhoneBook2.Dat") WriteBytes(PhoneBook::kNumbersFile, numbers);
  Act(*form, "down");
  QCOMPARE(notice_.errors.size(), 1);
  QCOMPARE(Bytes(PhoneBook::kNamesFile), BookBytes({"Bob", "Ann"}));
  QCOMPARE(Bytes(PhoneBook::kNumbersFile), BookBytes({"2", "1"}));
}

QTEST_MAIN(PhoneBookTest)
#include "phone_book_test.moc"
