// Keeping the history from the window: the entry boxes, the text import, deleting the newest
// draw, clearing, and the truncations with their rebuild.

#include <QLineEdit>
#include <algorithm>
#include <cstdint>

#include "acquire/draw_line.h"
#include "acquire/history_import.h"
#include "acquire/manual_entry.h"
#include "acquire/truncation.h"
#include "app/frm_main.h"
#include "app/import_folder.h"
#include "platform/base/ascii.h"
#include "platform/base/log.h"
#include "platform/qt/wait_cursor.h"
#include "store/history_db.h"
#include "store/history_ops.h"

namespace brivo {
namespace {

constexpr char kImportQuestion[] =
    "确实要读入最新历史号码吗？点击'确认'读入,点击'取消'放弃该操作。确要读入请保证安装目录下存在"
    "历史号码的文本文件文件。读取时可能要花费一段时间,请耐心等候！";
constexpr char kImportTitle[] = "读入历史";
constexpr char kCutTitle[] = "删除期数";

}  // namespace

void FrmMain::RefreshAfterHistoryChange() {
  AddHaoma();  // reads the history anew; scrolls to the newest draw on a long history
  QihaoXianshi();
  LoadPattern();
}

bool FrmMain::ShowOutsideChange() {
  if (!session_.ChangedElsewhere()) return false;
  RefreshAfterHistoryChange();
  ShowHint(QString::fromUtf8("历史号码已被其他程序改动，已重新读取"));
  return true;
}

bool FrmMain::HistoryAsShown() {
  if (!ShowOutsideChange()) return true;
  ShowHint(QString::fromUtf8(
      "历史号码已被其他程序改动，已重新读取；命令没有执行，请在现在显示的历史上再操作一次"));
  return false;
}

void FrmMain::MaskEdBox1_Change(int index) {
  if (suppress_entry_) return;
  const QString shown = mask_ed_box1_[index]->displayText();
  const bool complete = shown.size() == 2 && !shown.contains('_');
  if (index == 7 && complete) StoreManualDraw();
  if (!suppress_entry_ && index <= 6 && shown.size() == 2 && shown.at(1) != '_') {
    mask_ed_box1_[index + 1]->setFocus();
  }
}

void FrmMain::StoreManualDraw() {
  if (!session_.is_open()) {
    ShowHint(QString::fromUtf8("没有打开的历史数据库，号码未保存"));
    return;
  }
  if (!HistoryAsShown()) return;  // the typed numbers stay for the issue now proposed
  std::array<std::string, 7> boxes;
  for (int i = 1; i <= 7; ++i) {
    boxes[static_cast<std::size_t>(i - 1)] = mask_ed_box1_[i]->displayText().toStdString();
  }
  std::string problem;
  const std::int64_t newest = session_.NewestIssue();
  const auto draw =
      acquire::CheckManualEntry(boxes, text1_->text().toStdString(), newest, &problem);
  if (!draw) {
    ShowHint(QString::fromStdString(problem + "，号码未保存"));
    return;
  }
  if (Status s = session_.AppendDraw(draw->issue, draw->numbers, state_.DsIni); !s.ok()) {
    WarnOfFailure("第" + std::to_string(draw->issue) + "期的号码没有保存。", s);
    return;
  }
  suppress_entry_ = true;
  for (int i = 1; i <= 7; ++i) mask_ed_box1_[i]->clear();
  mask_ed_box1_[1]->setFocus();
  RefreshAfterHistoryChange();
  ShowHint(QString::fromUtf8("第%1期已保存").arg(draw->issue));
}

void FrmMain::cmdRdLst_Click() {
  CommitPendingEdits();
  if (!prompts_->Confirm(kImportQuestion, kImportTitle)) return;
  const auto file =
      prompts_->OpenFile(kImportTitle, ImportStartFolder(context_.program_folder), "Text(*.txt)");
  if (!file || !EndsWithIgnoringAsciiCase(*file, "txt")) {
    QihaoXianshi();
    return;
  }
  // The whole file is read and checked before anything of the history is touched.
  std::vector<std::string> lines;
  if (Status s = acquire::ReadTextLines(*file, &lines); !s.ok()) {
    LogWarning(s.ToString());
    prompts_->Warn("无法读取文件：\n" + *file + "\n\n历史号码没有改动。", kImportTitle);
    return;
  }
  acquire::ParsedLines parsed = acquire::ParseDrawLines(lines, session_.proposed_issue());
  if (parsed.draws.empty()) {
    prompts_->Warn("文件中没有一行完整的开奖号码：\n" + *file + "\n\n历史号码没有改动。",
                   kImportTitle);
    return;
  }
  bool reversed = false;
  if (const auto broken = acquire::PutInAscendingOrder(&parsed.draws, &reversed)) {
    const acquire::ParsedDraw& draw = parsed.draws[*broken];
    const acquire::ParsedDraw& before = parsed.draws[*broken - 1];
    prompts_->Warn("文件第" + std::to_string(draw.line) + "行的期号" + std::to_string(draw.issue) +
                       "与第" + std::to_string(before.line) + "行的期号" +
                       std::to_string(before.issue) +
                       "顺序不符：期号须从旧到新或从新到旧排列，且不能重复。\n" + *file +
                       "\n\n历史号码没有改动。",
                   kImportTitle);
    return;
  }
  if (!session_.is_open()) {
    prompts_->Warn("没有打开的历史数据库，无法读入。", kImportTitle);
    return;
  }
  if (!HistoryAsShown()) return;
  {
    WaitCursor wait;
    if (Status s = session_.Import(parsed.draws, state_.DsIni); !s.ok()) {
      WarnOfFailure("读入失败，历史号码没有改动。", s, kImportTitle);
      return;
    }
    RefreshAfterHistoryChange();
    DefaultIssueRange();  // a new history is searched whole, as after the online update
  }
  ShowHint(
      QString::fromUtf8("读入%1行：%2期开奖号码，跳过%3行%4")
          .arg(parsed.lines_read)
          .arg(parsed.draws.size())
          .arg(parsed.lines_skipped)
          .arg(QString::fromUtf8(reversed ? "（文件从新到旧排列，已按期号从旧到新读入）" : "")));
}

void FrmMain::Command3_Click() {
  CommitPendingEdits();
  if (!session_.is_open() || !HistoryAsShown()) return;
  WaitCursor wait;
  const Status deleted = session_.DeleteNewest();
  if (deleted.ok()) {
    (void)CompactDb();  // tells of its own failure
  } else {
    // Nothing was deleted, so there is nothing to compact either.
    WarnOfFailure("无法删除最后一期，历史号码没有改动。", deleted);
  }
  RefreshAfterHistoryChange();
  mask_ed_box1_[1]->setFocus();
}

void FrmMain::mnuClear_Click() {
  if (!HistoryAsShown()) return;
  if (!prompts_->Confirm("确定要清空所有的历史号码吗？", "确认清空")) return;
  if (session_.is_open()) {
    const Status s = session_.Clear();
    if (!s.ok()) WarnOfFailure("清空失败，历史号码没有改动。", s, "确认清空");
  }
  AddHaoma();
}

void FrmMain::mnuDlzd_Click() {
  if (!HistoryAsShown()) return;
  const auto answer =
      prompts_->Input("请输入需要删除到的期数，例如‘2014016’", kCutTitle,
                      std::to_string(static_cast<std::int64_t>(session_.proposed_issue()) - 1));
  const std::int32_t limit = acquire::ParsePositiveAnswer(answer);
  if (!answer || !AnswerIsPositive(*answer, limit)) return;
  std::vector<acquire::ParsedDraw> draws;
  if (!ReadStoredDraws(&draws)) return;
  if (draws.empty() || limit > draws.back().issue) {
    prompts_->Warn(draws.empty()
                       ? "历史号码是空的，没有可删除的历史号码。"
                       : "第" + std::to_string(limit) + "期在最新一期之后（最新一期是第" +
                             std::to_string(draws.back().issue) + "期），没有删除历史号码。",
                   kCutTitle);
    return;
  }
  std::size_t kept = 0;
  while (kept < draws.size() && draws[kept].issue <= limit) ++kept;
  CutHistory(std::move(draws), kept);
}

void FrmMain::mnuEszhzd_Click() {
  if (!HistoryAsShown()) return;
  const auto answer = prompts_->Input(
      "请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）", kCutTitle,
      "1");
  const std::int32_t count = acquire::ParsePositiveAnswer(answer);
  if (!answer || !AnswerIsPositive(*answer, count)) return;
  std::vector<acquire::ParsedDraw> draws;
  if (!ReadStoredDraws(&draws) || draws.empty()) return;  // an empty history has nothing to cut
  // Exactly the newest `count` stored draws go, whatever their issue numbers.
  const std::size_t kept = draws.size() - std::min(draws.size(), static_cast<std::size_t>(count));
  CutHistory(std::move(draws), kept);
}

bool FrmMain::AnswerIsPositive(const std::string& answer, std::int32_t value) {
  if (value > 0) return true;
  prompts_->Warn("“" + answer + "”不是正整数，没有删除历史号码。", kCutTitle);
  return false;
}

bool FrmMain::ReadStoredDraws(std::vector<acquire::ParsedDraw>* draws) {
  if (!session_.is_open()) return false;
  const Status s = session_.StoredDraws(draws);
  if (!s.ok()) WarnOfFailure("无法读取历史号码，历史号码没有改动。", s, kCutTitle);
  return s.ok();
}

void FrmMain::CutHistory(std::vector<acquire::ParsedDraw> draws, std::size_t kept) {
  if (!session_.is_open()) return;
  const std::size_t going = draws.size() - kept;
  if (going > 0) {
    const std::string question =
        kept == 0 ? "将删除全部" + std::to_string(going) + "期历史号码，历史将被清空。"
                  : "将删除最后" + std::to_string(going) + "期历史号码，删除后最新一期为第" +
                        std::to_string(draws[kept - 1].issue) + "期。";
    if (!prompts_->Confirm(question + "\n确定要删除吗？", kCutTitle)) return;
  }
  draws.resize(kept);
  if (Status s = session_.WriteScratchFile(draws); !s.ok()) {
    WarnOfFailure("无法写入临时文件 lsbf.txt，历史号码没有改动。", s, kCutTitle);
    return;
  }
  if (Dqzd()) (void)CompactDb();  // tells of its own failure
}

bool FrmMain::Dqzd() {
  if (!session_.is_open()) return false;
  WaitCursor wait;
  if (Status s = session_.RebuildFromScratchFile(state_.DsIni); !s.ok()) {
    WarnOfFailure("重建历史失败，历史号码没有改动。", s, kCutTitle);
    return false;
  }
  RefreshAfterHistoryChange();
  return true;
}

}  // namespace brivo
