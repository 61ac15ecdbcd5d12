// The controls of the main window, their captions, names and places.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/analysis_tabs.h"
#include "app/flex_grid.h"
#include "app/frm_main.h"

namespace brivo {
namespace {

const char* const kKindCaptions[6] = {"号码", "生肖", "头数", "尾数", "合数", "段数"};
const char* const kGridToolTip = "鼠标双击列表可以将列表导出到EXCEL";

QString Indexed(const char* name, int index) {
  return QString("%1(%2)").arg(QString::fromUtf8(name)).arg(index);
}

template <typename W>
W* Named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

QRadioButton* Radio(const char* name, int index, const char* caption) {
  return Named(new QRadioButton(QString::fromUtf8(caption)), Indexed(name, index));
}

QPushButton* Button(const char* name, const char* caption, const char* tip = nullptr) {
  auto* button = Named(new QPushButton(QString::fromUtf8(caption)), QString(name));
  if (tip != nullptr) button->setToolTip(QString::fromUtf8(tip));
  return button;
}

QGroupBox* Frame(const char* caption, QLayout* layout) {
  auto* frame = new QGroupBox(QString::fromUtf8(caption));
  frame->setLayout(layout);
  return frame;
}

QString PositionCaption(int i, const char* blue) {
  return i <= 6 ? QString("红%1位").arg(i) : QString::fromUtf8(blue);
}

// A box laid over the part `covered` of a caption, starting `left` pixels into it.
void LayOver(QWidget* host, QWidget* box, int left, const QString& covered) {
  const QFontMetrics metrics = host->fontMetrics();
  const int width =
      std::max(metrics.horizontalAdvance(covered), metrics.horizontalAdvance("0") + 8);
  box->setParent(host);
  box->setGeometry(left, 0, width, host->sizeHint().height());
}

}  // namespace

void FrmMain::BuildControls() {
  setWindowTitle(QString::fromUtf8("双色球Brivo"));
  auto* central = new QWidget;
  auto* columns = new QHBoxLayout(central);

  auto* left = new QVBoxLayout;
  grid1_ = Named(new FlexGrid, "MSFlexGrid1");
  grid1_->setToolTip(QString::fromUtf8(kGridToolTip));
  grid1_->setMinimumWidth(380);
  left->addWidget(grid1_, 1);
  left->addWidget(BuildEntryArea());
  columns->addLayout(left);

  auto* right = new QVBoxLayout;
  right->addWidget(BuildSearchFrames());
  right->addWidget(BuildTabs());
  right->addWidget(BuildButtons());
  auto* results_page = new QWidget;
  auto* results = new QHBoxLayout(results_page);
  results->setContentsMargins(0, 0, 0, 0);
  grid2_ = Named(new FlexGrid, "MSFlexGrid2");
  grid2_->setToolTip(QString::fromUtf8(kGridToolTip));
  grid3_ = Named(new FlexGrid, "MSFlexGrid3");
  results->addWidget(grid2_, 3);
  results->addWidget(grid3_, 2);
  analysis_ = new AnalysisTabs(AnalysisInputsOfWindow());
  analysis_->SetResultsPage(results_page);
  right->addWidget(analysis_, 1);
  columns->addLayout(right, 1);

  setCentralWidget(central);
  statusBar()->setObjectName("StatusBar1");
  BuildMenus();
  resize(1280, 800);  // the preferred size; ShowPlaced fits it to the screen
}

QWidget* FrmMain::BuildSearchFrames() {
  auto* host = new QWidget;
  auto* rows = new QGridLayout(host);
  rows->setContentsMargins(0, 0, 0, 0);

  auto* range = new QHBoxLayout;
  for (int i = 0; i < 2; ++i) {
    text3_[static_cast<std::size_t>(i)] = Named(new QLineEdit("2013001"), Indexed("Text3", i));
    text3_[static_cast<std::size_t>(i)]->setMaximumWidth(80);
  }
  range->addWidget(new QLabel(QString::fromUtf8("起")));
  range->addWidget(text3_[0]);
  range->addWidget(new QLabel(QString::fromUtf8("～")));
  range->addWidget(new QLabel(QString::fromUtf8("止")));
  range->addWidget(text3_[1]);
  rows->addWidget(Frame("检索起止期数", range), 0, 0);

  auto* basis = new QHBoxLayout;
  option1_[3] = Radio("Option1", 3, "上期");
  option1_[2] = Radio("Option1", 2, "前    期");
  basis->addWidget(option1_[3]);
  basis->addWidget(option1_[2]);
  rows->addWidget(Frame("检索期选择", basis), 0, 1);
  mask_ed_box2_ = Named(new QLineEdit, "MaskEdBox2");
  mask_ed_box2_->setInputMask("0;_");
  mask_ed_box2_->setAlignment(Qt::AlignCenter);
  {
    QStyle* style = option1_[2]->style();
    const int indicator = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                          style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    LayOver(option1_[2], mask_ed_box2_,
            indicator + option1_[2]->fontMetrics().horizontalAdvance(QString::fromUtf8("前")),
            "    ");
  }

  auto* mode = new QHBoxLayout;
  option1_[0] = Radio("Option1", 0, "固定位");
  option1_[1] = Radio("Option1", 1, "自由位");
  check2_ = Named(new QCheckBox(QString::fromUtf8("自由位计蓝球")), "Check2");
  {
    // Shown only for 自由位; hidden it keeps its place, so the frames beside it stay put.
    QSizePolicy policy = check2_->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    check2_->setSizePolicy(policy);
  }
  mode->addWidget(option1_[0]);
  mode->addWidget(option1_[1]);
  mode->addWidget(check2_);
  rows->addWidget(Frame("检索位选择", mode), 0, 2);

  auto* order = new QHBoxLayout;
  option2_[5] = Radio("Option2", 5, "顺序码");
  option2_[4] = Radio("Option2", 4, "落地码");
  order->addWidget(option2_[5]);
  order->addWidget(option2_[4]);
  rows->addWidget(Frame("号码序选择", order), 0, 3);

  auto kinds = [](std::array<QRadioButton*, 6>& buttons, const char* name) {
    auto* grid = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
      buttons[static_cast<std::size_t>(i)] = Radio(name, i, kKindCaptions[i]);
      grid->addWidget(buttons[static_cast<std::size_t>(i)], i / 3, i % 3);
    }
    return grid;
  };
  rows->addWidget(Frame("搜索类型选择", kinds(option3_, "Option3")), 1, 0);
  rows->addWidget(Frame("结果类型选择", kinds(option4_, "Option4")), 1, 1);

  auto* scope = new QVBoxLayout;
  const char* const scopes[3] = {"红蓝", "红球", "蓝球"};
  for (int i = 0; i < 3; ++i) {
    option5_[static_cast<std::size_t>(i)] = Radio("Option5", i, scopes[i]);
    scope->addWidget(option5_[static_cast<std::size_t>(i)]);
  }
  rows->addWidget(Frame("结果统计选择", scope), 1, 2);

  auto* combination = new QGridLayout;
  option6_[0] = Radio("Option6", 0, "红蓝");
  option6_[1] = Radio("Option6", 1, "红球");
  combo1_ = Named(new QComboBox, "Combo1");
  combo1_->setEditable(true);
  for (int k = 1; k <= 6; ++k) combo1_->addItem(QString::number(k));
  combo1_->setEditText("2");
  command2_ = Button("Command2", "组合检索(&G)");
  combination->addWidget(option6_[0], 0, 0);
  combination->addWidget(option6_[1], 0, 1);
  combination->addWidget(new QLabel(QString::fromUtf8("组合位数")), 1, 0);
  combination->addWidget(combo1_, 1, 1);
  combination->addWidget(command2_, 2, 0, 1, 2);
  rows->addWidget(Frame("组合组位检索", combination), 1, 3);
  // A wider window widens the four columns of frames alike, not the first one alone.
  for (int column = 0; column < 4; ++column) rows->setColumnStretch(column, 1);
  return host;
}

QWidget* FrmMain::BuildTabs() {
  auto* host = new QWidget;
  auto* layout = new QVBoxLayout(host);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  tab_strip1_ = Named(new QTabBar, "TabStrip1");
  tab_strip1_->addTab(QString::fromUtf8("自动历史位"));
  tab_strip1_->addTab(QString::fromUtf8("手动输入号"));
  tab_strip1_->setExpanding(false);
  layout->addWidget(tab_strip1_);

  tab_pages_ = new QStackedWidget;
  auto page = [](store::ByPosition<QCheckBox*>& checks, const char* check_name,
                 store::ByPosition<QLineEdit*>& boxes, const char* box_name, const char* blue) {
    auto* widget = new QGroupBox;
    auto* grid = new QGridLayout(widget);
    for (int i = 1; i <= 7; ++i) {
      checks[i] = Named(new QCheckBox(PositionCaption(i, blue)), Indexed(check_name, i));
      boxes[i] = Named(new QLineEdit, Indexed(box_name, i));
      boxes[i]->setAlignment(Qt::AlignCenter);
      boxes[i]->setMaximumWidth(70);
      grid->addWidget(checks[i], 0, i - 1);
      grid->addWidget(boxes[i], 1, i - 1);
    }
    return widget;
  };
  tab_pages_->addWidget(page(check1_, "Check1", text2_, "Text2", "蓝球位"));
  tab_pages_->addWidget(page(check11_, "Check11", text22_, "Text22", "蓝球"));
  layout->addWidget(tab_pages_);
  return host;
}

QWidget* FrmMain::BuildButtons() {
  auto* host = new QWidget;
  auto* row = new QHBoxLayout(host);
  row->setContentsMargins(0, 0, 0, 0);
  command1_ = Button("Command1", "检索(&S)");
  command3_ = Button("Command3", "删除最后历史(&D)");
  command4_ = Button("Command4", "历史号码导出文本文件(&O)");
  command21_ = Button("Command21", "历史号在线更新(&O)", "从官方服务器更新历史号码");
  cmd_rd_lst_ = Button("cmdRdLst", "读取历史号文本(&W)",
                       "从历史号码文本文件中读取历史号中最后一期之后的新的历史号码");
  command9_ = Button("Command9", "软件设置(&T)");
  for (QPushButton* b : {command1_, command3_, command4_, command21_, cmd_rd_lst_, command9_}) {
    row->addWidget(b);
  }
  return host;
}

QWidget* FrmMain::BuildEntryArea() {
  auto* host = new QWidget;
  auto* layout = new QVBoxLayout(host);
  layout->setContentsMargins(0, 0, 0, 0);
  label12_ = Named(new QLabel(QString::fromUtf8("在下面输入 2007001 期历史号码:")), "Label12");
  label12_->setMinimumHeight(label12_->fontMetrics().height() + 8);
  layout->addWidget(label12_);
  text1_ = Named(new QLineEdit("2007001"), "Text1");
  // Text1 lies over the issue number of the caption.
  const QFontMetrics metrics = label12_->fontMetrics();
  LayOver(label12_, text1_, metrics.horizontalAdvance(QString::fromUtf8("在下面输入")),
          " 2007001 ");

  auto* boxes = new QHBoxLayout;
  for (int i = 1; i <= 7; ++i) {
    if (i == 7) boxes->addWidget(new QLabel("+"));
    auto* box = Named(new QLineEdit, Indexed("MaskEdBox1", i));
    box->setInputMask("00;_");
    box->setAlignment(Qt::AlignCenter);
    box->setMaximumWidth(40);
    box->setToolTip(QString::fromUtf8("在此补充输入最新历史号码"));
    mask_ed_box1_[i] = box;
    boxes->addWidget(box);
  }
  boxes->addStretch(1);
  layout->addLayout(boxes);
  return host;
}

void FrmMain::BuildMenus() {
  auto action = [this](QMenu* menu, const QString& name, const char* caption) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(name);
    return a;
  };
  mnu_lsgl_ = Named(new QMenu(QString::fromUtf8("历史管理"), this), "mnuLsgl");
  action(mnu_lsgl_, "mnuDcls", "导出历史号码(&O)");
  action(mnu_lsgl_, "mnuErase", "删除最后历史(&E)");
  action(mnu_lsgl_, "mnuClear", "清空历史号码(&C)");
  action(mnu_lsgl_, "mnuDlzd", "删除到选定期(&D)");
  action(mnu_lsgl_, "mnuEszhzd", "删除最后指定数量期历史(&E)");

  mnu_setup_ = Named(new QMenu(QString::fromUtf8("设置"), this), "mnuSetup");
  auto submenu = [this](const char* name, const char* caption, std::array<QAction*, 2>& items,
                        const char* item_name, const char* first, const char* second) {
    QMenu* sub = Named(mnu_setup_->addMenu(QString::fromUtf8(caption)), QString(name));
    sub->menuAction()->setObjectName(QString(name));
    const char* const captions[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
      QAction* a = sub->addAction(QString::fromUtf8(captions[i]));
      a->setObjectName(Indexed(item_name, i));
      a->setCheckable(true);
      items[static_cast<std::size_t>(i)] = a;
    }
  };
  submenu("mnuSxCssetup", "生肖参数设置(&S)", mnu_sxcs_, "mnuSxcs", "生肖参数0~11", "生肖参数1~12");
  submenu("mnuDssetup", "段数参数设置(&A)", mnu_dscs_, "mnuDscs", "段数参数0~10", "段数参数1~11");
  mnu_setup_->addSeparator();
  submenu("mnuSxqzSetup", "生肖取值设置(&Z)", mnu_sxsetup_, "mnuSxsetup", "生肖数字按顺序取值",
          "生肖数字按年龄取值");
  mnu_setup_->addSeparator();
  action(mnu_setup_, "mnuSetDay", "历史号码更新检索年(&Y)");
  action(mnu_setup_, "mnuFrontPage", "软件介绍服务主页(&P)");
  action(mnu_setup_, "mnuDescrb", "软件介绍说明页面(&R)");
  action(mnu_setup_, "numYanshiDown", "软件演示说明录像下载(&D)");
}

}  // namespace brivo
