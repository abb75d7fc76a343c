// The document conversion window: its start from a missing INI file, the
// option buttons and number boxes, the names it proposes, and conversions of
// text, images and cover designs that leave the user's files as they were.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/conversion/fax_conversion_form.h"
#include "conversion_fixtures.h"
#include "tests/support/qt/recording_notice.h"

using namespace telvane;

namespace {

// A window over an empty settings folder; its files go into `dir` too.
struct Window {
  Window() { Open(); }
  void Open() {
    form = std::make_unique<TFaxConversionForm>(Ini(), dir.path() + QLatin1Char('/'), notice);
    form->chooseFile = [this](const FileDialogRequest& request) {
      requests << request.caption;
      return chosen;
    };
  }
  QString Ini() const { return dir.filePath(QStringLiteral("ROza3.ini")); }
  QString File(const QString& name) const { return dir.filePath(name); }
  // Converts `input` into `output` with the convert button.
  void Convert(const QString& input, const QString& output) {
    form->edtFileName->setText(input);
    emit form->edtFileName->editingFinished();
    form->edtOutFileName->setText(output);
    form->btnConvert->click();
  }
  QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

  QTemporaryDir dir;
  test::RecordingNotice notice;
  QString chosen;
  QStringList requests;
  std::unique_ptr<TFaxConversionForm> form;
};

const QString kSuccess = QStringLiteral("转换成功！");

}  // namespace

class FaxConversionFormTest : public QObject {
  Q_OBJECT

 private slots:
  void missingIniGivesTheDefaultsAndClosingWritesThem();
  void optionButtons_data();
  void optionButtons();
  void inputProposesTheOutput_data();
  void inputProposesTheOutput();
  void numberBoxes_data();
  void numberBoxes();
  void wrappedTextConvertsFromACopy();
  void imageStepsWorkOnCopies();
  void cancelStopsTheConversion();
  void converterErrorsEndQuietly_data();
  void converterErrorsEndQuietly();
  void coverDesignGoesToTheGenerator();
};

void FaxConversionFormTest::missingIniGivesTheDefaultsAndClosingWritesThem() {
  Window w;
  TFaxConversionForm& f = *w.form;
  QCOMPARE(f.windowTitle(), QStringLiteral("传真文件转换"));
  QCOMPARE(f.edtLeftMargin->text(), QStringLiteral("50"));
  QCOMPARE(f.edtTopMargin->text(), QStringLiteral("0"));
  QCOMPARE(f.edtLinesPerPage->text(), QStringLiteral("60"));
  QCOMPARE(f.edtTabStop->text(), QStringLiteral("4"));
  QCOMPARE(f.rgpResolution->checkedId(), 0);
  QCOMPARE(f.rgpWidth->checkedId(), 0);
  QCOMPARE(f.RadioGroup2->checkedId(), 1);  // 宽度加倍
  QCOMPARE(f.RadioGroup1->checkedId(), 0);  // 竖排
  QVERIFY(f.cbxCenterImage->isChecked() && f.cbxYield->isChecked() && !f.cbxYieldOften->isChecked());
  QCOMPARE(f.ApdFaxConverter1.Options(), FaxCvtOptions(coDoubleWidth | coCenterImage | coYield));
  QVERIFY(f.cbxEnhTextEnabled->isChecked() && f.btnEnhFont->isEnabled());
  QCOMPARE(f.lblFontSize->text(), QStringLiteral("Size: %1").arg(f.ApdFaxConverter1.EnhFont.Size()));
  QVERIFY(!f.btnConvert->isEnabled());
  QVERIFY(!QFile::exists(w.Ini()));

  f.cbxEnhTextEnabled->click();
  QVERIFY(!f.btnEnhFont->isEnabled());
  f.rgpWidth->button(1)->click();
  const FaxConvertSettings shown = f.CurrentSettings();
  f.btnOK->click();
  QVERIFY(QFile::exists(w.Ini()));
  w.Open();  // the next window starts where this one ended
  QCOMPARE(w.form->CurrentSettings(), shown);
  QCOMPARE(w.form->rgpWidth->checkedId(), 1);
  QVERIFY(!w.form->cbxEnhTextEnabled->isChecked());
}

void FaxConversionFormTest::optionButtons_data() {
  QTest::addColumn<QStringList>("clicks");  // "RadioGroup2:<item>" or a check box's name
  QTest::addColumn<int>("options");
  const int kept = coCenterImage | coYield;
  QTest::newRow("宽度加倍 then 高度减半") << QStringList{"RadioGroup2:1", "RadioGroup2:2"} << (coHalfHeight | kept);
  QTest::newRow("正常") << QStringList{"RadioGroup2:0"} << kept;
  QTest::newRow("图像居中 off") << QStringList{"cbxCenterImage"} << (coDoubleWidth | coYield);
  QTest::newRow("部分独占 checks 独占系统")
      << QStringList{"cbxYield", "cbxYieldOften"} << (coDoubleWidth | kept | coYieldOften);
  QTest::newRow("独占系统 off unchecks 部分独占")
      << QStringList{"cbxYieldOften", "cbxYield"} << (coDoubleWidth | coCenterImage);
}

void FaxConversionFormTest::optionButtons() {
  QFETCH(QStringList, clicks);
  QFETCH(int, options);
  Window w;
  TFaxConversionForm& f = *w.form;
  for (const QString& click : clicks) {
    if (click.startsWith(QLatin1String("RadioGroup2:")))
      f.RadioGroup2->button(click.mid(12).toInt())->click();
    else
      f.findChild<QCheckBox*>(click)->click();
  }
  QCOMPARE(int(f.ApdFaxConverter1.Options()), options);
  QCOMPARE(f.cbxYield->isChecked(), bool(options & coYield));
  QCOMPARE(f.cbxYieldOften->isChecked(), bool(options & coYieldOften));
}

void FaxConversionFormTest::inputProposesTheOutput_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("exists");
  QTest::addColumn<bool>("browse");
  QTest::addColumn<QString>("output");
  QTest::newRow("typed, dots in the name") << "report.final.txt" << true << false << "report.final.apf";
  QTest::newRow("chosen") << "scan.BMP" << true << true << "scan.apf";
  QTest::newRow("no extension") << "notes" << true << false << "notes.apf";
  QTest::newRow("missing file") << "missing.txt" << false << false << "missing.apf";
}

void FaxConversionFormTest::inputProposesTheOutput() {
  QFETCH(QString, name);
  QFETCH(bool, exists);
  QFETCH(bool, browse);
  QFETCH(QString, output);
  Window w;
  QDir(w.dir.path()).mkdir(QStringLiteral("docs"));
  const QString input = w.File(QStringLiteral("docs/") + name);
  if (exists) test::WriteFile(input, "text");
  if (browse) {
    w.chosen = input;
    w.form->btnBrowseInFile->click();
    QCOMPARE(w.requests, QStringList{QStringLiteral("浏览要转换的文件")});
  } else {
    w.form->edtFileName->setText(input);
    emit w.form->edtFileName->editingFinished();
  }
  QCOMPARE(w.form->edtOutFileName->text(), w.File(QStringLiteral("docs/") + output));
  QCOMPARE(w.form->btnConvert->isEnabled(), exists);
  QCOMPARE(w.form->CurrentSettings().lastInDir, w.File(QStringLiteral("docs")));
}

void FaxConversionFormTest::numberBoxes_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("value");  // the converter's property afterwards
  QTest::addColumn<bool>("error");
  QTest::newRow("left margin") << "edtLeftMargin" << "120" << 120 << false;
  QTest::newRow("tab stop") << "edtTabStop" << "8" << 8 << false;
  QTest::newRow("at most four digits") << "edtTopMargin" << "123456" << 1234 << false;
  QTest::newRow("empty lines per page") << "edtLinesPerPage" << "" << 60 << true;
  QTest::newRow("letters are not taken") << "edtLeftMargin" << "ab" << 50 << true;
}

void FaxConversionFormTest::numberBoxes() {
  QFETCH(QString, box);
  QFETCH(QString, text);
  QFETCH(int, value);
  QFETCH(bool, error);
  Window w;
  TFaxConversionForm& f = *w.form;
  auto* edit = f.findChild<QLineEdit*>(box);
  edit->setText(text);
  emit edit->editingFinished();
  const TApdFaxConverter& c = f.ApdFaxConverter1;
  const unsigned properties[] = {c.LeftMargin, c.TopMargin, c.LinesPerPage, c.TabStop};
  const int index = QStringList{"edtLeftMargin", "edtTopMargin", "edtLinesPerPage", "edtTabStop"}.indexOf(box);
  QCOMPARE(int(properties[index]), value);
  QCOMPARE(w.notice.errors, error ? QStringList{QStringLiteral("'' is not a valid integer value")} : QStringList());
}

void FaxConversionFormTest::wrappedTextConvertsFromACopy() {
  Window w;
  QByteArray text = "Short first line.\r\n";
  for (int i = 0; i < 40; ++i) text += "wrapping ";
  text += "\r\nLast line.\r\n";
  const QString input = w.File(QStringLiteral("report.final.txt"));
  test::WriteFile(input, text);
  w.Convert(input, w.File(QStringLiteral("cut.apf")));
  w.form->CheckBox1->setChecked(true);
  w.Convert(input, w.File(QStringLiteral("report.final.apf")));

  QCOMPARE(w.notice.infos, (QStringList{kSuccess, kSuccess}));
  QCOMPARE(w.form->btnConvert->text(), QStringLiteral("转换"));
  QCOMPARE(test::FileBytes(input), text);
  // Nothing else was written beside the user's file.
  QCOMPARE(w.Files(), (QStringList{"cut.apf", "report.final.apf", "report.final.txt"}));
  // The long line, cut at the page edge before, now runs over several lines.
  const int cutRows = test::InkedRows(test::FirstPage(w.File(QStringLiteral("cut.apf"))));
  const int wrappedRows = test::InkedRows(test::FirstPage(w.File(QStringLiteral("report.final.apf"))));
  QVERIFY2(wrappedRows > cutRows * 4 / 3, qPrintable(QStringLiteral("%1 vs %2").arg(wrappedRows).arg(cutRows)));
}

void FaxConversionFormTest::imageStepsWorkOnCopies() {
  Window w;
  const QString bmp = w.File(QStringLiteral("wide.bmp"));
  QVERIFY(test::MakeTwoColourBmp(bmp, 600, 120));
  const QByteArray original = test::FileBytes(bmp);
  w.Convert(bmp, w.File(QStringLiteral("upright.apf")));
  w.form->RadioGroup1->button(1)->click();  // 横排
  w.Convert(bmp, w.File(QStringLiteral("turned.apf")));

  QCOMPARE(w.notice.infos, (QStringList{kSuccess, kSuccess}));
  QCOMPARE(test::FileBytes(bmp), original);
  QCOMPARE(w.Files(), (QStringList{"turned.apf", "upright.apf", "wide.bmp"}));
  // Turned a quarter, the wide picture stands five times as tall.
  const int upright = test::InkedRows(test::FirstPage(w.File(QStringLiteral("upright.apf"))));
  const int turned = test::InkedRows(test::FirstPage(w.File(QStringLiteral("turned.apf"))));
  QVERIFY2(upright > 0 && turned > upright * 3, qPrintable(QStringLiteral("%1 vs %2").arg(turned).arg(upright)));
}

void FaxConversionFormTest::cancelStopsTheConversion() {
  Window w;
  const QString fax = w.File(QStringLiteral("three.apf"));
  const QString input = w.File(QStringLiteral("pages.txt"));
  test::WriteFile(input, "one\fTwo\fThree");
  // "取消" is pressed while the first page is yielded after.
  QTimer::singleShot(0, w.form.get(), [&] {
    QCOMPARE(w.form->btnConvert->text(), QStringLiteral("取消"));
    w.form->btnConvert->click();
  });
  w.Convert(input, fax);
  QVERIFY(w.form->AbortFlag());
  QVERIFY(w.notice.infos.isEmpty() && w.notice.errors.isEmpty());
  QVERIFY(!QFile::exists(fax));
  QCOMPARE(w.form->btnConvert->text(), QStringLiteral("转换"));
  // The next conversion runs to its end.
  w.form->btnConvert->click();
  QCOMPARE(w.notice.infos, QStringList{kSuccess});
  QVERIFY(QFile::exists(fax));
}

void FaxConversionFormTest::converterErrorsEndQuietly_data() {
  QTest::addColumn<QString>("input");
  QTest::addColumn<QString>("output");
  QTest::newRow("not a BMP") << "broken.bmp" << "broken.apf";
  QTest::newRow("not a PCX") << "broken.pcx" << "broken.apf";
  QTest::newRow("output folder missing") << "note.txt" << "missing/note.apf";
}

void FaxConversionFormTest::converterErrorsEndQuietly() {
  QFETCH(QString, input);
  QFETCH(QString, output);
  Window w;
  test::WriteFile(w.File(input), input.endsWith(QLatin1String(".txt")) ? "text" : QByteArray(200, 'x'));
  w.Convert(w.File(input), w.File(output));
  QVERIFY(w.notice.infos.isEmpty() && w.notice.errors.isEmpty());
  QCOMPARE(w.form->btnConvert->text(), QStringLiteral("转换"));
  QVERIFY(!QFile::exists(w.File(output)));
}

void FaxConversionFormTest::coverDesignGoesToTheGenerator() {
  Window w;
  const QString design = w.File(QStringLiteral("cover.v1.fcp"));
  QVERIFY(QFile::copy(QFINDTESTDATA("../../../fuzz/corpus/fcp_load/text.fcp"), design));
  w.Convert(design, w.File(QStringLiteral("ignored.apf")));
  // The generator names the page after the design, up to its first ".".
  QVERIFY(!QFile::exists(w.File(QStringLiteral("ignored.apf"))));
  TApdFaxUnpacker check;
  check.SetInFileName(w.File(QStringLiteral("cover.apf")).toStdString());
  QCOMPARE(check.PageCountOf(), 1u);
  QVERIFY(w.notice.errors.isEmpty());
}

QTEST_MAIN(FaxConversionFormTest)
#include "fax_conversion_form_test.moc"
