// GBK text files: lines as a text file has them, reading GBK bytes, writing
// GBK, refusing characters GBK cannot hold, and leaving an earlier file
// alone when a save fails.
#include <QDir>
#include <QFile>
#include <QTest>
#include <memory>

#include "designer/windows/gbk_text_file.h"
#include "tests/designer/windows/file_size_limit.h"
#include "tests/designer/windows/test_files.h"
#include "tests/support/temp_dir.h"

using namespace telvane;
using telvane::test::Contents;
using telvane::test::FileSizeLimit;
using telvane::test::Put;
using telvane::test::TempDir;

class GbkTextFileTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void linesAsATextFileHasThem_data();
  void linesAsATextFileHasThem();
  void firstCharacterGbkCannotHold_data();
  void firstCharacterGbkCannotHold();
  void readsGbkWithAnyLineEnd();
  void missingFileCannotBeRead();
  void writesGbkLinesEachEndedByLf();
  void refusesTextGbkCannotHoldAndWritesNothing();
  void failedWriteKeepsTheEarlierFile();

 private:
  QString Path(const QString& name) const { return QDir(dir_).filePath(name); }
  std::unique_ptr<TempDir> temp_;
  QString dir_;
};

void GbkTextFileTest::init() {
  temp_ = std::make_unique<TempDir>();
  dir_ = QString::fromStdString(temp_->Path().string());
}

void GbkTextFileTest::linesAsATextFileHasThem_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QStringList>("lines");
  QTest::newRow("empty") << "" << QStringList{};
  QTest::newRow("one line, no end") << "a" << QStringList{"a"};
  QTest::newRow("end of the last line") << "a\n" << QStringList{"a"};
  QTest::newRow("two lines") << "a\nb" << QStringList{"a", "b"};
  QTest::newRow("CR LF") << "a\r\nb\r\n" << QStringList{"a", "b"};
  QTest::newRow("CR alone") << "a\rb" << QStringList{"a", "b"};
  QTest::newRow("empty line kept") << "a\r\n\r\nb" << QStringList{"a", "", "b"};
  QTest::newRow("empty last line") << "a\n\n" << QStringList{"a", ""};
  QTest::newRow("LF CR is two ends") << "a\n\rb" << QStringList{"a", "", "b"};
}

void GbkTextFileTest::linesAsATextFileHasThem() {
  QFETCH(QString, text);
  QFETCH(QStringList, lines);
  QCOMPARE(SplitTextLines(text), lines);
}

void GbkTextFileTest::firstCharacterGbkCannotHold_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("position");
  QTest::newRow("Chinese and tags") << QStringLiteral("发送日期:$D 标题：$S") << -1;
  QTest::newRow("pinyin letter") << QStringLiteral("é") << -1;
  QTest::newRow("Hangul") << QStringLiteral("ab한") << 2;
  QTest::newRow("outside the BMP") << QStringLiteral("中文😀x") << 2;
  QTest::newRow("euro sign, byte 0x80") << QStringLiteral("12€") << -1;
}

void GbkTextFileTest::firstCharacterGbkCannotHold() {
  QFETCH(QString, text);
  QFETCH(int, position);
  QCOMPARE(FirstNonGbkCharacter(text), qsizetype(position));
}

void GbkTextFileTest::readsGbkWithAnyLineEnd() {
  const QString name = Path(QStringLiteral("cover.txt"));
  // "发送日期:$D" CR LF "标题：$S" LF "x" in GBK.
  Put(name, QByteArray::fromHex("b7a2cbcdc8d5c6da3a24440d0a") + QByteArray::fromHex("b1eacce2a3ba24530a") + "x");
  QStringList lines;
  const TextFileResult read = ReadGbkLines(name, lines);
  QVERIFY(read.Ok());
  QCOMPARE(lines, (QStringList{QStringLiteral("发送日期:$D"), QStringLiteral("标题：$S"), QStringLiteral("x")}));
}

void GbkTextFileTest::missingFileCannotBeRead() {
  QStringList lines{QStringLiteral("unchanged")};
  const TextFileResult read = ReadGbkLines(Path(QStringLiteral("none.txt")), lines);
  QCOMPARE(read.Error, TextFileError::CannotRead);
  QVERIFY(read.Message.contains(QStringLiteral("none.txt")));
  QCOMPARE(lines, QStringList{QStringLiteral("unchanged")});
}

void GbkTextFileTest::writesGbkLinesEachEndedByLf() {
  const QString name = Path(QStringLiteral("out.txt"));
  Put(name, QByteArray(5000, 'z'));  // a longer earlier file is replaced whole
  const TextFileResult written = WriteGbkLines(name, {QStringLiteral("发送日期:$D"), QString(), QStringLiteral("TO:$R")});
  QVERIFY2(written.Ok(), qPrintable(written.Message));
  QCOMPARE(Contents(name), QByteArray::fromHex("b7a2cbcdc8d5c6da3a24440a") + "\nTO:$R\n");
}

void GbkTextFileTest::refusesTextGbkCannotHoldAndWritesNothing() {
  const QString name = Path(QStringLiteral("keep.txt"));
  Put(name, "earlier");
  const TextFileResult written = WriteGbkLines(name, {QStringLiteral("ok"), QStringLiteral("xy한")});
  QCOMPARE(written.Error, TextFileError::NotGbk);
  // Where the character is and which it is.
  QVERIFY2(written.Message.contains(QStringLiteral("第2行第3列")), qPrintable(written.Message));
  QVERIFY(written.Message.contains(QStringLiteral("한")));
  QCOMPARE(Contents(name), QByteArray("earlier"));
  QCOMPARE(QDir(dir_).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("keep.txt")});
}

void GbkTextFileTest::failedWriteKeepsTheEarlierFile() {
  const QString name = Path(QStringLiteral("keep.txt"));
  Put(name, "earlier text");
  const QStringList longText(400, QStringLiteral("一行很长的覆盖页文字"));
  TextFileResult written;
  {
    FileSizeLimit limit(1024);
    QVERIFY(limit.Ok());
    written = WriteGbkLines(name, longText);
  }
  QCOMPARE(written.Error, TextFileError::CannotWrite);
  QVERIFY(written.Message.contains(name));
  QCOMPARE(Contents(name), QByteArray("earlier text"));
  // Nothing half-written is left beside it.
  QCOMPARE(QDir(dir_).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("keep.txt")});
}

QTEST_GUILESS_MAIN(GbkTextFileTest)
#include "gbk_text_file_test.moc"
