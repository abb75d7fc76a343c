#include "app/dialogs/cover_form.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace telvane {
namespace {

// Each tag line is the tag, a tab and its description, character for
// character (the blank at the end of the $D line included).
const char kHelp[] =
    "传真覆盖页与标签\n"
    "\n"
    "一份传真常常以一张覆盖页开头。覆盖页是一个文本文件(*.txt),\n"
    "其中可以写入标签; 发送传真时, 每个标签都被替换成相应的内容,\n"
    "例如当天的日期、发送者和接收者。页眉行里也可以使用同样的标签。\n"
    "\n"
    "可以使用的标签:\n"
    "\n"
    "$D\t当天日期 MM/DD/YY格式, 8个字符 \n"
    "$I\t工作站ID, 可变长度\n"
    "$N\t总页长, 可变长度\n"
    "$P\t当前页, 可变长度\n"
    "$R\t表示接收者, 可变长度\n"
    "$F\t表示发送者，可变长度\n"
    "$S\t标题，可变长度\n"
    "$T\t当前时间HH:MMpm格或, 7个字符\n"
    "\n"
    "覆盖页文本文件的例子:\n"
    "\n"
    "DATE : $D\n"
    "TIME : $T\n"
    "FROM : $F\n"
    "TO : $R\n"
    "\n"
    "发送时, 覆盖页上的 $D 和 $T 换成发送的日期和时间,\n"
    "$F 换成发送者 (HeaderSender), $R 换成接收者 (HeaderRecipient)。\n"
    "\n"
    "在程序里, 先设置发送组件的发送者、接收者、传真文件、\n"
    "覆盖页文件和电话号码, 然后开始发送:\n"
    "\n"
    "  sendFax.SetHeaderSender(\"张三\");\n"
    "  sendFax.SetHeaderRecipient(\"李四\");\n"
    "  sendFax.SetFaxFile(\"report.apf\");\n"
    "  sendFax.SetCoverFile(\"cover.txt\");\n"
    "  sendFax.SetPhoneNumber(\"5551234\");\n"
    "  sendFax.StartTransmit();\n";

constexpr int kWidth = 560;
constexpr int kHeight = 440;

}  // namespace

QString CoverHelpText() { return QString::fromUtf8(kHelp); }

TCoverForm::TCoverForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CoverForm"));
  setWindowTitle(QStringLiteral("CoverForm"));
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setPlainText(CoverHelpText());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo1);
  // Centred on the owner: QDialog places a window with a parent over it
  // when it is shown.
  resize(kWidth, kHeight);
}

}  // namespace telvane
