#include "app/conversion/fax_conversion_form.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "app/conversion/image_copies.h"
#include "faxdoc/image_preparation.h"
#include "faxdoc/prepared_conversion.h"
#include "app/conversion/text_wrap.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "designer/cover_generator.h"

namespace telvane {
namespace {

const QString kConvert = QStringLiteral("转换");
const QString kCancel = QStringLiteral("取消");
const char* const kDocumentFilter =
    "提供的类型(*.txt;*.tif;*.pcx;*.dcx;*.bmp;*.fcp;*.jpg;*.jpeg)|*.txt;*.tif;*.pcx;*.dcx;*.bmp;*.fcp;*.jpg;*.jpeg|"
    "文本文件(*.txt)|*.txt|TIFF 文件(*.tif)|*.tif|PCX 文件 (*.pcx)|*.pcx|DCX 文件 (*.dcx)|*.dcx|"
    "Bitmap 文件 (*.bmp)|*.bmp|(*.jpg)|*.jpg|(*.jpeg)|*.jpg|(*.fcp)|*.fcp|全部文件 (*.*)|*.*";
const char* const kFaxFilter = "传真文件 (*.apf)|*.apf|All files (*.*)|*.*";

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString Text(const std::string& path) { return QFile::decodeName(path.c_str()); }

QString LowerSuffix(const QString& file) {
  const QString name = QFileInfo(file).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot).toLower();
}

// "name.txt" -> "name.apf"; a name without an extension gets one.
QString WithApfExtension(const QString& file) {
  const QFileInfo info(file);
  const QString name = info.fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString base = dot < 0 ? name : name.left(dot);
  const QString folder = file.left(file.size() - name.size());
  return folder + base + QStringLiteral(".apf");
}

QLineEdit* NumberEdit(const char* name) {
  auto* edit = new QLineEdit;
  edit->setObjectName(QString::fromLatin1(name));
  edit->setInputMask(QStringLiteral("0000"));  // up to four digits
  edit->setMaximumWidth(60);
  return edit;
}

QButtonGroup* Choices(QWidget* parent, const char* name, const QString& title, const QStringList& items,
                      QGroupBox*& box, bool vertical = true) {
  box = new QGroupBox(title, parent);
  box->setObjectName(QString::fromLatin1(name));
  auto* group = new QButtonGroup(box);
  group->setObjectName(QString::fromLatin1(name));
  QBoxLayout* layout = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(box)) : new QHBoxLayout(box);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], box);
    group->addButton(button, i);
    layout->addWidget(button);
  }
  return group;
}

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

TFaxConversionForm::TFaxConversionForm(QString iniFile, QString programDir, IUserNotice& notice, QWidget* parent)
    : QDialog(parent), iniFile_(std::move(iniFile)), programDir_(std::move(programDir)), notice_(notice) {
  setObjectName(QStringLiteral("FaxConversionForm"));
  setWindowTitle(QStringLiteral("传真文件转换"));
  chooseFile = [this](const FileDialogRequest& request) { return ChooseFileWithDialog(this, request); };
  askFont = [this](const QFont& initial) -> std::optional<QFont> {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, this);
    if (!ok) return std::nullopt;
    return chosen;
  };
  yield = [] { QCoreApplication::processEvents(); };
  BuildControls();

  // The window's own font gives the font settings' defaults.
  FaxConvertSettings defaults;
  defaults.lastInDir = defaults.lastOutDir = programDir_;
  defaults.enhFontName = font().family();
  defaults.enhFontSize = font().pointSize() > 0 ? font().pointSize() : 9;
  ShowSettings(LoadConvertSettings(iniFile_, defaults));
  ConnectHandlers();

  ApdFaxConverter1.OnStatus = [this](TApdFaxConverter&, bool, bool, unsigned, unsigned, uint64_t converted,
                                     uint64_t total, bool& abort) { Status(converted, total, abort); };
  ApdFaxConverter1.Yield = [this] {
    if (yield) yield();
    return 0;
  };
}

void TFaxConversionForm::BuildControls() {
  edtFileName = Named(new QLineEdit, "edtFileName");
  edtFileName->setMinimumWidth(320);
  btnBrowseInFile = Named(new QPushButton(QStringLiteral("浏览...")), "btnBrowseInFile");
  edtOutFileName = Named(new QLineEdit, "edtOutFileName");
  Button2 = Named(new QPushButton(QStringLiteral("浏览...")), "Button2");
  cbxEnhTextEnabled = Named(new QCheckBox(QStringLiteral("使用Windows的字体")), "cbxEnhTextEnabled");
  btnEnhFont = Named(new QPushButton(QStringLiteral("字体")), "btnEnhFont");
  lblFontName = Named(new QLabel, "lblFontName");
  lblFontSize = Named(new QLabel, "lblFontSize");
  edtLeftMargin = NumberEdit("edtLeftMargin");
  edtTopMargin = NumberEdit("edtTopMargin");
  edtLinesPerPage = NumberEdit("edtLinesPerPage");
  edtTabStop = NumberEdit("edtTabStop");
  CheckBox1 = Named(new QCheckBox(QStringLiteral("文本自动换行")), "CheckBox1");
  cbxYield = Named(new QCheckBox(QStringLiteral("独占系统")), "cbxYield");
  cbxYieldOften = Named(new QCheckBox(QStringLiteral("部分独占")), "cbxYieldOften");
  cbxCenterImage = Named(new QCheckBox(QStringLiteral("图像居中")), "cbxCenterImage");
  btnConvert = Named(new QPushButton(QStringLiteral("转换&C")), "btnConvert");
  btnConvert->setEnabled(false);
  btnOK = Named(new QPushButton(QStringLiteral("退出")), "btnOK");
  for (QPushButton* b : {btnBrowseInFile, Button2, btnEnhFont, btnConvert, btnOK}) b->setAutoDefault(false);
  Meter = Named(new QProgressBar, "Meter");
  Meter->setRange(0, 100);
  Meter->setValue(0);

  QGroupBox* scaleBox = nullptr;
  QGroupBox* turnBox = nullptr;
  QGroupBox* resolutionBox = nullptr;
  QGroupBox* widthBox = nullptr;
  RadioGroup2 = Choices(this, "RadioGroup2", QString(),
                        {QStringLiteral("正常"), QStringLiteral("宽度加倍"), QStringLiteral("高度减半")}, scaleBox);
  RadioGroup1 = Choices(this, "RadioGroup1", QStringLiteral("压缩图片选项"),
                        {QStringLiteral("竖排"), QStringLiteral("横排")}, turnBox);
  rgpResolution = Choices(this, "rgpResolution", QStringLiteral("分辩率&R"),
                          {QStringLiteral("正常(200*100点/英寸)"), QStringLiteral("增高(200*200点/英寸)")},
                          resolutionBox);
  rgpWidth = Choices(this, "rgpWidth", QStringLiteral("页面宽度&W"), {QStringLiteral("正常"), QStringLiteral("加宽")},
                     widthBox);

  auto* files = new QGridLayout;
  files->addWidget(new QLabel(QStringLiteral("要转换的文件")), 0, 0);
  files->addWidget(edtFileName, 0, 1);
  files->addWidget(btnBrowseInFile, 0, 2);
  files->addWidget(new QLabel(QStringLiteral("转换为")), 1, 0);
  files->addWidget(edtOutFileName, 1, 1);
  files->addWidget(Button2, 1, 2);

  auto* text = new QGridLayout;
  text->addWidget(cbxEnhTextEnabled, 0, 0);
  text->addWidget(btnEnhFont, 0, 1);
  text->addWidget(lblFontName, 1, 0);
  text->addWidget(lblFontSize, 1, 1);
  const std::pair<const char*, QLineEdit*> numbers[] = {{"左页边距(象素)", edtLeftMargin},
                                                        {"上页边距(象素)", edtTopMargin},
                                                        {"每页行数", edtLinesPerPage},
                                                        {"Tab等效空格数", edtTabStop}};
  int row = 2;
  for (const auto& [label, edit] : numbers) {
    text->addWidget(new QLabel(QString::fromUtf8(label)), row, 0);
    text->addWidget(edit, row++, 1);
  }
  text->addWidget(new QLabel(QStringLiteral("(每行文字过多可能会出错)")), row++, 0, 1, 2);
  text->addWidget(CheckBox1, row, 0, 1, 2);

  auto* options = new QVBoxLayout;
  options->addWidget(scaleBox);
  options->addWidget(cbxYield);
  options->addWidget(cbxYieldOften);
  options->addWidget(cbxCenterImage);
  options->addWidget(turnBox);

  auto* pages = new QVBoxLayout;
  pages->addWidget(resolutionBox);
  pages->addWidget(widthBox);
  pages->addStretch();

  auto* middle = new QHBoxLayout;
  middle->addLayout(text);
  middle->addLayout(options);
  middle->addLayout(pages);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Meter, 1);
  buttons->addWidget(btnConvert);
  buttons->addWidget(btnOK);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(files);
  layout->addLayout(middle);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFaxConversionForm::ShowSettings(const FaxConvertSettings& s) {
  lastInDir_ = s.lastInDir;
  lastOutDir_ = s.lastOutDir;
  TApdFaxConverter& c = ApdFaxConverter1;
  c.EnhFont.Name = s.enhFontName.toStdString();
  c.EnhFont.SetSize(s.enhFontSize);
  c.LeftMargin = static_cast<unsigned>(s.leftMargin);
  c.TopMargin = static_cast<unsigned>(s.topMargin);
  c.LinesPerPage = static_cast<unsigned>(s.linesPerPage);
  c.TabStop = static_cast<unsigned>(s.tabStop);
  c.SetOptions(s.Options());
  c.Resolution = s.resolution == 1 ? frHigh : frNormal;
  c.Width = s.width == 1 ? fwWide : fwNormal;

  cbxEnhTextEnabled->setChecked(s.enhTextEnabled);
  btnEnhFont->setEnabled(s.enhTextEnabled);
  ShowFont();
  edtLeftMargin->setText(QString::number(c.LeftMargin));
  edtTopMargin->setText(QString::number(c.TopMargin));
  edtLinesPerPage->setText(QString::number(c.LinesPerPage));
  edtTabStop->setText(QString::number(c.TabStop));
  const FaxCvtOptions o = c.Options();
  RadioGroup2->button((o & coDoubleWidth) ? 1 : (o & coHalfHeight) ? 2 : 0)->setChecked(true);
  cbxYield->setChecked(o & coYield);
  cbxYieldOften->setChecked(o & coYieldOften);
  cbxCenterImage->setChecked(o & coCenterImage);
  RadioGroup1->button(0)->setChecked(true);
  rgpResolution->button(c.Resolution == frHigh ? 1 : 0)->setChecked(true);
  rgpWidth->button(c.Width == fwWide ? 1 : 0)->setChecked(true);
}

FaxConvertSettings TFaxConversionForm::CurrentSettings() const {
  const TApdFaxConverter& c = ApdFaxConverter1;
  FaxConvertSettings s;
  s.lastInDir = lastInDir_;
  s.lastOutDir = lastOutDir_;
  s.enhTextEnabled = cbxEnhTextEnabled->isChecked();
  s.enhFontName = QString::fromStdString(c.EnhFont.Name);
  s.enhFontSize = c.EnhFont.Size();
  s.leftMargin = static_cast<int>(c.LeftMargin);
  s.topMargin = static_cast<int>(c.TopMargin);
  s.linesPerPage = static_cast<int>(c.LinesPerPage);
  s.tabStop = static_cast<int>(c.TabStop);
  s.SetOptions(c.Options());
  s.resolution = c.Resolution == frHigh ? 1 : 0;
  s.width = c.Width == fwWide ? 1 : 0;
  return s;
}

QFont TFaxConversionForm::EnhancedFont() const {
  QFont font(QString::fromStdString(ApdFaxConverter1.EnhFont.Name));
  if (ApdFaxConverter1.EnhFont.Size() > 0) font.setPointSize(ApdFaxConverter1.EnhFont.Size());
  return font;
}

void TFaxConversionForm::ConnectHandlers() {
  connect(btnBrowseInFile, &QPushButton::clicked, this, [this] { btnBrowseInFileClick(); });
  connect(edtFileName, &QLineEdit::editingFinished, this, [this] { edtFileNameExit(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(btnEnhFont, &QPushButton::clicked, this, [this] { btnEnhFontClick(); });
  connect(cbxEnhTextEnabled, &QCheckBox::toggled, btnEnhFont, &QWidget::setEnabled);
  connect(cbxCenterImage, &QCheckBox::toggled, this, [this](bool on) { SetOption(coCenterImage, on); });
  connect(cbxYield, &QCheckBox::toggled, this, [this](bool on) {
    // Yielding often is a kind of yielding: it goes first, or the converter
    // would put coYield back for it.
    if (!on) cbxYieldOften->setChecked(false);
    SetOption(coYield, on);
  });
  connect(cbxYieldOften, &QCheckBox::toggled, this, [this](bool on) {
    if (on) cbxYield->setChecked(true);
    SetOption(coYieldOften, on);
  });
  connect(RadioGroup2, &QButtonGroup::idClicked, this, [this](int id) { RadioGroup2Click(id); });
  connect(rgpResolution, &QButtonGroup::idClicked, this,
          [this](int id) { ApdFaxConverter1.Resolution = id == 1 ? frHigh : frNormal; });
  connect(rgpWidth, &QButtonGroup::idClicked, this,
          [this](int id) { ApdFaxConverter1.Width = id == 1 ? fwWide : fwNormal; });
  const std::pair<QLineEdit*, unsigned*> numbers[] = {{edtLeftMargin, &ApdFaxConverter1.LeftMargin},
                                                      {edtTopMargin, &ApdFaxConverter1.TopMargin},
                                                      {edtLinesPerPage, &ApdFaxConverter1.LinesPerPage},
                                                      {edtTabStop, &ApdFaxConverter1.TabStop}};
  for (const auto& [edit, property] : numbers)
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, property] { NumberEditExit(edit, *property); });
  connect(btnConvert, &QPushButton::clicked, this, [this] { btnConvertClick(); });
  connect(btnOK, &QPushButton::clicked, this, &QDialog::reject);
}

void TFaxConversionForm::done(int result) {
  SaveConvertSettings(iniFile_, CurrentSettings());
  QDialog::done(result);
}

void TFaxConversionForm::SetOption(FaxCvtOptions option, bool on) {
  const FaxCvtOptions o = ApdFaxConverter1.Options();
  ApdFaxConverter1.SetOptions(static_cast<FaxCvtOptions>(on ? (o | option) : (o & ~option)));
}

void TFaxConversionForm::RadioGroup2Click(int index) {
  SetOption(coDoubleWidth, index == 1);
  SetOption(coHalfHeight, index == 2);
}

void TFaxConversionForm::NumberEditExit(QLineEdit* edit, unsigned& property) {
  bool ok = false;
  const int value = edit->text().trimmed().toInt(&ok, 10);
  if (ok && value >= 0) {
    property = static_cast<unsigned>(value);
    return;
  }
  // The property keeps its value.
  notice_.ShowError(this, QStringLiteral("'%1' is not a valid integer value").arg(edit->text()));
}

void TFaxConversionForm::ShowFont() {
  lblFontName->setText(QString::fromStdString(ApdFaxConverter1.EnhFont.Name));
  lblFontSize->setText(QStringLiteral("Size: %1").arg(ApdFaxConverter1.EnhFont.Size()));
}

void TFaxConversionForm::btnEnhFontClick() {
  if (!askFont) return;
  const std::optional<QFont> chosen = askFont(EnhancedFont());
  if (!chosen) return;
  FaxFontSpec& spec = ApdFaxConverter1.EnhFont;
  spec.Name = chosen->family().toStdString();
  spec.SetSize(chosen->pointSize() > 0 ? chosen->pointSize() : 9);
  spec.Bold = chosen->bold();
  spec.Italic = chosen->italic();
  spec.Underline = chosen->underline();
  spec.StrikeOut = chosen->strikeOut();
  ShowFont();
}

FileDialogRequest TFaxConversionForm::InputFileRequest() const {
  return {QStringLiteral("浏览要转换的文件"), programDir_, QString(), NameFiltersFromPairs(QString::fromUtf8(kDocumentFilter))};
}

FileDialogRequest TFaxConversionForm::OutputFileRequest() const {
  FileDialogRequest request{QStringLiteral("输出文件"), lastOutDir_, QStringLiteral("apf"),
                            NameFiltersFromPairs(QString::fromUtf8(kFaxFilter))};
  request.newFileAllowed = true;
  return request;
}

void TFaxConversionForm::InputChosen(const QString& file) {
  edtOutFileName->setText(file.isEmpty() ? QString() : WithApfExtension(file));
  btnConvert->setEnabled(QFileInfo(file).isFile());
  if (!file.isEmpty()) lastInDir_ = QFileInfo(file).absolutePath();
}

void TFaxConversionForm::btnBrowseInFileClick() {
  const QString file = chooseFile ? chooseFile(InputFileRequest()) : QString();
  if (file.isEmpty()) return;
  edtFileName->setText(file);
  InputChosen(file);
}

void TFaxConversionForm::edtFileNameExit() { InputChosen(edtFileName->text()); }

void TFaxConversionForm::Button2Click() {
  const QString file = chooseFile ? chooseFile(OutputFileRequest()) : QString();
  if (file.isEmpty()) return;
  edtOutFileName->setText(file);
  lastOutDir_ = QFileInfo(file).absolutePath();
}

void TFaxConversionForm::Status(uint64_t converted, uint64_t total, bool& abort) {
  abort = abort_;
  if (total != 0) Meter->setValue(static_cast<int>(converted * 100 / total));
}

void TFaxConversionForm::btnConvertClick() {
  if (btnConvert->text() == kCancel) {
    // The converter stops at its next status report.
    abort_ = true;
    btnConvert->setText(kConvert);
    return;
  }
  // A cancelled conversion still unwinding: it ends first.
  if (running_) return;
  abort_ = false;
  running_ = true;
  btnConvert->setText(kCancel);
  const auto restore = qScopeGuard([this] {
    running_ = false;
    btnConvert->setText(kConvert);
  });
  Convert();
}

void TFaxConversionForm::Convert() {
  const QString input = edtFileName->text();
  // Every step that would change a file works on a copy in here: the
  // user's own files are only read.
  QTemporaryDir work;
  std::string readFrom = Local(input);
  static const QStringList kImages = {QStringLiteral(".bmp"), QStringLiteral(".jpg"), QStringLiteral(".jpeg"),
                                      QStringLiteral(".pcx"), QStringLiteral(".dcx"), QStringLiteral(".tif")};
  // Images are also known by their first bytes (PNG, GIF, a JPEG named
  // otherwise, a PDF document, ...): those are prepared whatever their names.
  const bool landscape = RadioGroup1->checkedId() == 1;
  if (!landscape && NeedsBmp8Preparation(Local(input))) {
    // Every image of the file (the pages of a TIFF or PDF document) becomes
    // fax pages, through 8-bit BMP copies in the work folder.
    if (!work.isValid()) return;
    const QString output = edtOutFileName->text().isEmpty() ? WithApfExtension(input) : edtOutFileName->text();
    const int rc = ConvertPreparedImage(ApdFaxConverter1, Local(input), Local(work.filePath(QStringLiteral("prepared.Bmp"))),
                                        Local(output));
    if (rc == ecConvertAbort) return;  // cancelled with the button
    if (rc != 0) {
      notice_.ShowError(this, QString::fromUtf8(ErrorText(rc)));
      return;
    }
    notice_.ShowInfo(this, QStringLiteral("转换成功！"));
    return;
  }
  if (kImages.contains(LowerSuffix(input)) || NeedsBmp8Preparation(Local(input))) {
    if (!work.isValid()) return;
    if (int rc = PrepareImageCopy(Local(input), landscape, Local(work.path()), readFrom)) {
      notice_.ShowError(this, QString::fromUtf8(ErrorText(rc)));
      return;
    }
  }
  const QString ext = LowerSuffix(Text(readFrom));
  if (ext == QLatin1String(".txt") && CheckBox1->isChecked()) {
    const QString copy = work.filePath(QFileInfo(input).fileName());
    const QScreen* screen = this->screen();
    const int dpi = screen ? static_cast<int>(screen->logicalDotsPerInchX()) : 96;
    if (!work.isValid() || !WriteWrappedText(input, copy, EnhancedFont(), A4WidthPixels(dpi), yield)) return;
    readFrom = Local(copy);
  }

  TApdFaxConverter& c = ApdFaxConverter1;
  FaxInputDocumentType type = idNone;
  if (ext == QLatin1String(".txt")) type = cbxEnhTextEnabled->isChecked() ? idTextEx : idText;
  else if (ext == QLatin1String(".bmp")) type = idBmp;
  else if (ext == QLatin1String(".tif")) type = idTiff;
  else if (ext == QLatin1String(".pcx")) type = idPcx;
  else if (ext == QLatin1String(".dcx")) type = idDcx;
  try {
    if (ext == QLatin1String(".fcp")) {
      // A cover page design is drawn and converted by the cover generator
      // into its base name + ".apf".
      const CoverFileResult result = GenerateFromDesignFile(
          readFrom, 0, 0,
          [this](TApdFaxConverter&, bool, bool, unsigned, unsigned, uint64_t converted, uint64_t total, bool& abort) {
            Status(converted, total, abort);
            if (yield) yield();
          },
          QString(), QString(), QString(), QString());
      if (!result.Written()) notice_.ShowError(this, result.Load.Message());
      return;
    }
    if (type == idNone) return;
    c.InputDocumentType = type;
    c.SetDocumentFile(readFrom);
    // An empty output field would let the converter name the output after
    // the copy it reads; it is named after the user's file instead.
    const QString output = edtOutFileName->text().isEmpty() ? WithApfExtension(input) : edtOutFileName->text();
    c.OutFileName = Local(output);
    c.ConvertDocument();
  } catch (const EAPDException&) {
    // The converter has removed its unfinished output; the conversion just ends.
    return;
  }
  notice_.ShowInfo(this, QStringLiteral("转换成功！"));
}

}  // namespace telvane
