// The fax the simulated line's caller sends: APF pages become a TIFF file
// that spandsp's sending terminal takes, and a chosen file that cannot be
// used gives way to the sample fax.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window/simulated_incoming.h"
#include "faxdoc/apf_page_reader.h"
#include "faxdoc/fax_converter.h"
#include "tests/support/tiff_pages.h"

using namespace telvane;

namespace {

// Converts `text` into `apf` with the built-in font.
void TextToApf(const std::string& text, const std::string& apf, TFaxWidth width, TFaxResolution resolution) {
  const std::string source = apf + ".txt";
  QFile f(QString::fromStdString(source));
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(text.c_str());
  f.close();
  TApdFaxConverter converter;
  converter.InputDocumentType = idText;
  converter.Width = width;
  converter.Resolution = resolution;
  converter.SetDocumentFile(source);
  converter.OutFileName = apf;
  converter.ConvertDocument();
}

std::vector<std::vector<std::vector<uint8_t>>> ApfRows(const std::string& apf) {
  std::vector<std::vector<std::vector<uint8_t>>> pages;
  ApfPageReader reader;
  if (reader.Open(apf, 1) != 0) return pages;
  std::vector<uint8_t> line;
  for (unsigned p = 0; p < reader.FileHeader().PageCount; ++p) {
    if (p > 0 && reader.OpenNextPage() != 0) break;
    pages.emplace_back();
    while (reader.ReadLine(line) == 1) pages.back().push_back(line);
  }
  return pages;
}

}  // namespace

class SimulatedIncomingTest : public QObject {
  Q_OBJECT

 private slots:
  void wideFinePagesAreCutTo1728AndKeepTheirResolution();
  void aChosenTiffIsSentAsItIs();
  void anUnusableChoiceGivesWayToTheSample();
};

void SimulatedIncomingTest::wideFinePagesAreCutTo1728AndKeepTheirResolution() {
  QTemporaryDir dir;
  const std::string apf = dir.path().toStdString() + "/wide.apf";
  TextToApf("First page.\r\n\fSecond page, a little longer.\r\n", apf, fwWide, frHigh);
  const auto apfPages = ApfRows(apf);
  QCOMPARE(apfPages.size(), std::size_t{2});
  QCOMPARE(apfPages[0][0].size(), std::size_t{256});

  std::string error;
  const std::string tiff = dir.path().toStdString() + "/wide.tif";
  QVERIFY2(WriteApfAsFaxTiff(apf, tiff, error), error.c_str());
  const auto pages = test::ReadTiffPages(tiff, &error);
  QCOMPARE(pages.size(), std::size_t{2});
  for (std::size_t p = 0; p < pages.size(); ++p) {
    QCOMPARE(pages[p].width, 1728);
    QVERIFY(pages[p].fine);
    QCOMPARE(pages[p].rows.size(), apfPages[p].size());
    int ink = 0;
    for (std::size_t r = 0; r < pages[p].rows.size(); ++r) {
      const auto& apfRow = apfPages[p][r];
      QVERIFY(std::equal(pages[p].rows[r].begin(), pages[p].rows[r].end(), apfRow.begin()));
      for (uint8_t b : pages[p].rows[r]) ink += __builtin_popcount(b);
    }
    QVERIFY(ink > 0);
  }
  QVERIFY(!WriteApfAsFaxTiff(dir.path().toStdString() + "/missing.apf", tiff, error));
}

void SimulatedIncomingTest::aChosenTiffIsSentAsItIs() {
  QTemporaryDir dir;
  const std::string simDir = dir.path().toStdString() + "/";
  const std::string chosen = simDir + "mine.TIFF";
  QVERIFY(test::WriteTiffPages(chosen, {test::TiffPage{1728, false, {std::vector<uint8_t>(216, 0xF0)}}}));
  const IncomingFax fax = PrepareIncomingFax(chosen, simDir);
  QCOMPARE(fax.tiff, chosen);
  QVERIFY(fax.error.empty());
}

void SimulatedIncomingTest::anUnusableChoiceGivesWayToTheSample() {
  QTemporaryDir dir;
  const std::string simDir = dir.path().toStdString() + "/";
  const std::string text = simDir + "notes.txt";
  QFile(QString::fromStdString(text)).open(QIODevice::WriteOnly);
  for (const std::string& chosen : {simDir + "missing.apf", text}) {
    const IncomingFax fax = PrepareIncomingFax(chosen, simDir);
    QVERIFY2(fax.error.find(chosen) != std::string::npos, fax.error.c_str());
    QCOMPARE(fax.tiff, simDir + "sample.tif");
  }
  // The sample: one standard-resolution page of text, 1728 pixels across.
  std::string error;
  const auto pages = test::ReadTiffPages(simDir + "sample.tif", &error);
  QCOMPARE(pages.size(), std::size_t{1});
  QCOMPARE(pages[0].width, 1728);
  QVERIFY(!pages[0].fine);
  int ink = 0;
  for (const auto& row : pages[0].rows)
    for (uint8_t b : row) ink += __builtin_popcount(b);
  QVERIFY(ink > 1000);
}

QTEST_GUILESS_MAIN(SimulatedIncomingTest)
#include "simulated_incoming_test.moc"
