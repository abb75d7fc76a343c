// The teletype screen of the modem terminal: how received bytes land on the
// 80 x 24 grid, how the screen scrolls, and the text of a selection.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTest>
#include <string>

#include "app/widgets/tty_screen.h"

using telvane::ScreenCell;
using telvane::TtyScreen;

Q_DECLARE_METATYPE(ScreenCell)

namespace {

std::string_view View(const QByteArray& bytes) { return {bytes.constData(), static_cast<std::size_t>(bytes.size())}; }

// The screen as lines with their trailing blanks removed, trailing empty
// lines dropped: what a user would read off it.
QString Visible(const TtyScreen& screen) {
  QStringList lines;
  for (int row = 0; row < TtyScreen::kRows; ++row) {
    QString line = QString::fromLatin1(screen.Row(row));
    while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    lines.append(line);
  }
  while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines.join(QLatin1Char('\n'));
}

// "L0\r\nL1\r\n...L<n-1>": n numbered lines without a line end after the last.
QByteArray NumberedLines(int n) {
  QByteArray bytes;
  for (int i = 0; i < n; ++i) {
    if (i) bytes += "\r\n";
    bytes += "L" + QByteArray::number(i);
  }
  return bytes;
}

QString NumberedText(int from, int to) {
  QStringList lines;
  for (int i = from; i <= to; ++i) lines.append(QStringLiteral("L%1").arg(i));
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

class TtyScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void writes_data();
  void writes();
  void scrollsOffTheTop_data();
  void scrollsOffTheTop();
  void selectedText_data();
  void selectedText();
  void selectionFollowsScrolledText_data();
  void selectionFollowsScrolledText();
  void clearBlanksEverything();
};

void TtyScreenTest::writes_data() {
  QTest::addColumn<QByteArray>("input");
  QTest::addColumn<QString>("visible");
  QTest::addColumn<int>("cursorRow");
  QTest::addColumn<int>("cursorColumn");

  const QByteArray full(80, 'a');
  QTest::newRow("plain text") << QByteArray("ATZ") << "ATZ" << 0 << 3;
  QTest::newRow("CR LF ends lines") << QByteArray("AT\r\nOK\r\n") << "AT\nOK" << 2 << 0;
  QTest::newRow("CR returns and overwrites") << QByteArray("ABCD\rxy") << "xyCD" << 0 << 2;
  QTest::newRow("LF alone keeps the column") << QByteArray("AB\nCD") << "AB\n  CD" << 1 << 4;
  QTest::newRow("BS steps back") << QByteArray("ABC\b\bx") << "AxC" << 0 << 2;
  QTest::newRow("BS stops at column 0") << QByteArray("\b\bA") << "A" << 0 << 1;
  QTest::newRow("TAB to the next multiple of 8") << QByteArray("A\tB") << "A       B" << 0 << 9;
  QTest::newRow("TAB from a stop goes to the next") << QByteArray("12345678\tX") << "12345678        X" << 0
                                                    << 17;
  QTest::newRow("TAB at the end stops in the last column")
      << QByteArray(75, 'a') + "\tZ" << QString(75, QLatin1Char('a')) + "    Z" << 0 << 80;
  QTest::newRow("81st character wraps") << full + "b" << QString(full) + "\nb" << 1 << 1;
  QTest::newRow("a full row then CR LF leaves no blank row") << full + "\r\nOK" << QString(full) + "\nOK" << 1 << 2;
  QTest::newRow("BS after a full row stays on it") << full + "\bZ" << QString(79, QLatin1Char('a')) + "Z" << 0
                                                   << 80;
  QTest::newRow("other control bytes are dropped")
      << QByteArray("A\x07\x1b[0mB\x00\x0c\x0b" "C", 11) << "A[0mBC" << 0 << 6;
  QTest::newRow("DEL and C1 bytes are not shown") << QByteArray("\x7f\x80\x9f" "A") << "A" << 0 << 1;
  QTest::newRow("Latin-1 letters are kept") << QByteArray("caf\xe9 \xa0\xff") << QString::fromLatin1("caf\xe9 \xa0\xff")
                                            << 0 << 7;
}

void TtyScreenTest::writes() {
  QFETCH(QByteArray, input);
  QFETCH(QString, visible);
  QFETCH(int, cursorRow);
  QFETCH(int, cursorColumn);
  TtyScreen screen;
  screen.Write(View(input));
  QCOMPARE(Visible(screen), visible);
  QCOMPARE(screen.CursorRow(), cursorRow);
  QCOMPARE(screen.CursorColumn(), cursorColumn);
  // The same bytes one at a time give the same screen.
  TtyScreen bytewise;
  for (char c : input) bytewise.Write(std::string_view(&c, 1));
  QCOMPARE(Visible(bytewise), visible);
}

void TtyScreenTest::scrollsOffTheTop_data() {
  QTest::addColumn<QByteArray>("input");
  QTest::addColumn<QString>("visible");
  QTest::addColumn<int>("cursorRow");

  QTest::newRow("24 lines fit") << NumberedLines(24) << NumberedText(0, 23) << 23;
  QTest::newRow("25th line pushes the first out") << NumberedLines(25) << NumberedText(1, 24) << 23;
  QTest::newRow("100 lines keep the last 24") << NumberedLines(100) << NumberedText(76, 99) << 23;
  QTest::newRow("LF on the last row scrolls")
      << NumberedLines(24) + "\r\n" << NumberedText(1, 23) << 23;
  QTest::newRow("wrap on the last row scrolls")
      << NumberedLines(23) + "\r\n" + QByteArray(81, 'w')
      << NumberedText(1, 22) + "\n" + QString(80, QLatin1Char('w')) + "\nw" << 23;
}

void TtyScreenTest::scrollsOffTheTop() {
  QFETCH(QByteArray, input);
  QFETCH(QString, visible);
  QFETCH(int, cursorRow);
  TtyScreen screen;
  screen.Write(View(input));
  QCOMPARE(Visible(screen), visible);
  QCOMPARE(screen.CursorRow(), cursorRow);
}

void TtyScreenTest::selectedText_data() {
  QTest::addColumn<QByteArray>("input");
  QTest::addColumn<ScreenCell>("from");
  QTest::addColumn<ScreenCell>("to");
  QTest::addColumn<QString>("text");

  QTest::newRow("part of a row") << QByteArray("HELLO WORLD") << ScreenCell{0, 6} << ScreenCell{0, 10} << "WORLD";
  QTest::newRow("backwards drag") << QByteArray("HELLO WORLD") << ScreenCell{0, 10} << ScreenCell{0, 6} << "WORLD";
  QTest::newRow("one cell") << QByteArray("HELLO") << ScreenCell{0, 1} << ScreenCell{0, 1} << "E";
  QTest::newRow("rows joined by CR LF") << QByteArray("AT\r\nOK\r\nRING") << ScreenCell{0, 0} << ScreenCell{2, 79}
                                        << "AT\r\nOK\r\nRING";
  QTest::newRow("reading order across rows") << QByteArray("ABCDEF\r\nGHIJ") << ScreenCell{1, 1}
                                             << ScreenCell{0, 3} << "DEF\r\nGH";
  QTest::newRow("trailing blanks and empty rows") << QByteArray("A   \r\n\r\n  B  ") << ScreenCell{0, 0}
                                                  << ScreenCell{2, 79} << "A\r\n\r\n  B";
  QTest::newRow("blank part only") << QByteArray("AB") << ScreenCell{0, 5} << ScreenCell{0, 9} << "";
  QTest::newRow("clamped to the screen") << QByteArray("X") << ScreenCell{-5, -5} << ScreenCell{30, 100}
                                         << "X" + QString("\r\n").repeated(23);
}

void TtyScreenTest::selectedText() {
  QFETCH(QByteArray, input);
  QFETCH(ScreenCell, from);
  QFETCH(ScreenCell, to);
  QFETCH(QString, text);
  TtyScreen screen;
  screen.Write(View(input));
  QVERIFY(!screen.HasSelection());
  QCOMPARE(QString::fromLatin1(screen.SelectedText()), QString());
  screen.Select(from, to);
  QVERIFY(screen.HasSelection());
  QCOMPARE(QString::fromLatin1(screen.SelectedText()), text);
  screen.ClearSelection();
  QCOMPARE(QString::fromLatin1(screen.SelectedText()), QString());
}

void TtyScreenTest::selectionFollowsScrolledText_data() {
  QTest::addColumn<ScreenCell>("from");
  QTest::addColumn<ScreenCell>("to");
  QTest::addColumn<int>("scrolls");
  QTest::addColumn<QString>("text");

  QTest::newRow("moves up with its row") << ScreenCell{5, 0} << ScreenCell{5, 2} << 1 << "L5";
  QTest::newRow("several rows, several scrolls") << ScreenCell{5, 0} << ScreenCell{6, 1} << 3 << "L5\r\nL6";
  QTest::newRow("start scrolled off, rest kept") << ScreenCell{0, 1} << ScreenCell{1, 1} << 1 << "L1";
  QTest::newRow("all scrolled off") << ScreenCell{0, 0} << ScreenCell{1, 2} << 2 << "";
}

void TtyScreenTest::selectionFollowsScrolledText() {
  QFETCH(ScreenCell, from);
  QFETCH(ScreenCell, to);
  QFETCH(int, scrolls);
  QFETCH(QString, text);
  TtyScreen screen;
  screen.Write(View(NumberedLines(24)));
  screen.Select(from, to);
  for (int i = 0; i < scrolls; ++i) screen.Write("\r\n");
  QCOMPARE(QString::fromLatin1(screen.SelectedText()), text);
  QCOMPARE(screen.HasSelection(), !text.isEmpty());
}

void TtyScreenTest::clearBlanksEverything() {
  TtyScreen screen;
  screen.Write(View(NumberedLines(30)));
  screen.Select({0, 0}, {3, 3});
  screen.Clear();
  QCOMPARE(Visible(screen), QString());
  QVERIFY(!screen.HasSelection());
  QCOMPARE(screen.CursorRow(), 0);
  QCOMPARE(screen.CursorColumn(), 0);
  screen.Write("OK");
  QCOMPARE(Visible(screen), QStringLiteral("OK"));
}

QTEST_APPLESS_MAIN(TtyScreenTest)
#include "tty_screen_test.moc"
