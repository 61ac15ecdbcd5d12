// The online update from the window, and the settings menu of the parameters.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <vector>

#include "acquire/online_update.h"
#include "acquire/update_sources.h"
#include "app/analysis_tabs.h"
#include "app/counting_fetcher.h"
#include "app/failure_reason.h"
#include "app/flex_grid.h"
#include "app/frm_main.h"
#include "platform/base/install_paths.h"
#include "platform/base/log.h"
#include "platform/qt/wait_cursor.h"

namespace brivo {
namespace {

constexpr char kUpdateQuestion[] =
    "确实要在线更新最新历史号码吗？更新可能要花费一段时间，网络不通或者我方服务器更新不及时可能都造"
    "成"
    "更新失败！";
constexpr char kUpdateTitle[] = "读入历史";

// The kept-years rule would delete the whole history: asked before, OK deletes.
std::string KeptYearsQuestion(int kept_years, int draws, int refetch_year) {
  return "历史号码超过了需要保留的" + std::to_string(kept_years) + "年。更新将删除全部" +
         std::to_string(draws) + "期历史号码，从" + std::to_string(refetch_year) +
         "年起重新读取。\n\nOK：删除并重新读取。\nCancel：保留全部历史号码，只追加新的开奖号码。";
}

// Where the update stopped, the sources it used (as the setting is written), why each could not
// go on, and what was kept.
std::string StopMessage(const acquire::OnlineUpdateResult& result, std::int64_t newest,
                        const std::string& sources) {
  const std::string issue = std::to_string(result.stopped_at);
  std::string text = result.cancelled
                         ? "在线更新已取消，" + issue + "期及以后的开奖号码没有读取。\n"
                         : "在线更新失败：无法取得" + issue + "期及以后的开奖号码。\n";
  if (!result.cancelled && sources.empty()) {
    text += "没有可用的更新来源（txtUpdateSources）。\n";
  } else if (!result.cancelled) {
    text += "使用的更新来源：" + sources + "\n";
  }
  for (const acquire::SourceFailure& f : result.failures) {
    text += f.source + "（" + f.base + "）：" + f.reason + "\n";
  }
  if (result.appended == 0) return text + "\n历史号码没有改动。";
  return text + "\n已保存新增的" + std::to_string(result.appended) + "期开奖号码（至" +
         std::to_string(newest) + "期），历史号码没有空缺。";
}

}  // namespace

void FrmMain::SetHistoryCommandsEnabled(bool enabled) {
  std::vector<QWidget*> widgets = {command1_,   command2_, command3_, command4_, cmd_rd_lst_,
                                   command21_,  command9_, combo1_,   check2_,   mask_ed_box2_,
                                   tab_strip1_, text3_[0], text3_[1]};
  widgets.insert(widgets.end(), option1_.begin(), option1_.end());
  widgets.insert(widgets.end(), {option2_[4], option2_[5]});
  widgets.insert(widgets.end(), option3_.begin(), option3_.end());
  widgets.insert(widgets.end(), option4_.begin(), option4_.end());
  widgets.insert(widgets.end(), option5_.begin(), option5_.end());
  widgets.insert(widgets.end(), option6_.begin(), option6_.end());
  for (int i = 1; i <= 7; ++i) {
    widgets.insert(widgets.end(), {mask_ed_box1_[i], check1_[i], check11_[i], text22_[i]});
  }
  for (QWidget* w : widgets) {
    if (w != nullptr) w->setEnabled(enabled);
  }
  analysis_->SetCommandsEnabled(enabled);
  for (QAction* action : mnu_lsgl_->actions()) {
    if (action->objectName() != "mnuDcls") action->setEnabled(enabled);
  }
}

void FrmMain::Command21_Click() {
  CommitPendingEdits();
  if (update_running_ || !session_.is_open() || !HistoryAsShown()) return;
  if (!prompts_->Confirm(kUpdateQuestion, kUpdateTitle)) return;
  acquire::OnlineUpdateRequest request;
  request.current_year = context_.clock->CurrentYear();
  request.kept_years = state_.IniSerchDay;
  int doomed = 0;
  if (session_.DrawsOutsideKeptYears(request.current_year, request.kept_years, &doomed).ok() &&
      doomed > 0) {
    request.delete_old_history = prompts_->Confirm(
        KeptYearsQuestion(request.kept_years, doomed, request.current_year - request.kept_years),
        kUpdateTitle);
  }
  // A results site of the user's own first, then the sources in their order.
  std::vector<acquire::SourceAddress> addresses = acquire::ParseSourceList(update_sources_);
  if (!update_site_.empty()) addresses.insert(addresses.begin(), {"page", update_site_});
  // The bar moves by a tenth of a year with each page read (a source may read many pages for
  // one year), and to the start of each year the update reaches.
  constexpr int kYearSteps = 10;
  auto* progress = new QProgressBar;
  progress->setObjectName("UpdateProgress");
  int year_start = 0, pages_in_year = 0;
  CountingFetcher counting(*fetcher_, [&] {
    pages_in_year = std::min(pages_in_year + 1, kYearSteps - 1);
    progress->setValue(year_start + pages_in_year);
  });
  std::vector<std::unique_ptr<acquire::DrawSource>> owned;
  std::vector<acquire::DrawSource*> sources;
  for (const acquire::SourceAddress& address : addresses) {
    owned.push_back(acquire::MakeDrawSource(address, counting));
    sources.push_back(owned.back().get());
  }
  update_running_ = true;
  update_cancelled_ = false;
  SetHistoryCommandsEnabled(false);
  auto* cancel = new QPushButton(QString::fromUtf8("取消"));
  cancel->setObjectName("cmdUpdateCancel");
  connect(cancel, &QPushButton::clicked, this, [this] {
    update_cancelled_ = true;
    fetcher_->Cancel();
  });
  statusBar()->addPermanentWidget(progress);
  statusBar()->addPermanentWidget(cancel);
  acquire::OnlineUpdateResult result;
  Status s;
  {
    WaitCursor wait;
    request.progress = [&](const acquire::DrawSource& source, int year, int first, int last) {
      progress->setRange(0, (last + 1 - first) * kYearSteps);
      if ((year - first) * kYearSteps != year_start) pages_in_year = 0;
      year_start = (year - first) * kYearSteps;
      progress->setValue(year_start + pages_in_year);
      statusBar()->showMessage(
          QString::fromUtf8("正在从%1（%2）读取%3年的开奖号码……")
              .arg(QString::fromStdString(source.Name()), QString::fromStdString(source.Base()))
              .arg(year));
    };
    request.cancelled = [this] { return update_cancelled_; };
    s = session_.UpdateOnline(sources, request, state_.DsIni, &result);
  }
  for (QWidget* w : {static_cast<QWidget*>(progress), static_cast<QWidget*>(cancel)}) {
    statusBar()->removeWidget(w);
    w->deleteLater();  // the button's own click may still be on the stack
  }
  statusBar()->clearMessage();
  if (result.appended > 0 || s.ok()) {
    RefreshAfterHistoryChange();
    DefaultIssueRange();  // the issue range runs over the whole history again
    ShowHint(QString::fromUtf8("在线更新完成，新增%1期").arg(result.appended));
  }
  if (!s.ok()) {
    LogWarning(s.ToString());
    prompts_->Warn(result.stopped_at != 0 ? StopMessage(result, session_.NewestIssue(),
                                                        acquire::SourceListText(addresses))
                                          : "在线更新失败：无法保存新的开奖号码。\n" +
                                                FailureReason(s) + "\n\n历史号码没有改动。",
                   kUpdateTitle);
  }
  SetHistoryCommandsEnabled(true);
  update_running_ = false;
}

void FrmMain::mnuSxcs_Click(int index) {
  state_.SxIni = index;
  SaveInt(keys::kSxIni, state_.SxIni);
  for (QAction* a : mnu_sxcs_) a->setChecked(false);
  mnu_sxcs_[static_cast<std::size_t>(state_.SxIni)]->setChecked(true);
  session_.zodiac().ComputeCodes(state_.SxIni, state_.SxSetup);
}

void FrmMain::mnuDscs_Click(int index) {
  state_.DsIni = index;
  SaveInt(keys::kDsIni, state_.DsIni);
  for (QAction* a : mnu_dscs_) a->setChecked(false);
  mnu_dscs_[static_cast<std::size_t>(state_.DsIni)]->setChecked(true);
}

void FrmMain::mnuSxsetup_Click(int index) {
  state_.SxSetup = index == 0;
  mnu_sxsetup_[static_cast<std::size_t>(index)]->setChecked(true);
  mnu_sxsetup_[static_cast<std::size_t>(1 - index)]->setChecked(false);
  SaveBool(keys::kSxSetup, state_.SxSetup);
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
      SaveInt(keys::kIniSerchDay, state_.IniSerchDay);
      return;
    }
    prompts_->Warn(
        "为了保证时效性和提高计算效率，软件只能统计16年以内的数据，请输入2到16中的自然数。",
        "输入有误");
  }
}

void FrmMain::OpenHelpPage(const char* page) {
  const QString file = QString::fromStdString(HelpFolder()) + '/' + QString::fromUtf8(page);
  launcher_->OpenAddress(QUrl::fromLocalFile(file).toString().toStdString());
}

}  // namespace brivo
