// Saves pictures of the tag dialog, the text editor (with a sample text
// cover) and the designer window (a sample design in design mode with a
// field selected) into the folder given as the first argument, for people to
// look at.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextStream>

#include "designer/fax_designer.h"
#include "designer/fax_panel.h"
#include "designer/ui/design_surface.h"
#include "designer/windows/draw_form.h"
#include "designer/windows/gbk_text_file.h"
#include "designer/windows/memo_form.h"
#include "designer/windows/replace_tag_form.h"

using namespace telvane;

namespace {

bool Grab(QWidget& window, const QString& path) {
  window.show();
  QApplication::processEvents();
  const bool ok = window.grab().save(path);
  QTextStream(stderr) << (ok ? "wrote " : "could not write ") << path << '\n';
  window.hide();
  return ok;
}

QImage SampleLogo() {
  QImage logo(120, 120, QImage::Format_RGB32);
  logo.fill(Qt::white);
  QPainter p(&logo);
  p.setBrush(Qt::black);
  p.drawEllipse(10, 10, 100, 100);
  p.setBrush(Qt::white);
  p.drawRect(40, 40, 40, 40);
  return logo;
}

// The designer window with a title, a block of tag lines and a logo; the
// tag block is selected, as after a click on it.
bool GrabDesigner(const QString& path) {
  TDrawForm form(QDir::tempPath());
  TDesignSurface& surface = *form.Surface();
  TFaxPanel& page = form.Designer().Page();
  page.SetShowGrid(true);
  page.SetInsertionPoint(QPoint(40, 30));
  TBaseField* title = form.AddTextField();
  auto* titleText = static_cast<TTextField*>(title);
  titleText->SetText(QStringLiteral("传真封面 Fax cover page"));
  FieldFont big = titleText->Font();
  big.SetSize(20);
  titleText->SetFont(big);
  page.SetFieldBounds(*title, QRect(40, 30, 400, 40));
  page.SetInsertionPoint(QPoint(40, 120));
  auto* body = static_cast<TTextField*>(form.AddTextField());
  body->SetText(QStringLiteral("发送者：$F\n接收者：$R\n总页：$N\n发送日期:$D"));
  page.SetFieldBounds(*body, QRect(40, 120, 300, 90));
  page.SetInsertionPoint(QPoint(440, 120));
  surface.AddImageField()->SetPicture(SampleLogo());
  page.DeselectAll();
  page.Select(*body);
  page.OnSelectionChanged(true);
  page.OnFieldBounds(40, 120, 300, 90);
  form.setWindowTitle(TDrawForm::Caption());
  return Grab(form, path);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    QTextStream(stderr) << "usage: designer_windows_screenshot FOLDER\n";
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.exists() && !QDir().mkpath(out.path())) return 1;

  TFaxPanel page;
  page.Sender = QStringLiteral("华东办公用品有限公司 采购部");
  page.Recipient = QStringLiteral("王经理");
  page.PageTitle = QStringLiteral("订单确认");
  page.StationID = QStringLiteral("+86 21 5555 0100");
  page.PageNumber = 1;
  page.PageCount = 3;
  TReplaceTagForm tags(page, QtUserNotice());
  bool ok = Grab(tags, out.filePath(QStringLiteral("tag_dialog.png")));

  TMemoForm memo(QDir::tempPath());
  memo.Memo1->setFont(QFont(QStringLiteral("宋体"), 10));
  const QString sample = QDir::temp().filePath(QStringLiteral("封面样本.txt"));
  WriteGbkLines(sample, {QStringLiteral("传真"), QString(), QStringLiteral("敬启者："), QString(),
                         QStringLiteral("随函附上本月订单，请查收并确认交货日期。"),
                         QStringLiteral("如有疑问，请来电联系。"), QString(), QStringLiteral("此致"),
                         QStringLiteral("敬礼")});
  memo.LoadFile(sample);
  QFile::remove(sample);
  // The tag lines go in above the first line, as the user would put them
  // with the menu: the caret's line moves down each time.
  memo.Memo1->setTextCursor(QTextCursor(memo.Memo1->document()->firstBlock()));
  for (QAction* item : {memo.N17, memo.N12, memo.N14, memo.N21, memo.N16, memo.N15}) item->trigger();
  memo.resize(640, 420);
  ok = Grab(memo, out.filePath(QStringLiteral("text_editor.png"))) && ok;
  ok = GrabDesigner(out.filePath(QStringLiteral("designer_window.png"))) && ok;
  return ok ? 0 : 1;
}
