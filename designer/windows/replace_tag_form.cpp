// The tag dialog's controls over the tag rules.
#include "designer/windows/replace_tag_form.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "designer/fax_panel.h"

namespace telvane {
namespace {

// Four optional digit places, blanks shown as spaces: the page number and
// page count edits.
constexpr char kNumberMask[] = "0000; ";

QLineEdit* AddEdit(QFormLayout* form, const QString& objectName, const QString& label, int maxLength) {
  auto* edit = new QLineEdit;
  edit->setObjectName(objectName);
  if (maxLength > 0) edit->setMaxLength(maxLength);
  auto* caption = new QLabel(label);
  caption->setObjectName(objectName + QStringLiteral("Label"));
  caption->setBuddy(edit);
  form->addRow(caption, edit);
  return edit;
}

QGroupBox* AddGroup(QVBoxLayout* column, const QString& objectName, const QString& title) {
  auto* group = new QGroupBox(title);
  group->setObjectName(objectName);
  column->addWidget(group);
  return group;
}

QFormLayout* FormOf(QGroupBox* group) {
  auto* form = new QFormLayout(group);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  return form;
}

}  // namespace

TReplaceTagForm::TReplaceTagForm(const TFaxPanel& page, IUserNotice& notice, QWidget* parent)
    : QDialog(parent), notice_(notice) {
  setObjectName(QStringLiteral("ReplaceTagForm"));
  setWindowTitle(QStringLiteral("代替标志"));
  auto* column = new QVBoxLayout(this);

  AddressGroup = AddGroup(column, QStringLiteral("AddressGroup"), QStringLiteral("定址&A"));
  QFormLayout* address = FormOf(AddressGroup);
  SenderEdit = AddEdit(address, QStringLiteral("SenderEdit"), QStringLiteral("$F-发送者"),
                       ReplaceTagRules::kSenderMaxLength);
  RecipientEdit = AddEdit(address, QStringLiteral("RecipientEdit"), QStringLiteral("$R-接收者"),
                          ReplaceTagRules::kRecipientMaxLength);

  MiscGroup = AddGroup(column, QStringLiteral("MiscGroup"), QStringLiteral("多方面&M"));
  QFormLayout* misc = FormOf(MiscGroup);
  PageTitleEdit = AddEdit(misc, QStringLiteral("PageTitleEdit"), QStringLiteral("$S-页标题"),
                          ReplaceTagRules::kPageTitleMaxLength);
  StationIDEdit = AddEdit(misc, QStringLiteral("StationIDEdit"), QStringLiteral("$I-工作站ID"),
                          ReplaceTagRules::kStationIdMaxLength);

  PagesGroup = AddGroup(column, QStringLiteral("PagesGroup"), QStringLiteral("页数&N"));
  QFormLayout* pages = FormOf(PagesGroup);
  PageNumberEdit = AddEdit(pages, QStringLiteral("PageNumberEdit"), QStringLiteral("$P-页码"), 0);
  PageCountEdit = AddEdit(pages, QStringLiteral("PageCountEdit"), QStringLiteral("$N-页数"), 0);
  for (QLineEdit* number : {PageNumberEdit, PageCountEdit}) {
    number->setInputMask(QString::fromLatin1(kNumberMask));
    // Wide enough for the four digits and no wider.
    number->setMaximumWidth(number->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
  }

  // One label column across the groups, so that the edits line up.
  int labelWidth = 0;
  const QList<QLabel*> labels = findChildren<QLabel*>();
  for (QLabel* label : labels) labelWidth = std::max(labelWidth, label->sizeHint().width());
  for (QLabel* label : labels) label->setMinimumWidth(labelWidth);

  OtherGroup = AddGroup(column, QStringLiteral("OtherGroup"), QStringLiteral("其它"));
  auto* other = new QVBoxLayout(OtherGroup);
  DateTagLabel = new QLabel(QStringLiteral("$D标志将用当前日期代替"));
  DateTagLabel->setObjectName(QStringLiteral("DateTagLabel"));
  TimeTagLabel = new QLabel(QStringLiteral("$T标志将用当前时间代替"));
  TimeTagLabel->setObjectName(QStringLiteral("TimeTagLabel"));
  other->addWidget(DateTagLabel);
  other->addWidget(TimeTagLabel);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  OKBtn = new QPushButton(QStringLiteral("确定"));
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("取消"));
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  column->addLayout(buttons);
  connect(OKBtn, &QPushButton::clicked, this, &TReplaceTagForm::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  const ReplaceTagRules shown = ReplaceTagRules::FromPage(page);
  SenderEdit->setText(shown.Sender());
  RecipientEdit->setText(shown.Recipient());
  PageTitleEdit->setText(shown.PageTitle());
  StationIDEdit->setText(shown.StationID());
  PageNumberEdit->setText(shown.PageNumberText());
  PageCountEdit->setText(shown.PageCountText());
  setMinimumWidth(360);
}

ReplaceTagRules TReplaceTagForm::Rules() const {
  ReplaceTagRules rules;
  rules.SetSender(SenderEdit->text());
  rules.SetRecipient(RecipientEdit->text());
  rules.SetPageTitle(PageTitleEdit->text());
  rules.SetStationID(StationIDEdit->text());
  rules.SetPageNumberText(PageNumberEdit->text());
  rules.SetPageCountText(PageCountEdit->text());
  return rules;
}

bool TReplaceTagForm::ApplyTo(TFaxPanel& page) const { return Rules().ApplyTo(page); }

void TReplaceTagForm::showEvent(QShowEvent* event) {
  // The dialog sits in the middle of the screen, not of its owner.
  QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
  if (screen) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  QDialog::showEvent(event);
}

void TReplaceTagForm::OKBtnClick() {
  const ReplaceTagRules::Check check = Rules().Validate();
  if (check.Ok()) {
    accept();
    return;
  }
  notice_.ShowError(this, check.Message);
  QLineEdit* offending = check.Offending == ReplaceTagRules::Control::PageNumberEdit ? PageNumberEdit : PageCountEdit;
  offending->setFocus();
  offending->selectAll();
}

bool EditTagValues(TFaxPanel& page, IUserNotice& notice, const std::function<int(QDialog&)>& run, QWidget* parent) {
  TReplaceTagForm form(page, notice, parent);
  if (run(form) != QDialog::Accepted) return false;
  return form.ApplyTo(page);
}

}  // namespace telvane
