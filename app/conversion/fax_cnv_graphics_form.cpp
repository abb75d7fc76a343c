#include "app/conversion/fax_cnv_graphics_form.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QVBoxLayout>
#include <ctime>

#include "app/background/document_jobs.h"
#include "base/error_codes.h"
#include "base/exceptions.h"

namespace telvane {
namespace {

const char* const kApfFilter = "Apf传真文件(*.APF)|*.APF";
const char* const kImageFilter = "图像文件 (*.BMP)|*.BMP|(*.DCX)|*.DCX|(*.PCX)|*.PCX|(*.Tif)|*.TIF";
constexpr int kOneImage = 0, kImagePerPage = 1;
// More pages than this in one image make a picture too large to be useful.
constexpr int kMaxPagesInOneImage = 10;

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString Text(const std::string& path) { return QFile::decodeName(path.c_str()); }

std::tm TmOf(const QDateTime& t) {
  std::tm tm{};
  tm.tm_year = t.date().year() - 1900;
  tm.tm_mon = t.date().month() - 1;
  tm.tm_mday = t.date().day();
  tm.tm_hour = t.time().hour();
  tm.tm_min = t.time().minute();
  tm.tm_sec = t.time().second();
  return tm;
}

// `file` with its extension (from the last "." of its name) replaced.
QString WithExtension(const QString& file, const QString& extension) {
  const QString name = QFileInfo(file).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return file.left(file.size() - name.size()) + (dot < 0 ? name : name.left(dot)) + extension;
}

QString Extension(const QString& file) {
  const QString name = QFileInfo(file).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot);
}

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

ScaleFactor ScaleFactorOfItem(int i) {
  return {i >= 5 ? 1u << (i - 4) : 1u, i >= 0 && i <= 3 ? 1u << (4 - i) : 1u};
}

TFaxCnvGraphicsForm::TFaxCnvGraphicsForm(IUserNotice& notice, QWidget* parent) : QDialog(parent), notice_(notice) {
  setObjectName(QStringLiteral("FaxCnvGraphicsForm"));
  setWindowTitle(QStringLiteral("传真文件转换为图片"));
  chooseFile = [this](const FileDialogRequest& request) { return ChooseFileWithDialog(this, request); };
  now = [] { return QDateTime::currentDateTime(); };
  yield = [] { QCoreApplication::processEvents(); };
  BuildControls();

  ApdFaxUnpacker1.AutoScaleMode = asDoubleHeight;
  ApdFaxUnpacker1.OnStatus = [this](TApdCustomFaxUnpacker&, const std::string&, unsigned pageNum, uint64_t unpacked,
                                    uint64_t toUnpack) { Status(pageNum, unpacked, toUnpack); };
  ApdFaxUnpacker1.Yield = [this] {
    if (yield) yield();
    return 0;
  };

  connect(btnBrowseInFile, &QPushButton::clicked, this, [this] { btnBrowseInFileClick(); });
  connect(edtFileName, &QLineEdit::textChanged, this, [this] { InputOrTypeChanged(); });
  connect(ComboType, &QComboBox::currentIndexChanged, this, [this] { InputOrTypeChanged(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(btnConvert, &QPushButton::clicked, this, [this] { btnConvertClick(); });
  connect(btnOK, &QPushButton::clicked, this, &QDialog::reject);
}

void TFaxCnvGraphicsForm::BuildControls() {
  edtFileName = Named(new QLineEdit, "edtFileName");
  edtFileName->setMinimumWidth(320);
  btnBrowseInFile = Named(new QPushButton(QStringLiteral("浏览...")), "btnBrowseInFile");
  edtOutFileName = Named(new QLineEdit, "edtOutFileName");
  Button2 = Named(new QPushButton(QStringLiteral("浏览...")), "Button2");
  ComboType = Named(new QComboBox, "ComboType");
  ComboType->addItems({QStringLiteral("BMP"), QStringLiteral("DCX"), QStringLiteral("PCX"), QStringLiteral("TIF")});
  Edit1 = Named(new QLineEdit(QStringLiteral("0")), "Edit1");
  Edit1->setReadOnly(true);
  Edit1->setMaximumWidth(60);
  QPalette green = Edit1->palette();
  green.setColor(QPalette::Base, Qt::green);
  green.setColor(QPalette::Text, Qt::black);
  Edit1->setPalette(green);
  const QStringList scales = {QStringLiteral("1/16"), QStringLiteral("1/8"), QStringLiteral("1/4"), QStringLiteral("1/2"),
                              QStringLiteral("1"),    QStringLiteral("2"),   QStringLiteral("3"),   QStringLiteral("4")};
  ComboBox1 = Named(new QComboBox, "ComboBox1");
  ComboBox2 = Named(new QComboBox, "ComboBox2");
  for (QComboBox* box : {ComboBox1, ComboBox2}) {
    box->addItems(scales);
    box->setCurrentIndex(4);
  }
  auto* pagesBox = Named(new QGroupBox, "RadioGroup1");
  RadioGroup1 = new QButtonGroup(pagesBox);
  auto* pagesLayout = new QVBoxLayout(pagesBox);
  const QString pageItems[] = {QStringLiteral("解压在同一页中"), QStringLiteral("页数不变")};
  for (int i = 0; i < 2; ++i) {
    auto* button = new QRadioButton(pageItems[i], pagesBox);
    RadioGroup1->addButton(button, i);
    pagesLayout->addWidget(button);
  }
  RadioGroup1->button(kOneImage)->setChecked(true);
  btnConvert = Named(new QPushButton(QStringLiteral("转换&C")), "btnConvert");
  btnConvert->setEnabled(false);
  btnOK = Named(new QPushButton(QStringLiteral("退出")), "btnOK");
  for (QPushButton* b : {btnBrowseInFile, Button2, btnConvert, btnOK}) b->setAutoDefault(false);
  Meter = Named(new QProgressBar, "Meter");
  Meter->setRange(0, 100);
  Meter->setValue(0);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("传真文件")), 0, 0);
  grid->addWidget(edtFileName, 0, 1, 1, 3);
  grid->addWidget(btnBrowseInFile, 0, 4);
  grid->addWidget(new QLabel(QStringLiteral("转换为")), 1, 0);
  grid->addWidget(edtOutFileName, 1, 1, 1, 3);
  grid->addWidget(Button2, 1, 4);
  grid->addWidget(new QLabel(QStringLiteral("图像类型")), 2, 0);
  grid->addWidget(ComboType, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("总页数")), 2, 2);
  grid->addWidget(Edit1, 2, 3);
  grid->addWidget(new QLabel(QStringLiteral("水平放大")), 3, 0);
  grid->addWidget(ComboBox1, 3, 1);
  grid->addWidget(new QLabel(QStringLiteral("垂直放大")), 3, 2);
  grid->addWidget(ComboBox2, 3, 3);
  grid->addWidget(pagesBox, 4, 0, 1, 5);

  // The meter stands left of the convert button.
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Meter, 1);
  buttons->addWidget(btnConvert);
  buttons->addWidget(btnOK);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

FileDialogRequest TFaxCnvGraphicsForm::InputFileRequest() const {
  return {QStringLiteral("浏览要转换的文件"), lastInDir_, QStringLiteral("APF"),
          NameFiltersFromPairs(QString::fromUtf8(kApfFilter))};
}

FileDialogRequest TFaxCnvGraphicsForm::OutputFileRequest() const {
  FileDialogRequest request{QStringLiteral("输出文件"), lastOutDir_, QString(),
                            NameFiltersFromPairs(QString::fromUtf8(kImageFilter))};
  request.newFileAllowed = true;
  return request;
}

void TFaxCnvGraphicsForm::InputOrTypeChanged() {
  const QString input = edtFileName->text();
  edtOutFileName->setText(WithExtension(input, QLatin1Char('.') + ComboType->currentText()));
  ApdFaxUnpacker1.SetInFileName(Local(input));
  pageCount_ = ApdFaxUnpacker1.PageCountOf();
  Edit1->setText(QString::number(pageCount_));
  // A name typed in counts as much as one chosen in the dialog.
  if (!running_) btnConvert->setEnabled(QFileInfo(input).isFile());
}

void TFaxCnvGraphicsForm::btnBrowseInFileClick() {
  const QString file = chooseFile ? chooseFile(InputFileRequest()) : QString();
  if (file.isEmpty()) return;
  edtFileName->setText(file);
  btnConvert->setEnabled(QFileInfo(file).isFile());
  lastInDir_ = QFileInfo(file).absolutePath();
}

void TFaxCnvGraphicsForm::Button2Click() {
  const QString file = chooseFile ? chooseFile(OutputFileRequest()) : QString();
  if (file.isEmpty()) return;
  // The type's extension is added unless the name has it already.
  const QString extension = QLatin1Char('.') + ComboType->currentText();
  edtOutFileName->setText(file.endsWith(extension, Qt::CaseInsensitive) ? file : file + extension);
  lastOutDir_ = QFileInfo(file).absolutePath();
}

void TFaxCnvGraphicsForm::Status(unsigned pageNum, uint64_t unpacked, uint64_t toUnpack) {
  if (RadioGroup1->checkedId() == kImagePerPage) {
    if (pageCount_ != 0) Meter->setValue(static_cast<int>(pageNum * 100 / pageCount_));
  } else if (toUnpack != 0) {
    Meter->setValue(static_cast<int>(unpacked * 100 / toUnpack));
  }
}

void TFaxCnvGraphicsForm::btnConvertClick() {
  if (running_) return;
  if (Edit1->text().toInt() > kMaxPagesInOneImage && RadioGroup1->checkedId() == kOneImage &&
      !notice_.AskOkCancel(this, QStringLiteral("警告"), QStringLiteral("解压到同一页的BMP图像太大，请选择页数不变选项")))
    return;
  const ScaleFactor horizontal = ScaleFactorOfItem(ComboBox1->currentIndex());
  const ScaleFactor vertical = ScaleFactorOfItem(ComboBox2->currentIndex());
  ApdFaxUnpacker1.SetHorizMult(horizontal.mult);
  ApdFaxUnpacker1.SetHorizDiv(horizontal.div);
  ApdFaxUnpacker1.SetVertMult(vertical.mult);
  ApdFaxUnpacker1.SetVertDiv(vertical.div);
  ApdFaxUnpacker1.Scaling = true;
  Unpack(QString::fromStdString(DateTimeName(TmOf(now()))));
}

void TFaxCnvGraphicsForm::Unpack(const QString& timeStamp) {
  const QString input = edtFileName->text();
  const QString output = edtOutFileName->text();
  if (Extension(input).compare(QLatin1String(".APF"), Qt::CaseInsensitive) != 0) return;
  if (QFileInfo::exists(output) && !notice_.AskOkCancel(this, QString(), QStringLiteral("是否覆盖已存在的文件！")))
    return;
  const QString folder = QFileInfo(output).path() + QLatin1Char('/');
  if (!QFileInfo(input).isFile()) {
    notice_.ShowError(this, QString::fromUtf8(ErrorText(ecFileNotFound)));
    return;
  }
  ApdFaxUnpacker1.SetInFileName(Local(input));
  pageCount_ = ApdFaxUnpacker1.PageCountOf();
  btnConvert->setEnabled(false);
  running_ = true;
  const auto finish = qScopeGuard([this] {
    // Also after an error: the window stays usable.
    running_ = false;
    btnConvert->setEnabled(true);
  });
  const int type = ComboType->currentIndex();
  const QString extension = QLatin1Char('.') + ComboType->currentText();
  int code = 0;
  if (RadioGroup1->checkedId() == kImagePerPage) {
    const QString name = QFileInfo(output).fileName();
    const QString base = Extension(output).compare(extension, Qt::CaseInsensitive) == 0
                             ? folder + name.left(name.indexOf(QLatin1Char('.')))
                             : folder + timeStamp;
    try {
      UnpackEachPage(ApdFaxUnpacker1, Local(base), type);
    } catch (const EAPDException& e) {
      code = e.ErrorCode();
    }
  } else {
    code = UnpackFaxFile(ApdFaxUnpacker1, Local(input), Local(output), type);
  }
  if (code != 0) {
    // Images written for earlier pages stay.
    notice_.ShowError(this, QString::fromUtf8(ErrorText(code)));
    return;
  }
  edtOutFileName->setText(Text(ApdFaxUnpacker1.OutFileName));
  notice_.ShowInfo(this, QStringLiteral("转换成功！"));
}

}  // namespace telvane
