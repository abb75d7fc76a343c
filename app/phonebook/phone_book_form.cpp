#include "app/phonebook/phone_book_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "viewer/user_notice.h"

namespace telvane {
namespace {

const QString kCaption = QStringLiteral("电话薄");
const QString kInconsistent = QStringLiteral("电话号码薄错误.");
const QString kExists = QStringLiteral("已经存在.");
const QString kReallyDelete = QStringLiteral("真的删除吗？");

QPushButton* MakeButton(QWidget* parent, const char* objectName, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TFormPhoneBook::TFormPhoneBook(QString folder, IUserNotice& notice, QWidget* parent)
    : QDialog(parent), notice_(notice), book_(std::move(folder)) {
  setWindowTitle(kCaption);
  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit2 = new QLineEdit(this);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  BitBtn1 = MakeButton(this, "BitBtn1", QStringLiteral("添加"));
  BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("删除"));
  BitBtn3 = MakeButton(this, "BitBtn3", QStringLiteral("更改"));
  BitBtn5 = MakeButton(this, "BitBtn5", QStringLiteral("上移"));
  BitBtn6 = MakeButton(this, "BitBtn6", QStringLiteral("下移"));
  BitBtn4 = MakeButton(this, "BitBtn4", QStringLiteral("关闭"));

  auto* label1 = new QLabel(QStringLiteral("姓名"), this);
  label1->setBuddy(Edit1);
  auto* label2 = new QLabel(QStringLiteral("电话"), this);
  label2->setBuddy(Edit2);
  auto* fields = new QGridLayout;
  fields->addWidget(label1, 0, 0);
  fields->addWidget(Edit1, 0, 1);
  fields->addWidget(label2, 1, 0);
  fields->addWidget(Edit2, 1, 1);
  auto* buttons = new QGridLayout;
  buttons->addWidget(BitBtn1, 0, 0);
  buttons->addWidget(BitBtn2, 0, 1);
  buttons->addWidget(BitBtn3, 1, 0);
  buttons->addWidget(BitBtn5, 1, 1);
  buttons->addWidget(BitBtn6, 2, 0);
  buttons->addWidget(BitBtn4, 2, 1);
  auto* right = new QVBoxLayout;
  right->addLayout(fields);
  right->addStretch();
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(ListBox1, 1);
  layout->addLayout(right);
  resize(420, 260);

  connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { ListBox1Click(); });
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { ListBox1DblClick(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
  connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
  connect(BitBtn6, &QPushButton::clicked, this, [this] { BitBtn6Click(); });
  connect(BitBtn4, &QPushButton::clicked, this, &QDialog::reject);
}

QString TFormPhoneBook::Name() const { return Edit1->text(); }

QString TFormPhoneBook::Number() const { return Edit2->text(); }

void TFormPhoneBook::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // the window coming back from being minimised
  CentreOnParent();
  LoadBook();
}

void TFormPhoneBook::CentreOnParent() {
  const QWidget* parent = parentWidget();
  if (!parent) return;
  const QWidget* window = parent->window();
  move(window->geometry().center() - QPoint(width() / 2, height() / 2));
}

void TFormPhoneBook::LoadBook() {
  bool loaded = true;
  try {
    book_.Load();
  } catch (const PhoneBookError& e) {
    loaded = false;
    notice_.ShowError(this, QString::fromUtf8(e.what()));
  }
  ShowBook(-1);
  if (loaded && !book_.Consistent()) notice_.ShowInfo(this, kInconsistent);
  ListBox1Click();
}

void TFormPhoneBook::ShowBook(int row) {
  const QSignalBlocker blocker(ListBox1);
  ListBox1->clear();
  ListBox1->addItems(book_.Names());
  ListBox1->setCurrentRow(row);
}

template <typename Change>
PhoneBookOutcome TFormPhoneBook::Apply(Change change) {
  PhoneBookOutcome outcome;
  try {
    outcome = change();
  } catch (const PhoneBookError& e) {
    notice_.ShowError(this, QString::fromUtf8(e.what()));
    return PhoneBookOutcome::NothingToDo;
  }
  if (outcome == PhoneBookOutcome::Inconsistent) notice_.ShowInfo(this, kInconsistent);
  if (outcome == PhoneBookOutcome::Duplicate) notice_.ShowInfo(this, kExists);
  return outcome;
}

void TFormPhoneBook::ListBox1Click() {
  const int row = ListBox1->currentRow();
  if (row < 0) {
    Edit1->clear();
    Edit2->clear();
  } else if (!book_.Consistent()) {
    notice_.ShowInfo(this, kInconsistent);
  } else {
    Edit1->setText(book_.Names().at(row));
    Edit2->setText(book_.Numbers().at(row));
  }
}

void TFormPhoneBook::ListBox1DblClick() {
  ListBox1Click();
  accept();
}

void TFormPhoneBook::BitBtn1Click() {
  if (!book_.Consistent()) {
    notice_.ShowInfo(this, kInconsistent);
    return;
  }
  Edit1->setText(PhoneBook::Trimmed(Edit1->text()));
  if (Apply([&] { return book_.Add(Edit1->text(), Edit2->text()); }) != PhoneBookOutcome::Done) return;
  Edit1->clear();
  Edit2->clear();
  ShowBook(ListBox1->currentRow());
}

void TFormPhoneBook::BitBtn2Click() {
  const int row = ListBox1->currentRow();
  if (row < 0) return;
  if (!book_.Consistent()) {
    notice_.ShowInfo(this, kInconsistent);
    return;
  }
  if (!notice_.Confirm(this, kReallyDelete)) return;
  if (Apply([&] { return book_.Remove(row); }) == PhoneBookOutcome::Done) ShowBook(-1);
}

void TFormPhoneBook::BitBtn3Click() {
  const int row = ListBox1->currentRow();
  if (Apply([&] { return book_.Change(row, Edit1->text(), Edit2->text()); }) == PhoneBookOutcome::Done)
    ShowBook(row);
}

void TFormPhoneBook::BitBtn5Click() {
  const int row = ListBox1->currentRow();
  if (row <= 0) return;
  if (Apply([&] { return book_.MoveUp(row); }) == PhoneBookOutcome::Done) ShowBook(row - 1);
}

void TFormPhoneBook::BitBtn6Click() {
  const int row = ListBox1->currentRow();
  if (row < 0 || row + 1 >= ListBox1->count()) return;
  if (Apply([&] { return book_.MoveDown(row); }) == PhoneBookOutcome::Done) ShowBook(row + 1);
}

}  // namespace telvane
