// The page options dialog: captions, paper list, shown dimensions per unit,
// the spacing checks with their messages, and cancelling a changed dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "designer/ui/page_options_form.h"
#include "tests/support/qt/recording_notice.h"

using namespace telvane;
using telvane::test::RecordingNotice;

class PageOptionsFormTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup() { form.reset(); }

  void captionsAndPaperList();
  void paperDimensions_data();
  void paperDimensions();
  void spacingChecks_data();
  void spacingChecks();
  void cancelAsksOnlyWhenChanged_data();
  void cancelAsksOnlyWhenChanged();
  void optionsRoundTrip();

 private:
  template <class T>
  T* Child(const char* name) {
    T* w = form->findChild<T*>(QLatin1String(name));
    if (!w) qFatal("no %s", name);
    return w;
  }

  // A button's click area is its indicator and text, not the whole row.
  static void ClickIndicator(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }

  RecordingNotice notice;
  std::unique_ptr<TPageOptionsForm> form;
};

void PageOptionsFormTest::init() {
  notice = RecordingNotice{};
  form = std::make_unique<TPageOptionsForm>(notice);
  PageOptions o;
  o.HorzSpacing = 20;
  o.VertSpacing = 15;
  form->SetOptions(o);
}

void PageOptionsFormTest::captionsAndPaperList() {
  QCOMPARE(form->windowTitle(), QStringLiteral("页层"));
  QCOMPARE(Child<QGroupBox>("MeasurementRadioGroup")->title(), QStringLiteral("系统度量"));
  QCOMPARE(Child<QRadioButton>("InchesRadio")->text(), QStringLiteral("英寸"));
  QCOMPARE(Child<QRadioButton>("MillimetresRadio")->text(), QStringLiteral("毫米"));
  QCOMPARE(Child<QCheckBox>("ShowGridCheckBox")->text(), QStringLiteral("显示网格"));
  QCOMPARE(Child<QCheckBox>("SnapToGridCheckBox")->text(), QStringLiteral("对齐格线"));
  QCOMPARE(Child<QPushButton>("OkButton")->text(), QStringLiteral("确定"));
  QVERIFY(Child<QPushButton>("OkButton")->isDefault());
  QCOMPARE(Child<QPushButton>("CancelButton")->text(), QStringLiteral("取消"));
  auto* sizes = Child<QComboBox>("PageSizeComboBox");
  const QStringList expected = {QStringLiteral("Letter (8.5 x 11.0 in) "), QStringLiteral("Legal (8.5 x 14.0 in)  "),
                                QStringLiteral("A4-ISO (210 x 297 mm)  "), QStringLiteral("B4-Japan (257 x 364 mm)")};
  QCOMPARE(sizes->count(), 4);
  for (int i = 0; i < 4; ++i) QCOMPARE(sizes->itemText(i), expected[i]);
  QCOMPARE(Child<QLineEdit>("HorzGridSpacingEdit")->text(), QStringLiteral("20"));
  QCOMPARE(Child<QLineEdit>("VertGridSpacingEdit")->text(), QStringLiteral("15"));
  QCOMPARE(Child<QLineEdit>("HorzGridSpacingEdit")->maxLength(), 2);
  QCOMPARE(Child<QLineEdit>("PageWidthEdit")->maxLength(), 5);
  QCOMPARE(Child<QLineEdit>("PageHeightEdit")->maxLength(), 4);
}

void PageOptionsFormTest::paperDimensions_data() {
  QTest::addColumn<bool>("millimetres");
  QTest::addColumn<int>("paper");
  QTest::addColumn<QString>("widthLabel");
  QTest::addColumn<QString>("width");
  QTest::addColumn<QString>("height");
  QTest::newRow("A4 in millimetres") << true << 2 << QStringLiteral("宽度(毫米)") << "210" << "297";
  QTest::newRow("Letter in inches") << false << 0 << QStringLiteral("宽度(英寸)") << "8.5" << "11";
  QTest::newRow("Letter in millimetres") << true << 0 << QStringLiteral("宽度(毫米)") << "215.9" << "279.";
  QTest::newRow("B4 in inches, cut to the edits' lengths")
      << false << 3 << QStringLiteral("宽度(英寸)") << "10.11" << "14.3";
}

void PageOptionsFormTest::paperDimensions() {
  QFETCH(bool, millimetres);
  QFETCH(int, paper);
  // Chosen by the user, in the order the user would.
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  ClickIndicator(Child<QRadioButton>(millimetres ? "MillimetresRadio" : "InchesRadio"));
  Child<QComboBox>("PageSizeComboBox")->setCurrentIndex(paper);
  QTEST(Child<QLabel>("PageWidthLbl")->text(), "widthLabel");
  QTEST(Child<QLineEdit>("PageWidthEdit")->text(), "width");
  QTEST(Child<QLineEdit>("PageHeightEdit")->text(), "height");
  QCOMPARE(Child<QLabel>("PageHeightLbl")->text(),
           millimetres ? QStringLiteral("高度(毫米)") : QStringLiteral("高度(英寸)"));
  QCOMPARE(form->Options().Unit, millimetres ? 1 : 0);
  QCOMPARE(form->Options().PaperSize, paper);
  QVERIFY(form->Changed() || (paper == 0 && !millimetres));
}

void PageOptionsFormTest::spacingChecks_data() {
  QTest::addColumn<QString>("horizontal");
  QTest::addColumn<QString>("vertical");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("focus");
  QTest::newRow("horizontal 0") << "0" << "20" << "Invalid horizontal grid spacing entered."
                                << "HorzGridSpacingEdit";
  QTest::newRow("horizontal empty") << " " << "20" << "Invalid horizontal grid spacing entered."
                                    << "HorzGridSpacingEdit";
  QTest::newRow("horizontal not a number") << "ab" << "0" << "Invalid horizontal grid spacing entered."
                                           << "HorzGridSpacingEdit";
  QTest::newRow("vertical 0") << "20" << "0" << "Invalid vertical grid spacing entered."
                              << "VertGridSpacingEdit";
  QTest::newRow("vertical negative") << "20" << "-1" << "Invalid vertical grid spacing entered."
                                     << "VertGridSpacingEdit";
  QTest::newRow("both good, blanks trimmed") << " 5" << "7 " << QString() << QString();
}

void PageOptionsFormTest::spacingChecks() {
  QFETCH(QString, horizontal);
  QFETCH(QString, vertical);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  auto* h = Child<QLineEdit>("HorzGridSpacingEdit");
  auto* v = Child<QLineEdit>("VertGridSpacingEdit");
  h->setText(horizontal);
  v->setText(vertical);
  QTest::mouseClick(Child<QPushButton>("OkButton"), Qt::LeftButton);
  if (message.isEmpty()) {
    QVERIFY(notice.errors.isEmpty());
    QVERIFY(!form->isVisible());
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QCOMPARE(form->Options().HorzSpacing, 5);
    QCOMPARE(form->Options().VertSpacing, 7);
    return;
  }
  QCOMPARE(notice.errors, QStringList{message});
  QVERIFY(form->isVisible());
  auto* offending = Child<QLineEdit>(focus.toLatin1().constData());
  QTRY_VERIFY(offending->hasFocus());
  QCOMPARE(offending->selectedText(), offending->text());
}

void PageOptionsFormTest::cancelAsksOnlyWhenChanged_data() {
  QTest::addColumn<bool>("change");
  QTest::addColumn<bool>("answer");
  QTest::addColumn<bool>("closes");
  QTest::newRow("unchanged closes at once") << false << false << true;
  QTest::newRow("changed, No stays open") << true << false << false;
  QTest::newRow("changed, Yes closes") << true << true << true;
}

void PageOptionsFormTest::cancelAsksOnlyWhenChanged() {
  QFETCH(bool, change);
  QFETCH(bool, answer);
  QFETCH(bool, closes);
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
  QVERIFY(!form->Changed());
  if (change) ClickIndicator(Child<QCheckBox>("ShowGridCheckBox"));
  notice.answerYes = answer;
  QTest::mouseClick(Child<QPushButton>("CancelButton"), Qt::LeftButton);
  QCOMPARE(notice.questions, change ? QStringList{QStringLiteral("取消更改吗?")} : QStringList{});
  QCOMPARE(form->isVisible(), !closes);
  // The close box asks the same.
  if (!closes) {
    form->close();
    QCOMPARE(notice.questions.size(), 2);
    QVERIFY(form->isVisible());
  }
}

void PageOptionsFormTest::optionsRoundTrip() {
  PageOptions o;
  o.Unit = 1;
  o.PaperSize = 3;
  o.ShowGrid = true;
  o.SnapToGrid = true;
  o.HorzSpacing = 12;
  o.VertSpacing = 34;
  form->SetOptions(o);
  QVERIFY(!form->Changed());
  const PageOptions back = form->Options();
  QCOMPARE(back.Unit, o.Unit);
  QCOMPARE(back.PaperSize, o.PaperSize);
  QCOMPARE(back.ShowGrid, true);
  QCOMPARE(back.SnapToGrid, true);
  QCOMPARE(back.HorzSpacing, 12);
  QCOMPARE(back.VertSpacing, 34);
  QCOMPARE(Child<QLineEdit>("PageWidthEdit")->text(), QStringLiteral("257"));
  QCOMPARE(Child<QLineEdit>("PageHeightEdit")->text(), QStringLiteral("364"));
}

QTEST_MAIN(PageOptionsFormTest)
#include "page_options_form_test.moc"
