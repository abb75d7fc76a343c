// The page-by-page unpack the main window runs for a received fax: the names
// of its images and the folder it makes.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "app/background/document_jobs.h"
#include "base/error_codes.h"
#include "conversion_fixtures.h"
#include "tests/support/tiff_pages.h"

using namespace telvane;

namespace {

// 7 December 2026, 21:36:08.
const std::tm kNow{8, 36, 21, 7, 11, 126, 0, 0, 0, 0, nullptr};

}  // namespace

class UnpackPagesTest : public QObject {
  Q_OBJECT

 private slots:
  void pageImageBase_data();
  void pageImageBase();
  void everyPageIntoItsOwnFile_data();
  void everyPageIntoItsOwnFile();
  void notAFaxWritesNothing();
};

void UnpackPagesTest::pageImageBase_data() {
  QTest::addColumn<QString>("output");
  QTest::addColumn<QString>("base");
  QTest::newRow("no dot: the date") << "/faxes/in" << "/faxes/2026-12-07";
  QTest::newRow("up to the first dot") << "/faxes/page.v2.TIF" << "/faxes/page";
  QTest::newRow("dot in a folder only") << "/fax.d/in" << "/fax.d/2026-12-07";
  QTest::newRow("time stamp") << "/r/2026-12-07 21：36：08.TIF" << "/r/2026-12-07 21：36：08";
}

void UnpackPagesTest::pageImageBase() {
  QFETCH(QString, output);
  QFETCH(QString, base);
  QCOMPARE(QString::fromStdString(PageImageBase(output.toStdString(), kNow)), base);
}

void UnpackPagesTest::everyPageIntoItsOwnFile_data() {
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("extension");
  QTest::newRow("BMP") << kImageBmp << ".bmp";
  QTest::newRow("DCX") << kImageDcx << ".DCX";
  QTest::newRow("PCX") << kImagePcx << ".PCX";
  QTest::newRow("TIFF") << kImageTiff << ".TIF";
}

void UnpackPagesTest::everyPageIntoItsOwnFile() {
  QFETCH(int, type);
  QFETCH(QString, extension);
  QTemporaryDir dir;
  const QString fax = dir.filePath(QStringLiteral("received.apf"));
  QVERIFY(test::MakeFax(fax, 3));
  TApdFaxUnpacker unpacker;
  // The folder is missing, with its parent; the name has no dot.
  const QString output = dir.filePath(QStringLiteral("faxes/new/in"));
  QCOMPARE(UnpackFaxPages(unpacker, fax.toStdString(), output.toStdString(), type, kNow), 0);
  QStringList expected;
  for (int n = 1; n <= 3; ++n) expected << QStringLiteral("2026-12-07%1%2").arg(n).arg(extension);
  QCOMPARE(QDir(dir.filePath(QStringLiteral("faxes/new"))).entryList(QDir::Files, QDir::Name), expected);
  if (type == kImageTiff) {
    for (int n = 1; n <= 3; ++n) {
      std::string error;
      const auto pages = test::ReadTiffPages(dir.filePath(QStringLiteral("faxes/new/") + expected[n - 1]).toStdString(), &error);
      QVERIFY2(pages.size() == 1, error.c_str());
      QVERIFY(!pages[0].rows.empty());
    }
  }
}

void UnpackPagesTest::notAFaxWritesNothing() {
  QTemporaryDir dir;
  const QString fax = dir.filePath(QStringLiteral("bad.apf"));
  test::WriteFile(fax, QByteArray(300, 'x'));
  TApdFaxUnpacker unpacker;
  const QString output = dir.filePath(QStringLiteral("out/page.TIF"));
  QCOMPARE(UnpackFaxPages(unpacker, fax.toStdString(), output.toStdString(), kImageTiff, kNow), ecFaxBadFormat);
  QVERIFY(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(UnpackPagesTest)
#include "unpack_pages_test.moc"
