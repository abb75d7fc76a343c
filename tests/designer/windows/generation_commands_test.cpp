// The designer window's generation commands: the fax file's name (asked for
// when the design has none), the busy cursor and meter while converting, the
// beep, the captions, converter failures, design files chosen by name, and
// the tag command's dialog.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <climits>
#include <memory>

#include "designer/cover_generator.h"
#include "designer/fax_designer.h"
#include "designer/windows/cover_generation.h"
#include "designer/windows/replace_tag_form.h"
#include "faxdoc/fax_converter.h"
#include "tests/support/qt/recording_notice.h"
#include "tests/support/temp_dir.h"

using namespace telvane;
using telvane::test::RecordingNotice;
using telvane::test::TempDir;

namespace {

// Status events of the converter: bytes converted, bytes to convert.
using StatusEvents = QList<QPair<qulonglong, qulonglong>>;

struct Answer {
  QString name;  // what the file dialog gives back; empty: cancelled
  int asked = 0;
  QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
  QString folder;
  QStringList filters;
};

bool IsApfFile(const QString& name) {
  QFile file(name);
  return file.open(QIODevice::ReadOnly) && file.read(6) == QByteArray("APF10\x1a", 6);
}

// What the user could see at one moment of a generation.
struct Glimpse {
  bool busyCursor = false;
  int meterMaximum = -1;  // -1: no meter in the panel
  int meterValue = -1;
};

}  // namespace

class GenerationCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void untitledDesignAsksForTheFaxFileName_data();
  void untitledDesignAsksForTheFaxFileName();
  void titledDesignWritesBesideItsFile_data();
  void titledDesignWritesBesideItsFile();
  void busyCursorAndMeterOnlyWhileConverting();
  void converterFailureIsShownAndTidiedUp();
  void meterFollowsTheConverter_data();
  void meterFollowsTheConverter();
  void designFileChosenByName_data();
  void designFileChosenByName();
  void tagCommandRunsTheTagDialog();

 private:
  QString Path(const QString& name) const { return QDir(dir_).filePath(name); }
  QString SaveDesign(const QString& name);
  std::unique_ptr<CoverGeneration> MakeGeneration();

  std::unique_ptr<TempDir> temp_;
  QString dir_;
  QString oldCurrent_;
  RecordingNotice notice_;
  std::unique_ptr<QWidget> window_;
  QWidget* progressPanel_ = nullptr;
  std::unique_ptr<TFaxDesigner> designer_;
  Answer answer_;
  QList<Glimpse> glimpses_;
};

void GenerationCommandsTest::init() {
  temp_ = std::make_unique<TempDir>();
  dir_ = QString::fromStdString(temp_->Path().string());
  // A fax file written "in the current folder" would show up here.
  oldCurrent_ = QDir::currentPath();
  QDir::setCurrent(dir_);
  notice_ = RecordingNotice();
  window_ = std::make_unique<QWidget>();
  window_->setWindowTitle(QStringLiteral("制作传真页、覆盖页"));
  progressPanel_ = new QWidget(window_.get());
  progressPanel_->setLayout(new QHBoxLayout);
  designer_ = std::make_unique<TFaxDesigner>();
  TTextField& field = designer_->Page().AddTextField();
  field.SetText(QStringLiteral("总页：$N"));
  answer_ = Answer();
  glimpses_.clear();
}

void GenerationCommandsTest::cleanup() {
  QDir::setCurrent(oldCurrent_);
  temp_.reset();
}

QString GenerationCommandsTest::SaveDesign(const QString& name) {
  const QString path = Path(name);
  if (!designer_->SaveToFile(path).Ok()) qFatal("cannot save the test design");
  return path;
}

std::unique_ptr<CoverGeneration> GenerationCommandsTest::MakeGeneration() {
  auto generation = std::make_unique<CoverGeneration>(notice_, window_.get(), progressPanel_);
  generation->ProgramDir = dir_;
  generation->RunFileDialog = [this](QFileDialog& dialog) {
    ++answer_.asked;
    answer_.mode = dialog.acceptMode();
    answer_.folder = dialog.directory().absolutePath();
    answer_.filters = dialog.nameFilters();
    return answer_.name;
  };
  generation->Yield = [this] {
    Glimpse g;
    const QCursor* cursor = QApplication::overrideCursor();
    g.busyCursor = cursor && cursor->shape() == Qt::WaitCursor;
    if (auto* meter = progressPanel_->findChild<QProgressBar*>()) {
      g.meterMaximum = meter->maximum();
      g.meterValue = meter->value();
    }
    glimpses_.append(g);
  };
  return generation;
}

void GenerationCommandsTest::untitledDesignAsksForTheFaxFileName_data() {
  QTest::addColumn<QString>("design");  // the design's file name
  QTest::addColumn<QString>("answer");
  QTest::newRow("untitled, cancelled") << "" << "";
  QTest::newRow("untitled, named") << "" << "封面.apf";
  QTest::newRow("nothing before the dot, cancelled") << ".hidden.fcp" << "";
  QTest::newRow("nothing before the dot, named") << ".hidden.fcp" << "hidden.apf";
}

void GenerationCommandsTest::untitledDesignAsksForTheFaxFileName() {
  QFETCH(QString, design);
  QFETCH(QString, answer);
  answer_.name = answer.isEmpty() ? QString() : Path(answer);
  auto generation = MakeGeneration();
  TApdFaxConverter converter;
  SetupCoverConverter(converter);

  const QString written =
      generation->GenerateCurrent(*designer_, design.isEmpty() ? QString() : Path(design), converter);

  QCOMPARE(answer_.asked, 1);
  QCOMPARE(answer_.mode, QFileDialog::AcceptSave);
  QCOMPARE(answer_.folder, QDir(dir_).absolutePath());
  QVERIFY(answer_.filters.join(' ').contains(QStringLiteral("*.apf")));
  // Never the nameless ".APF" in the current folder.
  QVERIFY(!QFile::exists(Path(QStringLiteral(".APF"))));
  if (answer.isEmpty()) {
    QVERIFY(written.isEmpty());
    QCOMPARE(QDir(dir_).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(notice_.beeps, 0);
    QCOMPARE(window_->windowTitle(), QStringLiteral("制作传真页、覆盖页"));
  } else {
    QCOMPARE(written, answer_.name);
    QVERIFY(IsApfFile(written));
    QCOMPARE(notice_.beeps, 1);
    QCOMPARE(window_->windowTitle(), QStringLiteral("生成当前传真页面"));
  }
  QVERIFY(notice_.errors.isEmpty());
}

void GenerationCommandsTest::titledDesignWritesBesideItsFile_data() {
  QTest::addColumn<QString>("design");
  QTest::addColumn<QString>("fax");
  QTest::newRow("fcp") << "acme.fcp" << "acme.APF";
  QTest::newRow("every dot counts") << "acme.v2.fcp" << "acme.APF";
  QTest::newRow("no extension") << "acme" << "acme.APF";
  QTest::newRow("dotted folder") << "covers.d/acme.fcp" << "covers.d/acme.APF";
}

void GenerationCommandsTest::titledDesignWritesBesideItsFile() {
  QFETCH(QString, design);
  QFETCH(QString, fax);
  QDir(dir_).mkpath(QStringLiteral("covers.d"));
  auto generation = MakeGeneration();
  TApdFaxConverter converter;
  SetupCoverConverter(converter);

  const QString written = generation->GenerateCurrent(*designer_, Path(design), converter);

  QCOMPARE(answer_.asked, 0);
  QCOMPARE(written, Path(fax));
  QVERIFY(IsApfFile(Path(fax)));
  QCOMPARE(notice_.beeps, 1);
  QCOMPARE(window_->windowTitle(), QStringLiteral("生成当前传真页面"));
}

void GenerationCommandsTest::busyCursorAndMeterOnlyWhileConverting() {
  auto generation = MakeGeneration();
  TApdFaxConverter converter;
  SetupCoverConverter(converter);
  int windowEvents = 0;
  converter.OnStatus = [&](TApdFaxConverter&, bool, bool, unsigned, unsigned, uint64_t, uint64_t, bool&) {
    ++windowEvents;
  };
  QVERIFY(!QApplication::overrideCursor());

  QVERIFY(!generation->GenerateCurrent(*designer_, Path(QStringLiteral("c.fcp")), converter).isEmpty());

  // The meter is there at range 0..1 before the first status event, then
  // takes the byte total and climbs to it.
  QVERIFY(glimpses_.size() >= 3);
  QCOMPARE(glimpses_.first().meterMaximum, 1);
  QCOMPARE(glimpses_.first().meterValue, 0);
  int last = 0;
  for (const Glimpse& g : glimpses_) {
    QVERIFY(g.busyCursor);
    QVERIFY(g.meterMaximum >= 0);  // 0 while the total is not known yet
    QVERIFY(g.meterValue >= last);
    last = g.meterValue;
  }
  QVERIFY(glimpses_.last().meterMaximum > 1);
  QCOMPARE(glimpses_.last().meterValue, glimpses_.last().meterMaximum);
  // Afterwards: the cursor is back, the meter gone, the window's own status
  // handler in place again.
  QVERIFY(!QApplication::overrideCursor());
  QVERIFY(!progressPanel_->findChild<QProgressBar*>());
  QCOMPARE(windowEvents, 0);
  bool abort = false;
  converter.OnStatus(converter, false, false, 0, 0, 0, 0, abort);
  QCOMPARE(windowEvents, 1);
}

void GenerationCommandsTest::converterFailureIsShownAndTidiedUp() {
  auto generation = MakeGeneration();
  TApdFaxConverter converter;
  SetupCoverConverter(converter);

  const QString written = generation->GenerateCurrent(*designer_, Path(QStringLiteral("missing/c.fcp")), converter);

  QVERIFY(written.isEmpty());
  QCOMPARE(notice_.errors.size(), 1);
  QCOMPARE(notice_.beeps, 0);
  QVERIFY(!QApplication::overrideCursor());
  QVERIFY(!progressPanel_->findChild<QProgressBar*>());
  QCOMPARE(window_->windowTitle(), QStringLiteral("制作传真页、覆盖页"));
}

void GenerationCommandsTest::meterFollowsTheConverter_data() {
  QTest::addColumn<StatusEvents>("events");
  QTest::addColumn<int>("maximum");
  QTest::addColumn<int>("value");
  QTest::newRow("nothing yet") << StatusEvents{} << 1 << 0;
  QTest::newRow("total sets the range") << StatusEvents{{0, 1000}} << 1000 << 0;
  QTest::newRow("then the position follows") << StatusEvents{{0, 1000}, {250, 1000}, {600, 1000}} << 1000 << 600;
  QTest::newRow("the first event already converted") << StatusEvents{{300, 1000}, {300, 1000}} << 1000 << 300;
  QTest::newRow("unknown total waits") << StatusEvents{{0, 0}, {0, 500}, {100, 500}} << 500 << 100;
  QTest::newRow("range fixed once known") << StatusEvents{{0, 500}, {100, 900}} << 500 << 100;
  QTest::newRow("past the total") << StatusEvents{{0, 500}, {800, 500}} << 500 << 500;
  QTest::newRow("beyond int") << StatusEvents{{0, 1ULL << 40}, {1ULL << 39, 1ULL << 40}} << INT_MAX << INT_MAX;
}

void GenerationCommandsTest::meterFollowsTheConverter() {
  QFETCH(StatusEvents, events);
  QFETCH(int, maximum);
  QFETCH(int, value);
  CoverProgressMeter meter(progressPanel_);
  for (const auto& [converted, total] : events) meter.Status(converted, total);
  QCOMPARE(meter.Maximum(), maximum);
  QCOMPARE(meter.Value(), value);
  QCOMPARE(meter.Bar()->parentWidget(), progressPanel_);
}

void GenerationCommandsTest::designFileChosenByName_data() {
  QTest::addColumn<QString>("chosen");  // empty: cancelled; "bad": not a design
  QTest::addColumn<QString>("fax");
  QTest::newRow("cancelled") << "" << "";
  QTest::newRow("design") << "cover.v1.fcp" << "cover.apf";
  QTest::newRow("not a design") << "bad" << "";
}

void GenerationCommandsTest::designFileChosenByName() {
  QFETCH(QString, chosen);
  QFETCH(QString, fax);
  if (chosen == QStringLiteral("bad")) {
    QFile junk(Path(QStringLiteral("bad.fcp")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(2000, '\x05'));
    chosen = QStringLiteral("bad.fcp");
  } else if (!chosen.isEmpty()) {
    SaveDesign(chosen);
  }
  answer_.name = chosen.isEmpty() ? QString() : Path(chosen);
  auto generation = MakeGeneration();

  const QString result = generation->GenerateOther();

  QCOMPARE(answer_.asked, 1);
  QCOMPARE(answer_.mode, QFileDialog::AcceptOpen);
  QCOMPARE(answer_.folder, QDir(dir_).absolutePath());
  QVERIFY(answer_.filters.join(' ').contains(QStringLiteral("*.fcp")));
  QCOMPARE(window_->windowTitle(), QStringLiteral("生成其它传真页面"));
  QVERIFY(!QApplication::overrideCursor());
  QVERIFY(!progressPanel_->findChild<QProgressBar*>());
  if (fax.isEmpty()) {
    QVERIFY(result.isEmpty());
    QCOMPARE(notice_.beeps, 0);
    QCOMPARE(QDir(dir_).entryList({QStringLiteral("*.apf"), QStringLiteral("*.APF")}, QDir::Files), QStringList());
    QCOMPARE(notice_.errors.size(), chosen.isEmpty() ? 0 : 1);
    return;
  }
  QCOMPARE(result, Path(chosen));
  QVERIFY(IsApfFile(Path(fax)));
  QCOMPARE(notice_.beeps, 1);
  QVERIFY(notice_.errors.isEmpty());
  QVERIFY(!glimpses_.isEmpty());
  QVERIFY(glimpses_.last().busyCursor);
  QVERIFY(glimpses_.last().meterMaximum > 1);
}

void GenerationCommandsTest::tagCommandRunsTheTagDialog() {
  auto generation = MakeGeneration();
  QWidget* parent = nullptr;
  generation->RunDialog = [&](QDialog& dialog) {
    auto& form = static_cast<TReplaceTagForm&>(dialog);
    parent = dialog.parentWidget();
    form.RecipientEdit->setText(QStringLiteral("李四"));
    form.PageNumberEdit->setText(QStringLiteral("2"));
    form.PageCountEdit->setText(QStringLiteral("3"));
    return int(QDialog::Accepted);
  };
  TFaxPanel& page = designer_->Page();
  QVERIFY(generation->EditTags(page));
  QCOMPARE(parent, window_.get());
  QCOMPARE(page.Recipient, QStringLiteral("李四"));
  QCOMPARE(page.PageNumber, 2);
  QCOMPARE(page.PageCount, 3);
}

QTEST_MAIN(GenerationCommandsTest)
#include "generation_commands_test.moc"
