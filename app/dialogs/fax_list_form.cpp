#include "app/dialogs/fax_list_form.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace telvane {
namespace {

const char* const kCaption = "添加--修改--删除--传真文件";
const char* const kFaxFilter = "传真文件(*.Apf)|*.Apf|所有文件(*.*)|*.*";
const char* const kFaxSuffix = "*.Apf";
const char* const kCoverFilter = "覆盖页(*.txt)|*.txt|所有文件(*.*)|*.*";
const char* const kCoverSuffix = "*.txt";
constexpr int kBoxWidth = 320;

QLineEdit* Box(const char* name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setMinimumWidth(kBoxWidth);
  return box;
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TFaxListForm::TFaxListForm(QString programDir, QWidget* parent)
    : QDialog(parent), programDir_(std::move(programDir)) {
  setObjectName(QStringLiteral("FaxListForm"));
  setWindowTitle(QString::fromUtf8(kCaption));
  chooseFile = [this](const FileDialogRequest& request) { return ChooseFileWithDialog(this, request); };

  flPhoneNumber = Box("flPhoneNumber", this);
  flFileName = Box("flFileName", this);
  flCover = Box("flCover", this);
  SpeedButton1 = Button("SpeedButton1", QStringLiteral("电话簿"), this);
  SpeedButton2 = Button("SpeedButton2", QStringLiteral("浏览"), this);
  SpeedButton3 = Button("SpeedButton3", QStringLiteral("浏览"), this);
  Button1 = Button("Button1", QStringLiteral("添加"), this);
  Button1->setDefault(true);
  Button2 = Button("Button2", QStringLiteral("取消"), this);

  auto* grid = new QGridLayout;
  const std::pair<const char*, std::pair<QLineEdit*, QPushButton*>> rows[] = {
      {"电话号码", {flPhoneNumber, SpeedButton1}},
      {"传真文件名", {flFileName, SpeedButton2}},
      {"覆盖的文件名", {flCover, SpeedButton3}},
  };
  int row = 0;
  for (const auto& [label, controls] : rows) {
    auto* text = new QLabel(QString::fromUtf8(label), this);
    text->setBuddy(controls.first);
    grid->addWidget(text, row, 0);
    grid->addWidget(controls.first, row, 1);
    grid->addWidget(controls.second, row, 2);
    ++row;
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(6);
  layout->addLayout(buttons);
  // A fixed border: the dialog keeps the size of its contents.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(SpeedButton2, &QPushButton::clicked, this, [this] { Browse(flFileName, FaxFileRequest()); });
  connect(SpeedButton3, &QPushButton::clicked, this, [this] { Browse(flCover, CoverFileRequest()); });
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

QString TFaxListForm::PhoneNumber() const { return flPhoneNumber->text(); }
void TFaxListForm::SetPhoneNumber(const QString& text) { flPhoneNumber->setText(text); }
QString TFaxListForm::FileName() const { return flFileName->text(); }
void TFaxListForm::SetFileName(const QString& text) { flFileName->setText(text); }
QString TFaxListForm::CoverName() const { return flCover->text(); }
void TFaxListForm::SetCoverName(const QString& text) { flCover->setText(text); }
void TFaxListForm::SetOkCaption(const QString& caption) { Button1->setText(caption); }

FileDialogRequest TFaxListForm::FaxFileRequest() const {
  return {QStringLiteral("选择传真文件"), programDir_, SuffixFromPattern(QString::fromLatin1(kFaxSuffix)),
          NameFiltersFromPairs(QString::fromUtf8(kFaxFilter))};
}

FileDialogRequest TFaxListForm::CoverFileRequest() const {
  return {QStringLiteral("选择覆盖页文件"), programDir_, SuffixFromPattern(QString::fromLatin1(kCoverSuffix)),
          NameFiltersFromPairs(QString::fromUtf8(kCoverFilter))};
}

void TFaxListForm::SpeedButton1Click() {
  if (!choosePhoneBookEntry) return;
  QString name, number;
  if (choosePhoneBookEntry(name, number) && !number.isEmpty()) flPhoneNumber->setText(number);
}

void TFaxListForm::Browse(QLineEdit* box, const FileDialogRequest& request) {
  if (!chooseFile) return;
  const QString file = chooseFile(request);
  if (!file.isEmpty()) box->setText(file);
}

void TFaxListForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  flPhoneNumber->setFocus();
}

}  // namespace telvane
