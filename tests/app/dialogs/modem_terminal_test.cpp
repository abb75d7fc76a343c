// The modem terminal widget: bytes fed from the port's thread reach the
// screen in order, an inactive terminal drops them, a mouse drag selects text
// that goes to the clipboard, and Clear also drops what is still queued.
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <thread>

#include "app/widgets/modem_terminal.h"

using telvane::ModemTerminal;
using telvane::ScreenCell;

Q_DECLARE_METATYPE(ScreenCell)

namespace {

QString RowText(const ModemTerminal& terminal, int row) {
  return QString::fromLatin1(terminal.Screen().Row(row)).trimmed();
}

// The middle of a cell in widget coordinates.
QPoint CellCentre(const ModemTerminal& terminal, ScreenCell cell) {
  for (int y = 0; y < terminal.height(); ++y)
    for (int x = 0; x < terminal.width(); ++x)
      if (terminal.CellAt({x, y}) == cell)
        return {x + terminal.CellSize().width() / 2, y + terminal.CellSize().height() / 2};
  return {};
}

}  // namespace

class ModemTerminalTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void feedFromAnotherThreadArrivesInOrder();
  void inactiveTerminalDropsBytes();
  void dragSelectsAndCopies_data();
  void dragSelectsAndCopies();
  void copyWithoutSelectionLeavesTheClipboard();
  void clearDropsQueuedBytes();
  void sizeHoldsTheWholeGrid();

 private:
  std::unique_ptr<ModemTerminal> terminal_;
};

void ModemTerminalTest::init() {
  terminal_ = std::make_unique<ModemTerminal>();
  terminal_->resize(terminal_->sizeHint());
  terminal_->show();
  QVERIFY(QTest::qWaitForWindowExposed(terminal_.get()));
}

void ModemTerminalTest::cleanup() { terminal_.reset(); }

void ModemTerminalTest::feedFromAnotherThreadArrivesInOrder() {
  terminal_->SetActive(true);
  std::thread port([this] {
    for (int i = 0; i < 50; ++i) terminal_->Feed(QByteArray("line ") + QByteArray::number(i) + "\r\n");
  });
  port.join();
  // 50 lines with a line end each: the last 23 remain above an empty row.
  QTRY_COMPARE(RowText(*terminal_, 22), QStringLiteral("line 49"));
  QCOMPARE(RowText(*terminal_, 0), QStringLiteral("line 27"));
  QCOMPARE(RowText(*terminal_, 23), QString());
  QCOMPARE(terminal_->Screen().CursorRow(), 23);
}

void ModemTerminalTest::inactiveTerminalDropsBytes() {
  QVERIFY(!terminal_->Active());
  terminal_->Feed("ATZ\r\n");
  QCoreApplication::processEvents();
  QCOMPARE(RowText(*terminal_, 0), QString());
  terminal_->SetActive(true);
  terminal_->Feed("OK");
  QTRY_COMPARE(RowText(*terminal_, 0), QStringLiteral("OK"));
}

void ModemTerminalTest::dragSelectsAndCopies_data() {
  QTest::addColumn<ScreenCell>("from");
  QTest::addColumn<ScreenCell>("to");
  QTest::addColumn<QString>("text");
  QTest::newRow("down two rows") << ScreenCell{0, 0} << ScreenCell{1, 1} << "AT\r\nOK";
  QTest::newRow("backwards") << ScreenCell{1, 1} << ScreenCell{0, 1} << "T\r\nOK";
  QTest::newRow("within a row") << ScreenCell{2, 1} << ScreenCell{2, 2} << "IN";
}

void ModemTerminalTest::dragSelectsAndCopies() {
  QFETCH(ScreenCell, from);
  QFETCH(ScreenCell, to);
  QFETCH(QString, text);
  terminal_->SetActive(true);
  terminal_->Feed("AT\r\nOK\r\nRING\r\n");
  QTRY_COMPARE(RowText(*terminal_, 2), QStringLiteral("RING"));
  QTest::mousePress(terminal_.get(), Qt::LeftButton, {}, CellCentre(*terminal_, from));
  QTest::mouseMove(terminal_.get(), CellCentre(*terminal_, to));
  QTest::mouseRelease(terminal_.get(), Qt::LeftButton, {}, CellCentre(*terminal_, to));
  QCOMPARE(terminal_->SelectedText(), text);
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  terminal_->CopyToClipboard();
  QCOMPARE(QGuiApplication::clipboard()->text(), text);
  // A click without a drag drops the selection.
  QTest::mouseClick(terminal_.get(), Qt::LeftButton, {}, CellCentre(*terminal_, from));
  QCOMPARE(terminal_->SelectedText(), QString());
}

void ModemTerminalTest::copyWithoutSelectionLeavesTheClipboard() {
  terminal_->SetActive(true);
  terminal_->Feed("OK");
  QTRY_COMPARE(RowText(*terminal_, 0), QStringLiteral("OK"));
  QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
  terminal_->CopyToClipboard();
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void ModemTerminalTest::clearDropsQueuedBytes() {
  terminal_->SetActive(true);
  terminal_->Feed("OK\r\n");
  QTRY_COMPARE(RowText(*terminal_, 0), QStringLiteral("OK"));
  terminal_->Feed("RING");  // queued, not yet shown
  terminal_->Clear();
  QCoreApplication::processEvents();
  QCOMPARE(RowText(*terminal_, 0), QString());
  QCOMPARE(RowText(*terminal_, 1), QString());
  // Later bytes start again at the top left.
  terminal_->Feed("CONNECT");
  QTRY_COMPARE(RowText(*terminal_, 0), QStringLiteral("CONNECT"));
}

void ModemTerminalTest::sizeHoldsTheWholeGrid() {
  const QSize cell = terminal_->CellSize();
  QVERIFY(cell.width() > 0 && cell.height() > 0);
  QVERIFY(terminal_->sizeHint().width() >= 80 * cell.width());
  QVERIFY(terminal_->sizeHint().height() >= 24 * cell.height());
  QCOMPARE(terminal_->CellAt({terminal_->width() - 1, terminal_->height() - 1}), (ScreenCell{23, 79}));
  QCOMPARE(terminal_->CellAt({0, 0}), (ScreenCell{0, 0}));
}

QTEST_MAIN(ModemTerminalTest)
#include "modem_terminal_test.moc"
