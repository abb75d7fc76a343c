// The page options dialog.
#include "designer/ui/page_options_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "designer/fcp_units.h"
#include "viewer/user_notice.h"

namespace telvane {
namespace {

// The paper's dimensions are shown in the usual float text form: up to 15
// significant digits, so that 210 mm computed from inches shows as 210.
QString FloatText(double value) { return QString::number(value, 'g', 15); }

bool PositiveSpacing(int v) { return v > 0; }
bool SpacingOfOneOrMore(int v) { return v >= 1; }

}  // namespace

TPageOptionsForm::TPageOptionsForm(IUserNotice& notice, QWidget* parent) : QDialog(parent), notice_(notice) {
  setObjectName(QStringLiteral("PageOptionsForm"));
  setWindowTitle(QStringLiteral("页层"));

  measurement_ = new QGroupBox(QStringLiteral("系统度量"), this);
  measurement_->setObjectName(QStringLiteral("MeasurementRadioGroup"));
  inches_ = new QRadioButton(QStringLiteral("英寸"), measurement_);
  inches_->setObjectName(QStringLiteral("InchesRadio"));
  millimetres_ = new QRadioButton(QStringLiteral("毫米"), measurement_);
  millimetres_->setObjectName(QStringLiteral("MillimetresRadio"));
  unitGroup_ = new QButtonGroup(this);
  unitGroup_->addButton(inches_, 0);
  unitGroup_->addButton(millimetres_, 1);
  inches_->setChecked(true);
  auto* unitLayout = new QVBoxLayout(measurement_);
  unitLayout->addWidget(inches_);
  unitLayout->addWidget(millimetres_);

  auto* pageBox = new QGroupBox(QStringLiteral("页大小"), this);
  pageBox->setObjectName(QStringLiteral("PageSizeGroup"));
  pageSize_ = new QComboBox(pageBox);
  pageSize_->setObjectName(QStringLiteral("PageSizeComboBox"));
  for (const PaperSize& paper : kPaperSizes) pageSize_->addItem(QString::fromLatin1(paper.Name));
  widthLabel_ = new QLabel(pageBox);
  widthLabel_->setObjectName(QStringLiteral("PageWidthLbl"));
  widthEdit_ = new QLineEdit(pageBox);
  widthEdit_->setObjectName(QStringLiteral("PageWidthEdit"));
  widthEdit_->setMaxLength(5);
  widthEdit_->setReadOnly(true);
  heightLabel_ = new QLabel(pageBox);
  heightLabel_->setObjectName(QStringLiteral("PageHeightLbl"));
  heightEdit_ = new QLineEdit(pageBox);
  heightEdit_->setObjectName(QStringLiteral("PageHeightEdit"));
  heightEdit_->setMaxLength(4);
  heightEdit_->setReadOnly(true);
  auto* pageLayout = new QFormLayout(pageBox);
  pageLayout->addRow(pageSize_);
  pageLayout->addRow(widthLabel_, widthEdit_);
  pageLayout->addRow(heightLabel_, heightEdit_);

  auto* gridBox = new QGroupBox(QStringLiteral("网格选项"), this);
  gridBox->setObjectName(QStringLiteral("GridOptionsGroup"));
  showGrid_ = new QCheckBox(QStringLiteral("显示网格"), gridBox);
  showGrid_->setObjectName(QStringLiteral("ShowGridCheckBox"));
  snapToGrid_ = new QCheckBox(QStringLiteral("对齐格线"), gridBox);
  snapToGrid_->setObjectName(QStringLiteral("SnapToGridCheckBox"));
  horzSpacing_ = new QLineEdit(gridBox);
  horzSpacing_->setObjectName(QStringLiteral("HorzGridSpacingEdit"));
  vertSpacing_ = new QLineEdit(gridBox);
  vertSpacing_->setObjectName(QStringLiteral("VertGridSpacingEdit"));
  for (QLineEdit* edit : {horzSpacing_, vertSpacing_}) {
    edit->setMaxLength(2);
    edit->setMaximumWidth(40);
  }
  auto* gridLayout = new QFormLayout(gridBox);
  gridLayout->addRow(showGrid_);
  gridLayout->addRow(snapToGrid_);
  gridLayout->addRow(QStringLiteral("水平的网络空格"), horzSpacing_);
  gridLayout->addRow(QStringLiteral("垂直的网络空格"), vertSpacing_);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OkButton"));
  ok->setDefault(true);
  QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TPageOptionsForm::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TPageOptionsForm::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(measurement_);
  top->addWidget(pageBox);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(gridBox);
  layout->addWidget(buttons);

  connect(unitGroup_, &QButtonGroup::idClicked, this, [this] {
    ShowPaper();
    MarkChanged();
  });
  connect(pageSize_, &QComboBox::currentIndexChanged, this, [this] {
    ShowPaper();
    MarkChanged();
  });
  connect(showGrid_, &QCheckBox::toggled, this, &TPageOptionsForm::MarkChanged);
  connect(snapToGrid_, &QCheckBox::toggled, this, &TPageOptionsForm::MarkChanged);
  connect(horzSpacing_, &QLineEdit::textEdited, this, &TPageOptionsForm::MarkChanged);
  connect(vertSpacing_, &QLineEdit::textEdited, this, &TPageOptionsForm::MarkChanged);
  ShowPaper();
}

void TPageOptionsForm::ShowPaper() {
  const bool mm = unitGroup_->checkedId() == 1;
  widthLabel_->setText(mm ? QStringLiteral("宽度(毫米)") : QStringLiteral("宽度(英寸)"));
  heightLabel_->setText(mm ? QStringLiteral("高度(毫米)") : QStringLiteral("高度(英寸)"));
  const int index = pageSize_->currentIndex();
  if (index < 0 || index >= static_cast<int>(kPaperSizes.size())) {
    widthEdit_->clear();
    heightEdit_->clear();
    return;
  }
  const PaperSize& paper = kPaperSizes[index];
  widthEdit_->setText(FloatText(mm ? InchesToMillimetres(paper.Width) : paper.Width));
  heightEdit_->setText(FloatText(mm ? InchesToMillimetres(paper.Height) : paper.Height));
}

void TPageOptionsForm::SetOptions(const PageOptions& o) {
  horzSpacing_->setText(QString::number(o.HorzSpacing));
  vertSpacing_->setText(QString::number(o.VertSpacing));
  snapToGrid_->setChecked(o.SnapToGrid);
  showGrid_->setChecked(o.ShowGrid);
  (o.Unit == 1 ? millimetres_ : inches_)->setChecked(true);
  // An index a design file could hold beyond the table selects nothing.
  pageSize_->setCurrentIndex(o.PaperSize < pageSize_->count() ? o.PaperSize : -1);
  ShowPaper();
  changed_ = false;
}

PageOptions TPageOptionsForm::Options() const {
  PageOptions o;
  o.Unit = unitGroup_->checkedId() == 1 ? 1 : 0;
  o.PaperSize = pageSize_->currentIndex();
  o.ShowGrid = showGrid_->isChecked();
  o.SnapToGrid = snapToGrid_->isChecked();
  o.HorzSpacing = horzSpacing_->text().trimmed().toInt();
  o.VertSpacing = vertSpacing_->text().trimmed().toInt();
  return o;
}

void TPageOptionsForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  changed_ = false;
}

bool TPageOptionsForm::CheckSpacing(QLineEdit* edit, bool (*ok)(int), const QString& message) {
  bool number = false;
  const int value = edit->text().trimmed().toInt(&number, 10);
  if (number && ok(value)) return true;
  notice_.ShowError(this, message);
  edit->setFocus();
  edit->selectAll();
  return false;
}

void TPageOptionsForm::accept() {
  if (!CheckSpacing(horzSpacing_, PositiveSpacing, QStringLiteral("Invalid horizontal grid spacing entered."))) return;
  if (!CheckSpacing(vertSpacing_, SpacingOfOneOrMore, QStringLiteral("Invalid vertical grid spacing entered."))) return;
  QDialog::accept();
}

void TPageOptionsForm::reject() {
  if (changed_ && !notice_.Confirm(this, QStringLiteral("取消更改吗?"))) return;
  QDialog::reject();
}

}  // namespace telvane
