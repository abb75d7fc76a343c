// The four pages of the main window and their controls. Every control gets
// its name as objectName, so that tests and the accessibility tree find it.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/main_window/main_settings.h"
#include "app/main_window/send_fax_form.h"
#include "app/widgets/modem_terminal.h"
#include "app/widgets/session_animation.h"
#include "app/widgets/status_light.h"

namespace telvane {

using namespace mainsettings;

namespace {

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QPushButton* Button(const char* name, const char* caption) {
  return Named(new QPushButton(QString::fromUtf8(caption)), name);
}

QLineEdit* Edit(const char* name) { return Named(new QLineEdit, name); }

QComboBox* DropDown(const char* name, std::initializer_list<const char*> items) {
  auto* box = Named(new QComboBox, name);
  for (const char* item : items) box->addItem(QString::fromUtf8(item));
  return box;
}

QLabel* Caption(const char* text) { return new QLabel(QString::fromUtf8(text)); }

// A radio group: a titled box with one button per item, ids 0..n-1.
template <std::size_t N>
QGroupBox* RadioGroup(const char* name, const char* title, const std::array<const char*, N>& items,
                      QButtonGroup*& group, int columns, QWidget* owner) {
  auto* box = new QGroupBox(QString::fromUtf8(title));
  box->setObjectName(QString::fromLatin1(name) + QStringLiteral("Box"));
  group = Named(new QButtonGroup(owner), name);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(6, 2, 6, 2);
  grid->setSpacing(2);
  for (std::size_t i = 0; i < N; ++i) {
    auto* b = new QRadioButton(QString::fromUtf8(items[i]));
    b->setObjectName(QString::fromLatin1(name) + QString::number(i));
    group->addButton(b, static_cast<int>(i));
    grid->addWidget(b, static_cast<int>(i) / columns, static_cast<int>(i) % columns);
  }
  return box;
}

// A page of the window: its grid with the pages' margins.
QGridLayout* PageGrid(const char* name, QWidget*& page) {
  page = Named(new QWidget, name);
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(6, 6, 6, 6);
  grid->setSpacing(4);
  return grid;
}

// A titled group with a tight grid inside.
QGridLayout* GroupGrid(const char* title, QGroupBox*& box) {
  box = new QGroupBox(QString::fromUtf8(title));
  auto* grid = new QGridLayout(box);
  grid->setSpacing(3);
  return grid;
}

QLabel* ValueLabel(const char* name, QLabel*& slot) {
  slot = Named(new QLabel, name);
  slot->setFrameShape(QFrame::StyledPanel);
  slot->setFrameShadow(QFrame::Sunken);
  slot->setMinimumWidth(60);
  return slot;
}

}  // namespace

QWidget* TSendFaxForm::BuildConfigPage() {
  QWidget* page = nullptr;
  QGridLayout* grid = PageGrid("TabSheet3", page);

  QGroupBox* modem = nullptr;
  QGridLayout* mg = GroupGrid("Modem", modem);
  ComboInit = Named(new QComboBox, "ComboInit");
  for (const InitPreset& p : kInitPresets) ComboInit->addItem(QString::fromUtf8(p.item));
  EditInit = Edit("EditInit");
  ComboClass = DropDown("ComboClass", {kClassItems[0], kClassItems[1], kClassItems[2], kClassItems[3]});
  sfSelectComPort = Button("sfSelectComPort", "选择Modem");
  StationID = Edit("StationID");
  mg->addWidget(Caption("初始化"), 0, 0);
  mg->addWidget(ComboInit, 0, 1);
  mg->addWidget(EditInit, 0, 2, 1, 2);
  mg->addWidget(Caption("传真类型"), 1, 0);
  mg->addWidget(ComboClass, 1, 1);
  mg->addWidget(sfSelectComPort, 1, 2, 1, 2);
  mg->addWidget(Caption("本机的ID(电话号码)"), 2, 0);
  mg->addWidget(StationID, 2, 1, 1, 3);
  auto* flow = new QHBoxLayout;
  RadioButton1 = Named(new QRadioButton(QStringLiteral("RTS/CTS")), "RadioButton1");
  RadioButton2 = Named(new QRadioButton(QStringLiteral("XON/XOFF")), "RadioButton2");
  flow->addWidget(Caption("流控制"));
  flow->addWidget(RadioButton1);
  flow->addWidget(RadioButton2);
  flow->addStretch();
  mg->addLayout(flow, 3, 0, 1, 4);
  grid->addWidget(modem, 0, 0, 1, 2);

  grid->addWidget(RadioGroup("Bauds", "波特率", std::array<const char*, 10>{"300", "600", "1200", "2400", "4800", "9600",
                                                                       "19200", "38400", "57600", "115200"},
                             Bauds, 5, this),
                  1, 0, 1, 2);

  QGroupBox* dial = nullptr;
  QGridLayout* dg = GroupGrid("拨号", dial);
  edtRetryWait = Edit("edtRetryWait");
  edtDialAttempts = Edit("edtDialAttempts");
  edtRetryWait->setText(QString::number(kDefaultDialWait));
  edtDialAttempts->setText(QString::number(kDefaultDialAttempts));
  dg->addWidget(Caption("重拨等待时间"), 0, 0);
  dg->addWidget(edtRetryWait, 0, 1);
  dg->addWidget(Caption("拨号重试次数"), 1, 0);
  dg->addWidget(edtDialAttempts, 1, 1);
  dg->addWidget(RadioGroup("RadioGroup3", "拨号方式", kDialItems, RadioGroup3, 2, this), 2, 0, 1, 2);
  grid->addWidget(dial, 2, 0);

  QGroupBox* receive = nullptr;
  QGridLayout* rg = GroupGrid("接收", receive);
  ComboRing = DropDown("ComboRing", {"0", "1", "2", "3", "4", "5", "6", "7", "8"});
  FaxFileType = DropDown("FaxFileType", {kFaxFileTypeItems[0], kFaxFileTypeItems[1], kFaxFileTypeItems[2],
                                         kFaxFileTypeItems[3], kFaxFileTypeItems[4]});
  AutoAnswer = Named(new QCheckBox(QStringLiteral("自动应答拨入电话")), "AutoAnswer");
  PrintCheckBox = Named(new QCheckBox(QStringLiteral("接收完成后打印")), "PrintCheckBox");
  PrintSetupClk = Button("PrintSetupClk", "设置打印机");
  auto* rings = new QHBoxLayout;
  rings->addWidget(ComboRing);
  rings->addWidget(Caption("次振铃"));
  rings->addStretch();
  rg->addLayout(rings, 0, 0);
  rg->addWidget(AutoAnswer, 0, 1);
  rg->addWidget(Caption("接收传真保存的类型"), 1, 0);
  rg->addWidget(FaxFileType, 1, 1);
  rg->addWidget(RadioGroup("rfNameStyle", "文件名", kNameStyleItems, rfNameStyle, 2, this), 2, 0, 1, 2);
  rg->addWidget(PrintCheckBox, 3, 0);
  rg->addWidget(PrintSetupClk, 3, 1);
  grid->addWidget(receive, 2, 1);

  auto* folder = new QGroupBox(QStringLiteral("接收传真保存的目录"));
  auto* fg = new QHBoxLayout(folder);
  rfDirectory = Edit("rfDirectory");
  BitBtn1 = Button("BitBtn1", "....");
  fg->addWidget(rfDirectory);
  fg->addWidget(BitBtn1);
  grid->addWidget(folder, 3, 0, 1, 2);

  QGroupBox* log = nullptr;
  QGridLayout* lg = GroupGrid("日志文件", log);
  EditLogName = Edit("EditLogName");
  btnBrowseDestDir = Button("btnBrowseDestDir", "...");
  Button18 = Button("Button18", "查看");
  lg->addWidget(EditLogName, 0, 0);
  lg->addWidget(btnBrowseDestDir, 0, 1);
  lg->addWidget(Button18, 0, 2);
  lg->addWidget(RadioGroup("RadioGroup2", "日志文件大小选项", kLogSizeItems, RadioGroup2, 2, this), 1, 0, 1, 3);
  grid->addWidget(log, 4, 0);

  QGroupBox* fonts = nullptr;
  QGridLayout* tg = GroupGrid("字体", fonts);
  cbxEnhTextEnabled = Named(new QCheckBox(QStringLiteral("使用Windows字体")), "cbxEnhTextEnabled");
  EnhHeaderClk = Button("EnhHeaderClk", "页眉");
  EnhCoverClk = Button("EnhCoverClk", "覆盖页");
  tg->addWidget(cbxEnhTextEnabled, 0, 0, 1, 2);
  tg->addWidget(EnhHeaderClk, 1, 0);
  tg->addWidget(EnhCoverClk, 1, 1);
  grid->addWidget(fonts, 4, 1);
  grid->setRowStretch(5, 1);
  return page;
}

QWidget* TSendFaxForm::BuildCreatePage() {
  QWidget* page = nullptr;
  QGridLayout* grid = PageGrid("TabSheet4", page);
  ReceiveList = Named(new QListWidget, "ReceiveList");
  QFont fixed(QStringLiteral("monospace"));
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setPixelSize(12);
  ReceiveList->setFont(fixed);
  Memo1 = Named(new QPlainTextEdit, "Memo1");
  Memo1->setReadOnly(true);
  Memo1->setPlainText(QStringLiteral(
      "1. 创建传真: 用\"..转为传真页\"把文本或图像文件转为传真文件(*.apf), 或用\"图像传真页面\"设计覆盖页.\n"
      "2. 生成传真: 覆盖页中的变量($D $T $F $R ...)在发送时替换, 也可以在设计窗口中生成传真文件.\n"
      "3. 浏览传真: 用\"浏览传真页面\"打开传真文件, 可以缩放、旋转和复制.\n"
      "4. 发送传真: 在\"发送传真\"页填写传真号码和传真文件, 按\"发送\"; 多个传真放入列表后按\"发送列表\".\n"
      "5. 打印传真: 在浏览窗口中打印, 或在\"Fax配置\"页选中\"接收完成后打印\".\n"));
  ViewAPFClk = Button("ViewAPFClk", "浏览传真页面");
  CovertFileClk = Button("CovertFileClk", "..转为传真页");
  CovertAPFClk = Button("CovertAPFClk", "传真页转为..");
  MakeAPFClk = Button("MakeAPFClk", "图像传真页面");
  CoverClk = Button("CoverClk", "覆盖传真页面");
  HelpClk = Button("HelpClk", "帮助");
  auto* tools = new QVBoxLayout;
  for (QPushButton* b : {ViewAPFClk, CovertFileClk, CovertAPFClk, MakeAPFClk, CoverClk, HelpClk}) tools->addWidget(b);
  tools->addStretch();
  grid->addWidget(Caption("已接收的传真"), 0, 0);
  grid->addWidget(ReceiveList, 1, 0);
  grid->addWidget(Memo1, 2, 0);
  grid->addLayout(tools, 1, 1, 2, 1);
  grid->setRowStretch(1, 3);
  grid->setRowStretch(2, 2);
  return page;
}

QWidget* TSendFaxForm::BuildSendPage() {
  QWidget* page = nullptr;
  QGridLayout* grid = PageGrid("TabSheet5", page);

  QGroupBox* single = nullptr;
  QGridLayout* sg = GroupGrid("简易发送", single);
  EditName = Edit("EditName");
  EditFax = Edit("EditFax");
  AddressBookClk = Button("AddressBookClk", "传真簿");
  EditFile = Edit("EditFile");
  Button3 = Button("Button3", "浏览");
  Button4 = Button("Button4", "预览");
  SaveAsClk = Button("SaveAsClk", "另存");
  SendFaxClk = Button("SendFaxClk", "发送");
  sg->addWidget(Caption("发给"), 0, 0);
  sg->addWidget(EditName, 0, 1, 1, 2);
  sg->addWidget(Caption("传真"), 1, 0);
  sg->addWidget(EditFax, 1, 1, 1, 2);
  sg->addWidget(AddressBookClk, 1, 3);
  sg->addWidget(Caption("传真文件"), 2, 0);
  sg->addWidget(EditFile, 2, 1, 1, 3);
  auto* fileButtons = new QHBoxLayout;
  fileButtons->addWidget(Button3);
  fileButtons->addWidget(Button4);
  fileButtons->addWidget(SaveAsClk);
  fileButtons->addStretch();
  fileButtons->addWidget(SendFaxClk);
  sg->addLayout(fileButtons, 3, 0, 1, 4);
  grid->addWidget(single, 0, 0);

  QGroupBox* cover = nullptr;
  QGridLayout* cg = GroupGrid("覆盖页", cover);
  EditCover = Edit("EditCover");
  Button13 = Button("Button13", "浏览");
  Button7 = Button("Button7", "查看/制作覆盖页");
  Button12 = Button("Button12", "变量帮助");
  cg->addWidget(EditCover, 0, 0, 1, 3);
  cg->addWidget(Button13, 1, 0);
  cg->addWidget(Button7, 1, 1);
  cg->addWidget(Button12, 1, 2);
  cg->addWidget(RadioGroup("RadioGroup1", "覆盖页选项", kCoverItems, RadioGroup1, 2, this), 2, 0, 1, 3);
  grid->addWidget(cover, 0, 1);

  QGroupBox* header = nullptr;
  QGridLayout* hg = GroupGrid("页眉", header);
  HeaderTitle = Edit("HeaderTitle");
  HeaderTitle->setText(QString::fromUtf8(kDefaultHeaderTitle));
  SenderName = Edit("SenderName");
  HeaderLine = Edit("HeaderLine");
  DialPrefix = Edit("DialPrefix");
  hg->addWidget(Caption("页眉"), 0, 0);
  hg->addWidget(HeaderTitle, 0, 1, 1, 3);
  hg->addWidget(Caption("发送者"), 1, 0);
  hg->addWidget(SenderName, 1, 1);
  hg->addWidget(Caption("电话号码前缀"), 1, 2);
  hg->addWidget(DialPrefix, 1, 3);
  hg->addWidget(HeaderLine, 2, 0, 1, 4);
  grid->addWidget(header, 1, 0, 1, 2);

  QGroupBox* list = nullptr;
  QGridLayout* lg = GroupGrid("传真列表", list);
  sfFaxListBox = Named(new QListWidget, "sfFaxListBox");
  QFont fixed(QStringLiteral("monospace"));
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setPixelSize(12);
  sfFaxListBox->setFont(fixed);
  SendAllFaxClk = Button("SendAllFaxClk", "发送列表");
  AddClk = Button("AddClk", "添加");
  ModifyClk = Button("ModifyClk", "修改");
  DeleteClk = Button("DeleteClk", "删除");
  ExitClk = Button("ExitClk", "退出");
  lg->addWidget(sfFaxListBox, 0, 0, 6, 1);
  int row = 0;
  for (QPushButton* b : {SendAllFaxClk, AddClk, ModifyClk, DeleteClk, ExitClk}) lg->addWidget(b, row++, 1);
  grid->addWidget(list, 2, 0, 1, 2);

  auto* clock = new QGroupBox(QStringLiteral("当前时间"));
  auto* kg = new QHBoxLayout(clock);
  Panel7 = Named(new QLabel, "Panel7");
  Panel6 = Named(new QLabel, "Panel6");
  kg->addWidget(Panel7);
  kg->addStretch();
  kg->addWidget(Panel6);
  grid->addWidget(clock, 3, 0, 1, 2);

  Edit1 = Edit("Edit1");
  Edit1->setParent(page);
  Edit1->hide();
  grid->setRowStretch(2, 1);
  return page;
}

QWidget* TSendFaxForm::BuildMonitorPage() {
  QWidget* page = nullptr;
  QGridLayout* grid = PageGrid("TabSheet6", page);

  AdTerminal1 = Named(new ModemTerminal, "AdTerminal1");
  grid->addWidget(AdTerminal1, 0, 0, 1, 2);
  auto* termButtons = new QHBoxLayout;
  Button8 = Button("Button8", "拷贝到切剪板");
  Button14 = Button("Button14", "清除");
  termButtons->addWidget(Button8);
  termButtons->addWidget(Button14);
  termButtons->addSpacing(12);
  static const char* const kLightNames[] = {"CTS", "DSR", "DCD", "RI", "TXD", "RXD", "ERR", "BRK"};
  for (const char* name : kLightNames) {
    auto* light = Named(new TApdStatusLight, name);
    Lights.push_back(light);
    termButtons->addWidget(light, 0, Qt::AlignVCenter);
    termButtons->addWidget(new QLabel(QString::fromLatin1(name)));
  }
  termButtons->addStretch();
  grid->addLayout(termButtons, 1, 0, 1, 2);

  auto* status = new QGroupBox(QStringLiteral("状态"));
  auto* sg = new QGridLayout(status);
  sg->setSpacing(2);
  sg->setContentsMargins(6, 2, 6, 2);
  struct Field {
    const char* caption;
    const char* name;
    QLabel** slot;
  };
  const Field fields[] = {
      {"本机ID", "StationIdLabel", &StationIdLabel},   {"电话号码", "PhoneNumberLabel", &PhoneNumberLabel},
      {"传真文件", "FaxFileLabel", &FaxFileLabel},       {"覆盖页", "CoverFileLabel", &CoverFileLabel},
      {"对方ID", "RemoteIdLabel", &RemoteIdLabel},       {"连接速率", "SpeedLabel", &SpeedLabel},
      {"拨号次数", "DialAttemptLabel", &DialAttemptLabel}, {"页宽", "PageWidthLabel", &PageWidthLabel},
      {"当前页", "CurrentPageLabel", &CurrentPageLabel}, {"总页数", "TotalPagesLabel", &TotalPagesLabel},
      {"页长度", "PageLengthLabel", &PageLengthLabel},   {"已传送", "BytesLabel", &BytesLabel},
      {"纠错", "ErrorControlLabel", &ErrorControlLabel}, {"分辨率", "ResolutionLabel", &ResolutionLabel},
      {"时间", "ElapsedLabel", &ElapsedLabel},           {"类型", "Label17", &Label17},
  };
  int i = 0;
  for (const Field& f : fields) {
    const int r = i / 2, c = (i % 2) * 2;
    sg->addWidget(Caption(f.caption), r, c);
    sg->addWidget(ValueLabel(f.name, *f.slot), r, c + 1);
    ++i;
  }
  sg->addWidget(Caption("状态"), (i + 1) / 2, 0);
  sg->addWidget(ValueLabel("StatusMsg", StatusMsg), (i + 1) / 2, 1, 1, 3);
  sg->setColumnStretch(1, 1);
  sg->setColumnStretch(3, 1);
  grid->addWidget(status, 2, 0);

  auto* side = new QVBoxLayout;
  Label8 = Named(new QLabel, "Label8");
  Label8->setAlignment(Qt::AlignCenter);
  QFont big = Label8->font();
  big.setPixelSize(18);
  Label8->setFont(big);
  Animate1 = Named(new SessionAnimation, "Animate1");
  auto* kind = new QHBoxLayout;
  kind->addWidget(Animate1);
  kind->addWidget(Label8, 1);
  side->addLayout(kind);
  Panel8 = Named(new QLabel, "Panel8");
  Panel2 = Named(new QLabel, "Panel2");
  side->addWidget(Panel8);
  side->addWidget(Panel2);
  CancelCallClk = Button("CancelCallClk", "取消");
  ReceiveFaxesClk = Button("ReceiveFaxesClk", "应答");
  ExitMainClk = Button("ExitMainClk", "退出");
  side->addWidget(ReceiveFaxesClk);
  side->addWidget(CancelCallClk);
  side->addWidget(ExitMainClk);
  side->addStretch();
  grid->addLayout(side, 2, 1);

  fsPanel6 = Named(new QFrame, "fsPanel6");
  fsPanel6->setFrameShape(QFrame::StyledPanel);
  fsPanel6->setFixedHeight(24);
  auto* meterCaption = new QLabel(QStringLiteral("传送进度"), fsPanel6);
  meterCaption->setGeometry(6, 3, 90, 18);
  // The progress meter sits on the panel at its designed place.
  ProgressMeter = Named(new QProgressBar(fsPanel6), "ProgressMeter");
  ProgressMeter->setGeometry(100, 3, 250, 18);
  ProgressMeter->setRange(0, 100);
  ProgressMeter->setValue(0);
  grid->addWidget(fsPanel6, 3, 0, 1, 2);
  return page;
}

}  // namespace telvane
