// The tag help window: the tag lines as users know them, the sample cover,
// the send example, and a read-only memo with both scroll bars.
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include "app/dialogs/cover_form.h"

using telvane::TCoverForm;

class CoverFormTest : public QObject {
  Q_OBJECT

 private slots:
  void tagLines_data();
  void tagLines();
  void sampleCoverAndExample();
  void readOnlyMemoCentredOnItsOwner();
};

void CoverFormTest::tagLines_data() {
  QTest::addColumn<QString>("line");
  // Tag, tab, description: the blank at the end of the $D line and the
  // "格或" of the $T line belong to the text.
  QTest::newRow("$D") << "$D\t当天日期 MM/DD/YY格式, 8个字符 ";
  QTest::newRow("$I") << "$I\t工作站ID, 可变长度";
  QTest::newRow("$N") << "$N\t总页长, 可变长度";
  QTest::newRow("$P") << "$P\t当前页, 可变长度";
  QTest::newRow("$R") << "$R\t表示接收者, 可变长度";
  QTest::newRow("$F") << "$F\t表示发送者，可变长度";
  QTest::newRow("$S") << "$S\t标题，可变长度";
  QTest::newRow("$T") << "$T\t当前时间HH:MMpm格或, 7个字符";
}

void CoverFormTest::tagLines() {
  QFETCH(QString, line);
  const QStringList lines = telvane::CoverHelpText().split(QLatin1Char('\n'));
  QCOMPARE(lines.count(line), 1);
  // Exactly one line starts with the tag and a tab.
  QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^\\") + line.left(2) + QStringLiteral("\t"))).size(), 1);
}

void CoverFormTest::sampleCoverAndExample() {
  const QString text = telvane::CoverHelpText();
  const QStringList lines = text.split(QLatin1Char('\n'));
  // The sample cover: four consecutive lines.
  const qsizetype date = lines.indexOf(QStringLiteral("DATE : $D"));
  QVERIFY(date >= 0);
  QCOMPARE(lines.mid(date, 4),
           (QStringList{"DATE : $D", "TIME : $T", "FROM : $F", "TO : $R"}));
  // The example sets the five properties before it starts the transmission.
  const qsizetype start = text.indexOf(QStringLiteral("StartTransmit"));
  QVERIFY(start > date);
  for (const char* setter : {"SetHeaderSender(", "SetHeaderRecipient(", "SetFaxFile(", "SetCoverFile(",
                             "SetPhoneNumber("}) {
    const qsizetype at = text.indexOf(QLatin1String(setter));
    QVERIFY2(at > date && at < start, setter);
  }
}

void CoverFormTest::readOnlyMemoCentredOnItsOwner() {
  // An owner off the screen's centre, large enough that Qt need not pull the
  // window back onto the screen.
  QWidget owner;
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  owner.setGeometry(screen.adjusted(screen.width() / 10, screen.height() / 10, 0, 0));
  owner.show();
  QVERIFY(QTest::qWaitForWindowExposed(&owner));
  auto* form = new TCoverForm(&owner);
  form->setAttribute(Qt::WA_DeleteOnClose);
  QCOMPARE(form->windowTitle(), QStringLiteral("CoverForm"));
  auto* memo = form->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
  QVERIFY(memo);
  QVERIFY(memo->isReadOnly());
  QCOMPARE(memo->toPlainText(), telvane::CoverHelpText());
  QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form));
  const QPoint offset = form->frameGeometry().center() - owner.frameGeometry().center();
  QVERIFY2(offset.manhattanLength() <= 4, qPrintable(QStringLiteral("off by %1,%2").arg(offset.x()).arg(offset.y())));
  form->close();
}

QTEST_MAIN(CoverFormTest)
#include "cover_form_test.moc"
