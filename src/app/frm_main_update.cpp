// The online update from the window, and the settings menu of the parameters.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <filesystem>

#include "acquire/online_update.h"
#include "app/failure_reason.h"
#include "app/flex_grid.h"
#include "app/frm_main.h"
#include "platform/install_paths.h"
#include "platform/log.h"
#include "platform/qt/wait_cursor.h"

namespace brivo {
namespace {

constexpr char kUpdateQuestion[] =
    "确实要在线更新最新历史号码吗？更新可能要花费一段时间，网络不通或者我方服务器更新不及时可能都造"
    "成"
    "更新失败！";
constexpr char kUpdateTitle[] = "读入历史";

}  // namespace

void FrmMain::SetHistoryCommandsEnabled(bool enabled) {
  for (QWidget* w : {static_cast<QWidget*>(command1_), static_cast<QWidget*>(command2_),
                     static_cast<QWidget*>(command3_), static_cast<QWidget*>(cmd_rd_lst_),
                     static_cast<QWidget*>(command21_), static_cast<QWidget*>(command9_)}) {
    w->setEnabled(enabled);
  }
  for (int i = 1; i <= 7; ++i) mask_ed_box1_[static_cast<std::size_t>(i)]->setEnabled(enabled);
  for (QAction* action : mnu_lsgl_->actions()) {
    if (action->objectName() != "mnuDcls") action->setEnabled(enabled);
  }
}

void FrmMain::Command21_Click() {
  CommitPendingEdits();
  if (update_running_ || !db_ || !table_) return;
  if (!prompts_->Confirm(kUpdateQuestion, kUpdateTitle)) return;
  update_running_ = true;
  SetHistoryCommandsEnabled(false);
  auto* progress = new QProgressBar;
  statusBar()->addPermanentWidget(progress);
  acquire::OnlineUpdateResult result;
  Status s;
  {
    WaitCursor wait;
    acquire::ResultsPageSource source(*fetcher_, update_site_);
    acquire::OnlineUpdateRequest request;
    request.current_year = context_.clock->CurrentYear();
    request.kept_years = state_.IniSerchDay;
    request.progress = [&](int year, int first, int last) {
      progress->setRange(first, last + 1);
      progress->setValue(year);
      statusBar()->showMessage(QString::fromUtf8("正在读取%1年的开奖号码……").arg(year));
    };
    s = acquire::RunOnlineUpdate(*db_, *table_, AppendingContext(), source, request, &result);
  }
  statusBar()->removeWidget(progress);
  delete progress;
  if (s.ok()) {
    AddHaoma();
    DefaultStartIssue();
    const std::int64_t newest = NewestIssue();
    if (newest > 0) text3_[1]->setText(QString::number(newest));
    PatternRefresh();
    QihaoXianshi();
    ShowHint(QString::fromUtf8("在线更新完成，新增%1期").arg(result.appended));
  } else {
    LogWarning(s.ToString());
    // A page that could not be had, or new draws that could not be stored.
    const std::string what = result.failed_year > 0
                                 ? "无法取得" + std::to_string(result.failed_year) +
                                       "年的开奖号码页面（" + update_site_ + "）。\n" + s.message()
                                 : "无法保存新的开奖号码。\n" + FailureReason(s);
    prompts_->Warn("在线更新失败：" + what + "\n\n历史号码没有改动。", kUpdateTitle);
  }
  SetHistoryCommandsEnabled(true);
  update_running_ = false;
}

void FrmMain::mnuSxcs_Click(int index) {
  state_.SxIni = index;
  context_.settings->SetInt(keys::kSxIni, state_.SxIni);
  for (QAction* a : mnu_sxcs_) a->setChecked(false);
  mnu_sxcs_[static_cast<std::size_t>(state_.SxIni)]->setChecked(true);
  zodiac_.ComputeCodes(state_.SxIni, state_.SxSetup);
}

void FrmMain::mnuDscs_Click(int index) {
  state_.DsIni = index;
  context_.settings->SetInt(keys::kDsIni, state_.DsIni);
  for (QAction* a : mnu_dscs_) a->setChecked(false);
  mnu_dscs_[static_cast<std::size_t>(state_.DsIni)]->setChecked(true);
}

void FrmMain::mnuSxsetup_Click(int index) {
  state_.SxSetup = index == 0;
  mnu_sxsetup_[static_cast<std::size_t>(index)]->setChecked(true);
  mnu_sxsetup_[static_cast<std::size_t>(1 - index)]->setChecked(false);
  context_.settings->SetBool(keys::kSxSetup, state_.SxSetup);
}

void FrmMain::mnuSetDay_Click() {
  for (;;) {
    const auto answer = prompts_->Input(
        "请输入更新需要保留的历史号码的年数（2~"
        "16中的任意自然数），如果超过年数将删除最早的一年的历史"
        "号码",
        "设置年数", std::to_string(state_.IniSerchDay));
    const QString text = QString::fromStdString(answer.value_or("")).trimmed();
    if (text.isEmpty()) return;
    bool digits = text.size() <= 9;
    for (QChar c : text) digits = digits && c >= '0' && c <= '9';
    const int years = digits ? text.toInt() : 0;
    if (years >= kMinSerchDay && years <= kMaxSerchDay) {
      state_.IniSerchDay = years;
      context_.settings->SetInt(keys::kIniSerchDay, state_.IniSerchDay);
      return;
    }
    prompts_->Warn(
        "为了保证时效性和提高计算效率，软件只能统计16年以内的数据，请输入2到16中的自然数。",
        "输入有误");
  }
}

void FrmMain::OpenHelpPage(const char* page) {
  const std::filesystem::path file = std::filesystem::path(HelpFolder()) / page;
  launcher_->OpenAddress(
      QUrl::fromLocalFile(QString::fromStdString(file.string())).toString().toStdString());
}

}  // namespace brivo
