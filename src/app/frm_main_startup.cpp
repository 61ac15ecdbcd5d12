// The start-up sequence: settings into the window state, the history opened, every option set
// (running its handler, as a click does), the issue range, the pattern and the grids.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>

#include "app/flex_grid.h"
#include "app/frm_main.h"
#include "platform/base/install_paths.h"

namespace brivo {

std::int32_t FrmMain::ZodiacYearOfText1() const {
  const std::string text = text1_->text().trimmed().toStdString();
  auto number = [](const std::string& digits) {
    bool ok = false;
    const int value = QString::fromStdString(digits).toInt(&ok);
    return ok ? value : 0;
  };
  int year = number(text.substr(0, 4));
  if (year == 0) year = context_.clock->CurrentYear();
  const int sequence = number(text.size() >= 3 ? text.substr(text.size() - 3) : text);
  if (sequence <= store::ZodiacTables::BoundaryEntry(year)) --year;
  return year;
}

void FrmMain::StartUp() {
  auto Select = [this](const auto& buttons, int index, void (FrmMain::*handler)(int)) {
    SelectOption(buttons[static_cast<std::size_t>(index)], index, handler);
  };
  SettingsStore& settings = *context_.settings;
  // The mode, basis, search kind and kept years as stored, and the online update's sources.
  state_.IniSerchDay = ReadIniSerchDay(settings);
  state_.bolZyw = ReadBolZyw(settings);
  state_.bolSq = ReadBolSq(settings);
  state_.intLei = ReadIntLei(settings);
  update_site_ = ReadTxtUpdateSite(settings);
  update_sources_ = ReadTxtUpdateSources(settings);
  // The history file of the program folder, with its recordsets (or an empty window).
  OpenHistory();
  if (const std::vector<std::int64_t>& repeated = session_.repeated_issues(); !repeated.empty()) {
    std::string issues;
    for (std::int64_t issue : repeated)
      issues += (issues.empty() ? "" : "、") + std::to_string(issue);
    prompts_->Warn("历史号码中有重复的期号：" + issues +
                       "。\n历史文件没有改动；每期只应保存一次，请先删去重复的期"
                       "（例如用“删除到选定期”删到重复之前，再补上以后的期）。",
                   kMessageTitle);
  }
  // Mode and basis selected as a click would; the count-blue box shows in free-position mode.
  Select(option1_, state_.bolZyw ? 1 : 0, &FrmMain::Option1_Click);
  check2_->setVisible(state_.bolZyw);
  Select(option1_, state_.bolSq ? 3 : 2, &FrmMain::Option1_Click);
  check2_->setChecked(ReadIntIdfTm(settings) == 1);
  // The result scope and the result kind of the ranking.
  state_.intConsqSort = ReadIntConsqSort(settings);
  Select(option5_, state_.intConsqSort, &FrmMain::Option5_Click);
  state_.intXianshiLei = ReadIntXianshiLei(settings);
  state_.result_letter = store::kKindLetters[state_.ResultKind()];
  Select(option4_, state_.intXianshiLei, &FrmMain::Option4_Click);
  // The segment and zodiac offsets and the zodiac coding, with their menu checks.
  state_.DsIni = ReadDsIni(settings);
  state_.SxIni = ReadSxIni(settings);
  state_.SxSetup = ReadSxSetup(settings);
  state_.bolZhpm = ReadBolZhpm(settings);
  mnu_sxsetup_[0]->setChecked(state_.SxSetup);
  mnu_sxsetup_[1]->setChecked(!state_.SxSetup);
  for (QAction* a : mnu_dscs_) a->setChecked(false);
  mnu_dscs_[static_cast<std::size_t>(state_.DsIni)]->setChecked(true);
  for (QAction* a : mnu_sxcs_) a->setChecked(false);
  mnu_sxcs_[static_cast<std::size_t>(state_.SxIni)]->setChecked(true);
  // The combination pool, the look-back distance N and the combination size.
  Select(option6_, state_.bolZhpm ? 1 : 0, &FrmMain::Option6_Click);
  state_.intPreQi = ReadIntPreQi(settings);
  mask_ed_box2_->setText(QString::number(state_.intPreQi));
  state_.intZhWSetup = ReadIntZhWSetup(settings);
  combo1_->setEditText(QString::number(state_.intZhWSetup));
  // The ranking grid's first columns and their widths.
  grid3_->SetCols(std::max(grid3_->Cols(), 4));
  const int widths[4] = {480, 680, 800, 880};
  for (int c = 0; c < 4; ++c) grid3_->SetColWidthTwips(c, widths[c]);
  // The proposed issue, and the zodiac year it belongs to as the reference year.
  QihaoXianshi();
  session_.zodiac().SetZodiacYear(ZodiacYearOfText1());
  // The search kind, selected as a click would (which also loads the pattern).
  Select(option3_, state_.intLei, &FrmMain::Option3_Click);
  // The default issue range: from the first draw with a pattern record to the newest.
  DefaultIssueRange();
  // The search pattern from the pattern record (or the manual boxes).
  LoadPattern();
  // The zodiac codes, and the zodiac groups of the reference year.
  store::ZodiacTables& zodiac = session_.zodiac();
  zodiac.ComputeCodes(state_.SxIni, state_.SxSetup);
  zodiac.SetZodiacYear(zodiac.reference_year());
  // The history grid, scrolled to the newest draw.
  AddHaoma();
  // An empty history (a new user): the status bar says how to fill it, until the next hint.
  // Nothing is read without the user asking.
  if (session_.NewestIssue() <= 0) {
    statusBar()->showMessage(
        QString::fromUtf8(
            "历史号码是空的：点击“读取历史号文本”读入随程序附带的%1，或点击“历史号在线更新”")
            .arg(QString::fromUtf8(kShippedHistoryFile)));
  }
  starting_up_ = false;
}

}  // namespace brivo
