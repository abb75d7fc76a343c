// The window that turns fax files into images: its scale boxes, the names of
// one image per page, the question before a large single image and before
// replacing a file, and the unpacker's errors.
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/conversion/fax_cnv_graphics_form.h"
#include "base/error_codes.h"
#include "conversion_fixtures.h"
#include "tests/support/qt/recording_notice.h"
#include "tests/support/tiff_pages.h"

using namespace telvane;

namespace {

constexpr int kOneImage = 0, kImagePerPage = 1;

// A window on a fax of `pages` pages in `dir`/in/fax.apf; images go to out/.
struct Window {
  explicit Window(int pages = 3) {
    QDir(dir.path()).mkpath(QStringLiteral("in"));
    QDir(dir.path()).mkpath(QStringLiteral("out"));
    made = test::MakeFax(Fax(), pages);
    form = std::make_unique<TFaxCnvGraphicsForm>(notice);
    form->now = [] { return QDateTime(QDate(2026, 12, 7), QTime(21, 36, 8)); };
    form->edtFileName->setText(Fax());
  }
  QString Fax() const { return dir.filePath(QStringLiteral("in/fax.apf")); }
  QString Out(const QString& name = {}) const { return dir.filePath(QStringLiteral("out/") + name); }
  QStringList OutFiles() const { return QDir(Out()).entryList(QDir::Files, QDir::Name); }
  void Convert(const QString& type, const QString& output, int mode) {
    form->ComboType->setCurrentText(type);
    form->edtOutFileName->setText(Out(output));
    form->RadioGroup1->button(mode)->setChecked(true);
    form->btnConvert->click();
  }

  QTemporaryDir dir;
  bool made = false;
  test::RecordingNotice notice;
  std::unique_ptr<TFaxCnvGraphicsForm> form;
};

const QString kSuccess = QStringLiteral("转换成功！");

}  // namespace

class FaxCnvGraphicsFormTest : public QObject {
  Q_OBJECT

 private slots:
  void scaleFactors_data();
  void scaleFactors();
  void startsEmptyAndFollowsTheInput();
  void imagePerPageNames_data();
  void imagePerPageNames();
  void manyPagesInOneImageAskFirst_data();
  void manyPagesInOneImageAskFirst();
  void scaleSizesTheImage();
  void existingOutputReplacedOnlyWhenAllowed_data();
  void existingOutputReplacedOnlyWhenAllowed();
  void unpackerErrorsAreShown_data();
  void unpackerErrorsAreShown();
};

void FaxCnvGraphicsFormTest::scaleFactors_data() {
  QTest::addColumn<int>("item");
  QTest::addColumn<unsigned>("mult");
  QTest::addColumn<unsigned>("div");
  const unsigned mults[] = {1, 1, 1, 1, 1, 2, 4, 8};
  const unsigned divs[] = {16, 8, 4, 2, 1, 1, 1, 1};
  const char* const items[] = {"1/16", "1/8", "1/4", "1/2", "1", "2", "3", "4"};
  for (int i = 0; i < 8; ++i) QTest::newRow(items[i]) << i << mults[i] << divs[i];
}

void FaxCnvGraphicsFormTest::scaleFactors() {
  QFETCH(int, item);
  QFETCH(unsigned, mult);
  QFETCH(unsigned, div);
  QCOMPARE(ScaleFactorOfItem(item), (ScaleFactor{mult, div}));
}

void FaxCnvGraphicsFormTest::startsEmptyAndFollowsTheInput() {
  test::RecordingNotice notice;
  TFaxCnvGraphicsForm empty(notice);
  QCOMPARE(empty.windowTitle(), QStringLiteral("传真文件转换为图片"));
  QCOMPARE(empty.ComboType->currentText(), QStringLiteral("BMP"));
  QCOMPARE(empty.ComboBox1->currentText(), QStringLiteral("1"));
  QCOMPARE(empty.ComboBox2->currentText(), QStringLiteral("1"));
  QCOMPARE(empty.Edit1->text(), QStringLiteral("0"));
  QCOMPARE(empty.RadioGroup1->checkedId(), kOneImage);
  QVERIFY(!empty.btnConvert->isEnabled());

  Window w;
  QVERIFY(w.made);
  QCOMPARE(w.form->Edit1->text(), QStringLiteral("3"));
  QCOMPARE(w.form->edtOutFileName->text(), w.dir.filePath(QStringLiteral("in/fax.BMP")));
  QVERIFY(w.form->btnConvert->isEnabled());
  w.form->ComboType->setCurrentText(QStringLiteral("TIF"));
  QCOMPARE(w.form->edtOutFileName->text(), w.dir.filePath(QStringLiteral("in/fax.TIF")));
}

void FaxCnvGraphicsFormTest::imagePerPageNames_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("output");
  QTest::addColumn<QStringList>("files");
  QTest::newRow("page.TIF") << "TIF" << "page.TIF" << QStringList{"page1.TIF", "page2.TIF", "page3.TIF"};
  QTest::newRow("extension in lower case") << "PCX" << "scan.v2.pcx" << QStringList{"scan1.PCX", "scan2.PCX", "scan3.PCX"};
  QTest::newRow("BMP") << "BMP" << "p.BMP" << QStringList{"p1.bmp", "p2.bmp", "p3.bmp"};
  QTest::newRow("other extension: time stamp")
      << "DCX" << "page.TIF"
      << QStringList{"2026-12-07 21：36：081.DCX", "2026-12-07 21：36：082.DCX", "2026-12-07 21：36：083.DCX"};
}

void FaxCnvGraphicsFormTest::imagePerPageNames() {
  QFETCH(QString, type);
  QFETCH(QString, output);
  QFETCH(QStringList, files);
  Window w;
  w.Convert(type, output, kImagePerPage);
  QCOMPARE(w.notice.errors, QStringList());
  QCOMPARE(w.notice.infos, QStringList{kSuccess});
  QCOMPARE(w.OutFiles(), files);
  QCOMPARE(w.form->edtOutFileName->text(), w.Out(files.last()));
  QVERIFY(w.form->btnConvert->isEnabled());
  if (type == QLatin1String("TIF")) {
    for (const QString& file : files) {
      std::string error;
      QVERIFY2(test::ReadTiffPages(w.Out(file).toStdString(), &error).size() == 1, error.c_str());
    }
  }
}

void FaxCnvGraphicsFormTest::manyPagesInOneImageAskFirst_data() {
  QTest::addColumn<int>("pages");
  QTest::addColumn<int>("mode");
  QTest::addColumn<bool>("answer");
  QTest::addColumn<bool>("asked");
  QTest::addColumn<int>("written");
  QTest::newRow("12 pages in one, cancelled") << 12 << kOneImage << false << true << 0;
  QTest::newRow("12 pages in one, allowed") << 12 << kOneImage << true << true << 1;
  QTest::newRow("12 pages each alone") << 12 << kImagePerPage << false << false << 12;
  QTest::newRow("10 pages in one") << 10 << kOneImage << false << false << 1;
}

void FaxCnvGraphicsFormTest::manyPagesInOneImageAskFirst() {
  QFETCH(int, pages);
  QFETCH(int, mode);
  QFETCH(bool, answer);
  QFETCH(bool, asked);
  QFETCH(int, written);
  Window w(pages);
  w.notice.answerYes = answer;
  w.Convert(QStringLiteral("TIF"), QStringLiteral("all.TIF"), mode);
  QCOMPARE(w.notice.questions,
           asked ? QStringList{QStringLiteral("解压到同一页的BMP图像太大，请选择页数不变选项")} : QStringList());
  QCOMPARE(w.OutFiles().size(), written);
  QCOMPARE(w.notice.infos.size(), written ? 1 : 0);
}

void FaxCnvGraphicsFormTest::scaleSizesTheImage() {
  Window w(1);
  w.Convert(QStringLiteral("BMP"), QStringLiteral("plain.BMP"), kOneImage);
  w.form->ComboBox1->setCurrentText(QStringLiteral("1/4"));
  w.form->ComboBox2->setCurrentText(QStringLiteral("2"));
  w.Convert(QStringLiteral("BMP"), QStringLiteral("scaled.BMP"), kOneImage);
  BmpInfo plain, scaled;
  QCOMPARE(ReadBmpInfo(w.Out(QStringLiteral("plain.BMP")).toStdString(), plain), 0);
  QCOMPARE(ReadBmpInfo(w.Out(QStringLiteral("scaled.BMP")).toStdString(), scaled), 0);
  QCOMPARE(scaled.BitsPerPixel, 1);
  QCOMPARE(scaled.Width, plain.Width / 4);
  QCOMPARE(scaled.Height, plain.Height * 2);
}

void FaxCnvGraphicsFormTest::existingOutputReplacedOnlyWhenAllowed_data() {
  QTest::addColumn<bool>("answer");
  QTest::newRow("OK") << true;
  QTest::newRow("Cancel") << false;
}

void FaxCnvGraphicsFormTest::existingOutputReplacedOnlyWhenAllowed() {
  QFETCH(bool, answer);
  Window w;
  test::WriteFile(w.Out(QStringLiteral("old.PCX")), "old");
  w.notice.answerYes = answer;
  w.Convert(QStringLiteral("PCX"), QStringLiteral("old.PCX"), kOneImage);
  QCOMPARE(w.notice.questions, QStringList{QStringLiteral("是否覆盖已存在的文件！")});
  QCOMPARE(test::FileBytes(w.Out(QStringLiteral("old.PCX"))) == "old", !answer);
}

void FaxCnvGraphicsFormTest::unpackerErrorsAreShown_data() {
  QTest::addColumn<int>("mode");
  QTest::newRow("one image") << kOneImage;
  QTest::newRow("image per page") << kImagePerPage;
}

void FaxCnvGraphicsFormTest::unpackerErrorsAreShown() {
  QFETCH(int, mode);
  Window w;
  test::WriteFile(w.Fax(), QByteArray(300, 'x'));
  w.form->edtFileName->setText(QString());
  w.form->edtFileName->setText(w.Fax());
  w.Convert(QStringLiteral("TIF"), QStringLiteral("bad.TIF"), mode);
  QCOMPARE(w.notice.errors, QStringList{QString::fromUtf8(ErrorText(ecFaxBadFormat))});
  QVERIFY(w.notice.infos.isEmpty());
  QVERIFY(w.form->btnConvert->isEnabled());
}

QTEST_MAIN(FaxCnvGraphicsFormTest)
#include "fax_cnv_graphics_form_test.moc"
