// The document conversion window's INI settings: what a missing or damaged
// file gives, and that every key comes back as it was written.
#include <QTemporaryDir>
#include <QTest>

#include "app/conversion/conversion_settings.h"
#include "conversion_fixtures.h"

using namespace telvane;

namespace {

FaxConvertSettings Defaults() {
  FaxConvertSettings d;
  d.lastInDir = d.lastOutDir = QStringLiteral("/program/");
  d.enhFontName = QStringLiteral("Sans");
  d.enhFontSize = 9;
  return d;
}

}  // namespace

class ConversionSettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void unreadableValuesGiveTheDefaults_data();
  void unreadableValuesGiveTheDefaults();
  void everyKeyRoundTrips();
};

void ConversionSettingsTest::unreadableValuesGiveTheDefaults_data() {
  QTest::addColumn<QByteArray>("contents");  // empty: no file at all
  QTest::newRow("no file") << QByteArray();
  QTest::newRow("other section") << QByteArray("[Other]\nLeftMargin=7\n");
  QTest::newRow("no numbers") << QByteArray("[FaxConvert]\nLeftMargin=abc\nOptions.DoubleWidth=yes\nWidth=\n");
}

void ConversionSettingsTest::unreadableValuesGiveTheDefaults() {
  QFETCH(QByteArray, contents);
  QTemporaryDir dir;
  const QString ini = dir.filePath(QString::fromLatin1(kConvertIniName));
  if (!contents.isEmpty()) test::WriteFile(ini, contents);
  QCOMPARE(LoadConvertSettings(ini, Defaults()), Defaults());
}

void ConversionSettingsTest::everyKeyRoundTrips() {
  QTemporaryDir dir;
  const QString ini = dir.filePath(QString::fromLatin1(kConvertIniName));
  FaxConvertSettings s;
  s.lastInDir = QStringLiteral("/文档/in");
  s.lastOutDir = QStringLiteral("/out");
  s.enhTextEnabled = false;
  s.enhFontName = QStringLiteral("宋体");
  s.enhFontSize = 14;
  s.leftMargin = 12;
  s.topMargin = 3;
  s.linesPerPage = 44;
  s.tabStop = 8;
  s.SetOptions(coHalfHeight | coYieldOften);
  s.resolution = 1;
  s.width = 1;
  QVERIFY(SaveConvertSettings(ini, s));
  QCOMPARE(LoadConvertSettings(ini, Defaults()), s);
  // Flags are stored as the numbers 1 and 0 in the section "FaxConvert".
  const QByteArray text = test::FileBytes(ini);
  QVERIFY(text.startsWith("[FaxConvert]"));
  QVERIFY(text.contains("Options.HalfHeight=1"));
  QVERIFY(text.contains("Options.DoubleWidth=0"));
}

QTEST_GUILESS_MAIN(ConversionSettingsTest)
#include "conversion_settings_test.moc"
