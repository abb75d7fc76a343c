// Generating fax pages from designs, with the window's busy cursor, meter,
// beep and captions around the generator of the designer library.
#include "designer/windows/cover_generation.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLayout>
#include <QProgressBar>
#include <climits>
#include <exception>

#include "base/exceptions.h"
#include "designer/cover_generator.h"
#include "designer/fax_designer.h"
#include "designer/windows/replace_tag_form.h"
#include "faxdoc/fax_converter.h"

namespace telvane {
namespace {

// The hourglass for as long as a page is being made, also when it fails.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

int ToMeter(uint64_t bytes) { return bytes > static_cast<uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(bytes); }

std::string LocalName(const QString& name) { return QFile::encodeName(name).toStdString(); }
QString FromLocalName(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

// Runs a generation step; a converter error is shown, not thrown through the
// event loop. True when the step finished.
template <typename Step>
bool Guarded(IUserNotice& notice, QWidget* parent, Step&& step) {
  try {
    step();
    return true;
  } catch (const EAPDException& e) {
    notice.ShowError(parent, QStringLiteral("传真页面没有生成：%1 (%2)").arg(QString::fromUtf8(e.what())).arg(e.ErrorCode()));
  } catch (const std::exception& e) {
    notice.ShowError(parent, QStringLiteral("传真页面没有生成：%1").arg(QString::fromUtf8(e.what())));
  }
  return false;
}

}  // namespace

CoverProgressMeter::CoverProgressMeter(QWidget* host) {
  bar_ = new QProgressBar(host);
  bar_->setObjectName(QStringLiteral("CoverProgressMeter"));
  bar_->setRange(0, 1);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  if (!host) return;
  if (host->layout()) host->layout()->addWidget(bar_);
  else bar_->setGeometry(host->rect());
  bar_->show();
}

CoverProgressMeter::~CoverProgressMeter() {
  // The bar is gone already when its host was destroyed first.
  delete bar_.data();
}

void CoverProgressMeter::Status(uint64_t bytesConverted, uint64_t bytesToConvert) {
  if (!bar_) return;
  if (bar_->maximum() <= 1) bar_->setMaximum(ToMeter(bytesToConvert));
  else bar_->setValue(std::min(ToMeter(bytesConverted), bar_->maximum()));
}

int CoverProgressMeter::Maximum() const { return bar_ ? bar_->maximum() : 0; }
int CoverProgressMeter::Value() const { return bar_ ? bar_->value() : 0; }

CoverGeneration::CoverGeneration(IUserNotice& notice, QWidget* window, QWidget* progressHost)
    : notice_(notice), window_(window), progressHost_(progressHost) {
  // The meter repaints while a page is made; clicks and keys wait, so that
  // no second generation starts inside the first.
  Yield = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
}

bool CoverGeneration::EditTags(TFaxPanel& page) { return EditTagValues(page, notice_, RunDialog, window_); }

QString CoverGeneration::GenerateCurrent(const TFaxDesigner& designer, const QString& designFileName,
                                         TApdFaxConverter& converter) {
  // A design never saved has no name to derive the fax file's from, and one
  // whose name starts with "." leaves nothing of it: rather than writing a
  // nameless ".APF" (into whatever folder is current), ask.
  QString outName;
  const QString base = FromLocalName(CoverBaseName(LocalName(designFileName)));
  if (designFileName.isEmpty() || QFileInfo(base).fileName().isEmpty()) {
    outName = AskFaxFileName();
    if (outName.isEmpty()) return QString();
  } else {
    outName = base + QStringLiteral(".APF");
  }

  BusyCursor busy;
  CoverProgressMeter meter(progressHost_);
  RunYield();
  const FaxCvtStatusEvent windowStatus = converter.OnStatus;
  converter.OnStatus = [this, &meter](TApdFaxConverter&, bool, bool, unsigned, unsigned, uint64_t converted,
                                      uint64_t total, bool&) {
    meter.Status(converted, total);
    RunYield();
  };
  const bool written =
      Guarded(notice_, window_, [&] { GenerateFaxPage(designer.Page(), converter, LocalName(outName), Now); });
  converter.OnStatus = windowStatus;
  if (!written) return QString();
  notice_.Beep();
  SetCaption(CurrentCaption());
  return outName;
}

QString CoverGeneration::GenerateOther() {
  QFileDialog dialog(window_, QString());
  dialog.setObjectName(QStringLiteral("OpenDialog"));
  SetUpFileDialog(dialog, ProgramDir, {QStringLiteral("Fax cover page files (*.fcp)")}, QStringLiteral("FCP"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  const QString designFile = RunFileDialog(dialog);
  SetCaption(OtherCaption());
  if (designFile.isEmpty()) return QString();

  BusyCursor busy;
  RunYield();
  CoverProgressMeter meter(progressHost_);
  RunYield();
  CoverFileResult result;
  const FaxCvtStatusEvent status = [this, &meter](TApdFaxConverter&, bool, bool, unsigned, unsigned,
                                                  uint64_t converted, uint64_t total, bool&) {
    meter.Status(converted, total);
    RunYield();
  };
  const bool finished = Guarded(notice_, window_, [&] {
    result = GenerateFromDesignFile(LocalName(designFile), 0, 0, status, QString(), QString(), QString(), QString(), Now);
  });
  if (!finished) return QString();
  if (!result.Written()) {
    notice_.ShowError(window_, result.Load.Message());
    return QString();
  }
  notice_.Beep();
  return designFile;
}

QString CoverGeneration::AskFaxFileName() {
  QFileDialog dialog(window_, QStringLiteral("保存传真页面"));
  dialog.setObjectName(QStringLiteral("FaxFileDialog"));
  SetUpFileDialog(dialog, ProgramDir, {QStringLiteral("传真文件 (*.apf *.APF)")}, QStringLiteral("APF"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  return RunFileDialog(dialog);
}

void CoverGeneration::RunYield() {
  if (Yield) Yield();
}

void CoverGeneration::SetCaption(const QString& caption) {
  if (window_) window_->setWindowTitle(caption);
}

}  // namespace telvane
