// The history as the window holds it: opening the database, the history grid, the proposed
// issue, delete-all and compaction.

#include <QLineEdit>
#include <QStatusBar>
#include <filesystem>

#include "app/failure_reason.h"
#include "app/flex_grid.h"
#include "app/frm_main.h"
#include "platform/base/log.h"
#include "platform/base/native_file.h"
#include "platform/base/program_folder.h"
#include "platform/qt/wait_cursor.h"
#include "store/history_db.h"
#include "store/history_ops.h"

namespace brivo {
namespace {

constexpr char kAccessKeptName[] = "QolvexSSQ-Access.mdb";
constexpr int kRowsThatFit = 39;  // grid rows shown without scrolling

}  // namespace

void FrmMain::OpenHistory() {
  const std::string path = session_.HistoryPath();
  if (store::DetectFileKind(path) == store::FileKind::kAccess && !OfferToSetAsideAccessFile(path)) {
    return;
  }
  auto open = [this] {
    Status s = session_.Open();
    if (!s.ok()) LogWarning(s.ToString());
    return s;
  };
  Status s = open();
  if (s.code() == Status::Code::kCorruption || s.code() == Status::Code::kNotHistory) {
    if (!OfferToSetAsideUnreadableFile(path, s)) return;
    s = open();  // a new, empty history under the name
  }
  if (!s.ok()) ReportUnopenableHistory(path, s);
}

// A damaged or foreign file under the history's name is kept under another name, never
// deleted or repaired, and a new history starts only when the user agrees; otherwise the window
// opens with an empty history and the file stays as it is.
bool FrmMain::OfferToSetAsideUnreadableFile(const std::string& path, const Status& status) {
  const std::string question =
      "无法打开历史数据库：\n" + path + "\n\n" + FailureReason(status) +
      "\n\n按“确定”将它改名为 QolvexSSQ-damaged.mdb 保留，并新建一个空的历史数据库"
      "（之后可用“读取历史号文本”从文本文件读入历史号码）。\n"
      "按“取消”则不改动该文件，窗口以空的历史打开。";
  if (!prompts_->Confirm(question, kMessageTitle)) return false;
  std::string kept;
  if (Status s = store::SetAsideHistoryFile(path, "QolvexSSQ-damaged", &kept); !s.ok()) {
    WarnOfFailure("无法将 QolvexSSQ.mdb 改名，文件没有被改动。", s);
    return false;
  }
  ShowHint(QString::fromUtf8("原文件已改名为 %1 保留").arg(QString::fromStdString(kept)));
  return true;
}

// A history of the old Access format cannot be read here; it is kept under another name, never
// deleted, and a new history starts only when the user agrees.
bool FrmMain::OfferToSetAsideAccessFile(const std::string& path) {
  const std::string kept = store::ProgramFile(context_.program_folder, kAccessKeptName);
  const std::string question =
      "程序文件夹中的 QolvexSSQ.mdb 是旧版 Access 格式的历史数据库，本程序不能读取。\n\n"
      "按“确定”将它改名为 QolvexSSQ-Access.mdb 保留，并新建一个空的历史数据库"
      "（之后可用“读取历史号文本”从文本文件读入历史号码）。\n"
      "按“取消”则不改动该文件，窗口以空的历史打开。";
  if (!prompts_->Confirm(question, kMessageTitle)) return false;
  std::error_code ec;
  if (std::filesystem::exists(NativePath(kept), ec)) {
    prompts_->Warn(
        "无法改名：程序文件夹中已有 QolvexSSQ-Access.mdb。\n"
        "请先移走该文件，再重新启动程序。",
        kMessageTitle);
    return false;
  }
  std::filesystem::rename(NativePath(path), NativePath(kept), ec);
  if (ec) {
    LogWarning("renaming " + path + ": " + ec.message());
    prompts_->Warn("无法将 QolvexSSQ.mdb 改名，文件没有被改动。\n" +
                       FailureReason(Status::FromErrno("rename", ec.value())),
                   kMessageTitle);
    return false;
  }
  return true;
}

void FrmMain::ReportUnopenableHistory(const std::string& path, const Status& status) {
  std::string reason = FailureReason(status);
  if (!IsWritableFolder(context_.program_folder)) {
    reason = "程序文件夹 " + context_.program_folder + " 不能写入（只读或没有权限）。\n" + reason;
  }
  prompts_->Warn("无法打开历史数据库：\n" + path + "\n\n" + reason +
                     "\n窗口将以空的历史打开，文件没有被改动。",
                 kMessageTitle);
}

void FrmMain::AddHaoma() {
  grid1_->setVisible(false);
  std::vector<HistoryGridRow> rows;
  if (session_.is_open()) {
    if (Status s = session_.HistoryRows(&rows); !s.ok()) LogWarning(s.ToString());
  }
  grid1_->setUpdatesEnabled(false);
  grid1_->SetRows(static_cast<int>(rows.size()) + 1);
  grid1_->SetCols(8);
  const HistoryGridRow& headings = HistoryGridHeadings();
  for (int c = 0; c < 8; ++c) {
    grid1_->SetText(0, c, QString::fromStdString(headings[static_cast<std::size_t>(c)]));
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (int c = 0; c < 8; ++c) {
      grid1_->SetText(static_cast<int>(r) + 1, c,
                      QString::fromStdString(rows[r][static_cast<std::size_t>(c)]));
    }
  }
  grid1_->setUpdatesEnabled(true);
  if (grid1_->Rows() > kRowsThatFit) grid1_->ShowLastRow();
  grid1_->SetColWidthTwips(0, 820);
  for (int c = 1; c < 8; ++c) grid1_->SetColWidthTwips(c, 600);
  grid1_->setVisible(true);
}

void FrmMain::QihaoXianshi() {
  std::int64_t newest = 0;
  (void)session_.ReadProposedIssue(&newest);  // an empty history proposes nothing new
  state_.proposed_issue = session_.proposed_issue();
  if (state_.proposed_issue > 0) {
    text1_->setText(QString::number(state_.proposed_issue));
    text3_[1]->setText(QString::number(newest));
  } else {
    text1_->setText(QString::number(context_.clock->CurrentYear()) + "001");
  }
}

Status FrmMain::CompactDb() {
  WaitCursor wait;
  Status reopened;
  const Status compacted = session_.Compact(&reopened);
  if (!compacted.ok()) {
    WarnOfFailure("数据库压缩失败，历史号码完好，没有丢失。", compacted);
  }
  if (!reopened.ok()) {
    LogWarning(reopened.ToString());
    ReportUnopenableHistory(session_.HistoryPath(), reopened);
    return reopened;
  }
  return compacted;
}

}  // namespace brivo
