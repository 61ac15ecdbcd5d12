// The main window: construction, event wiring and the lost-focus plumbing.

#include "app/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>

#include "app/chinese_font.h"
#include "app/flex_grid.h"
#include "platform/base/log.h"
#include "platform/qt/desktop_launcher.h"
#include "platform/qt/qt_page_fetcher.h"
#include "platform/qt/qt_prompts.h"

namespace brivo {
namespace {

// A font that has the Chinese captions, where the machine has one.
void UseChineseFont() {
  const QString family =
      ChineseFontFamily([](const QString& name) { return QFontDatabase::hasFamily(name); });
  if (family.isEmpty()) return;
  QFont font(family);
  font.setPointSize(9);
  QApplication::setFont(font);
}

// Text22 takes "-", the digits and backspace; other typed characters are dropped.
bool IsAllowedPatternKey(const QKeyEvent& key) {
  const QString text = key.text();
  if (key.key() == Qt::Key_Backspace || text.isEmpty() || !text.at(0).isPrint()) return true;
  return text == "-" || (text.size() == 1 && text.at(0) >= '0' && text.at(0) <= '9');
}

}  // namespace

FrmMain::FrmMain(AppContext context, QWidget* parent)
    : QMainWindow(parent), context_(std::move(context)), session_(context_.program_folder) {
  setObjectName("frmMain");
  UseChineseFont();
  if (context_.prompts == nullptr) {
    own_prompts_ = std::make_unique<QtPrompts>(this);
    prompts_ = own_prompts_.get();
  } else {
    prompts_ = context_.prompts;
  }
  if (context_.launcher == nullptr) {
    own_launcher_ = std::make_unique<DesktopLauncher>();
    launcher_ = own_launcher_.get();
  } else {
    launcher_ = context_.launcher;
  }
  if (context_.fetcher == nullptr) {
    own_fetcher_ = std::make_unique<QtPageFetcher>();
    fetcher_ = own_fetcher_.get();
  } else {
    fetcher_ = context_.fetcher;
  }
  BuildControls();
  WireHandlers();
  StartUp();
}

FrmMain::~FrmMain() = default;

void FrmMain::WireHandlers() {
  for (int i = 0; i < 4; ++i) {
    connect(option1_[static_cast<std::size_t>(i)], &QRadioButton::clicked, this,
            [this, i] { Option1_Click(i); });
  }
  for (int i : {4, 5}) {
    connect(option2_[static_cast<std::size_t>(i)], &QRadioButton::clicked, this,
            [this, i] { Option2_Click(i); });
  }
  for (int i = 0; i < 6; ++i) {
    const auto k = static_cast<std::size_t>(i);
    connect(option3_[k], &QRadioButton::clicked, this, [this, i] { Option3_Click(i); });
    connect(option4_[k], &QRadioButton::clicked, this, [this, i] { Option4_Click(i); });
  }
  for (int i = 0; i < 3; ++i) {
    connect(option5_[static_cast<std::size_t>(i)], &QRadioButton::clicked, this,
            [this, i] { Option5_Click(i); });
  }
  for (int i = 0; i < 2; ++i) {
    connect(option6_[static_cast<std::size_t>(i)], &QRadioButton::clicked, this,
            [this, i] { Option6_Click(i); });
  }
  connect(tab_strip1_, &QTabBar::currentChanged, this, [this] { TabStrip1_Click(); });
  connect(command9_, &QPushButton::clicked, this, [this] { Command9_Click(); });
  connect(command3_, &QPushButton::clicked, this, [this] { Command3_Click(); });
  connect(cmd_rd_lst_, &QPushButton::clicked, this, [this] { cmdRdLst_Click(); });
  connect(command4_, &QPushButton::clicked, this, [this] { Command4_Click(); });
  connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(command21_, &QPushButton::clicked, this, [this] { Command21_Click(); });
  auto menu_item = [this](const char* name, void (FrmMain::*handler)()) {
    if (auto* item = mnu_lsgl_->findChild<QAction*>(name)) {
      connect(item, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    }
  };
  menu_item("mnuDcls", &FrmMain::mnuDcls_Click);
  menu_item("mnuErase", &FrmMain::Command3_Click);
  menu_item("mnuClear", &FrmMain::mnuClear_Click);
  menu_item("mnuDlzd", &FrmMain::mnuDlzd_Click);
  menu_item("mnuEszhzd", &FrmMain::mnuEszhzd_Click);
  for (int i = 0; i < 2; ++i) {
    connect(mnu_sxcs_[static_cast<std::size_t>(i)], &QAction::triggered, this,
            [this, i] { mnuSxcs_Click(i); });
    connect(mnu_dscs_[static_cast<std::size_t>(i)], &QAction::triggered, this,
            [this, i] { mnuDscs_Click(i); });
    connect(mnu_sxsetup_[static_cast<std::size_t>(i)], &QAction::triggered, this,
            [this, i] { mnuSxsetup_Click(i); });
  }
  auto setup_item = [this](const char* name, auto handler) {
    if (auto* item = mnu_setup_->findChild<QAction*>(name)) {
      connect(item, &QAction::triggered, this, handler);
    }
  };
  setup_item("mnuSetDay", [this] { mnuSetDay_Click(); });
  setup_item("mnuFrontPage", [this] { OpenHelpPage("index.html"); });
  setup_item("mnuDescrb", [this] { OpenHelpPage("commands.html"); });
  setup_item("numYanshiDown", [this] { OpenHelpPage("walkthrough.html"); });
  for (int i = 1; i <= 7; ++i) {
    QLineEdit* box = mask_ed_box1_[i];
    connect(box, &QLineEdit::textChanged, this, [this, i] { MaskEdBox1_Change(i); });
    box->installEventFilter(this);
  }

  for (FlexGrid* grid : {grid1_, grid2_, grid3_}) {
    grid->viewport()->installEventFilter(this);
    grid->horizontalHeader()->viewport()->installEventFilter(this);
  }
  mask_ed_box2_->installEventFilter(this);
  check2_->installEventFilter(this);
  combo1_->installEventFilter(this);
  for (int i = 1; i <= 7; ++i) text22_[i]->installEventFilter(this);
}

FlexGrid* FrmMain::GridOf(QObject* watched) const {
  for (FlexGrid* grid : {grid1_, grid2_, grid3_}) {
    if (watched == grid->viewport() || watched == grid->horizontalHeader()->viewport()) {
      return grid;
    }
  }
  return nullptr;
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (FlexGrid* grid = GridOf(watched)) {
    const bool double_click = event->type() == QEvent::MouseButtonDblClick;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (double_click || release) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (double_click && mouse->button() == Qt::LeftButton) {
        ExportGrid(grid, false);
        return true;
      }
      // Only the history grid has a menu; it opens wherever the button is released.
      if (release && mouse->button() == Qt::RightButton && grid == grid1_) {
        mnu_lsgl_->popup(mouse->globalPosition().toPoint());
        return true;
      }
    }
    return QMainWindow::eventFilter(watched, event);
  }
  if (event->type() == QEvent::KeyPress) {
    // A typed key reaches the entry boxes before the change it causes.
    for (int i = 1; i <= 7; ++i) {
      if (watched == mask_ed_box1_[i]) suppress_entry_ = false;
    }
    for (int i = 1; i <= 7; ++i) {
      if (watched == text22_[i]) {
        return !IsAllowedPatternKey(*static_cast<QKeyEvent*>(event));
      }
    }
  }
  if (event->type() == QEvent::FocusOut) {
    // A pop-up list of the combo box takes the focus only for a moment.
    if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
      if (watched == mask_ed_box2_) MaskEdBox2_LostFocus();
      if (watched == check2_) Check2_LostFocus();
      if (watched == combo1_) Combo1_LostFocus();
      for (int i = 1; i <= 7; ++i) {
        if (watched == text22_[i]) Text22_LostFocus(i);
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void FrmMain::CommitPendingEdits() {
  QWidget* focused = QApplication::focusWidget();
  if (focused == nullptr) return;
  if (focused == mask_ed_box2_) MaskEdBox2_LostFocus();
  if (focused == check2_) Check2_LostFocus();
  if (focused == combo1_ || focused == combo1_->lineEdit()) Combo1_LostFocus();
  for (int i = 1; i <= 7; ++i) {
    if (focused == text22_[i]) Text22_LostFocus(i);
  }
}

void FrmMain::Command9_Click() { mnu_setup_->popup(QCursor::pos()); }

void FrmMain::ShowHint(const QString& text) { statusBar()->showMessage(text, 8000); }

void FrmMain::WarnOfFailure(const std::string& what, const Status& status,
                            const std::string& title) {
  LogWarning(status.ToString());
  prompts_->Warn(what + "\n" + FailureReason(status), title);
}

}  // namespace brivo
