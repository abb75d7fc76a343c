#include "app/conversion/text_wrap.h"

#include <QSaveFile>
#include <QStringEncoder>
#include <QTextLayout>

#include "designer/windows/gbk_text_file.h"

namespace telvane {

int A4WidthPixels(int dotsPerInch) { return static_cast<int>(dotsPerInch * 210 / 25.4); }

QStringList WrapLines(const QStringList& lines, const QFont& font, int width) {
  QStringList wrapped;
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  for (const QString& line : lines) {
    if (line.isEmpty()) {
      wrapped.append(QString());
      continue;
    }
    QTextLayout layout(line, font);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine visual = layout.createLine(); visual.isValid(); visual = layout.createLine()) {
      visual.setLineWidth(width);
      wrapped.append(line.mid(visual.textStart(), visual.textLength()));
    }
    layout.endLayout();
  }
  return wrapped;
}

bool WriteWrappedText(const QString& source, const QString& target, const QFont& font, int width,
                      const std::function<void()>& yield) {
  QStringList lines;
  ReadGbkLines(source, lines);  // a file that cannot be read wraps to nothing
  QSaveFile file(target);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QStringEncoder gbk("GBK");
  for (const QString& line : WrapLines(lines, font, width)) {
    if (yield) yield();
    file.write(gbk.encode(line + QStringLiteral("\r\n")));
  }
  return file.commit();
}

}  // namespace telvane
