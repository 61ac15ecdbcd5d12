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
#include "platform/install_paths.h"

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
  // 1-3. The boundary table is built in; the first settings.
  state_.IniSerchDay = ReadIniSerchDay(settings);
  state_.bolZyw = ReadBolZyw(settings);
  state_.bolSq = ReadBolSq(settings);
  state_.intLei = ReadIntLei(settings);
  update_site_ = ReadTxtUpdateSite(settings);
  update_sources_ = ReadTxtUpdateSources(settings);
  // 4. The history database with its table recordset and ordered snapshot.
  OpenHistory();
  // 5-6. Mode and basis; the count-blue box.
  Select(option1_, state_.bolZyw ? 1 : 0, &FrmMain::Option1_Click);
  check2_->setVisible(state_.bolZyw);
  Select(option1_, state_.bolSq ? 3 : 2, &FrmMain::Option1_Click);
  check2_->setChecked(ReadIntIdfTm(settings) == 1);
  // 7-8. Result scope and result kind.
  state_.intConsqSort = ReadIntConsqSort(settings);
  Select(option5_, state_.intConsqSort, &FrmMain::Option5_Click);
  state_.intXianshiLei = ReadIntXianshiLei(settings);
  state_.result_letter = store::kKindLetters[static_cast<std::size_t>(state_.intXianshiLei)];
  Select(option4_, state_.intXianshiLei, &FrmMain::Option4_Click);
  // 9-10. The attribute parameters and their menu checks.
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
  // 11-13. Combination pool, look-back distance and combination size.
  Select(option6_, state_.bolZhpm ? 1 : 0, &FrmMain::Option6_Click);
  state_.intPreQi = ReadIntPreQi(settings);
  mask_ed_box2_->setText(QString::number(state_.intPreQi));
  state_.intZhWSetup = ReadIntZhWSetup(settings);
  combo1_->setEditText(QString::number(state_.intZhWSetup));
  // 14-15. The base groups are built in; the ranking grid's first columns.
  grid3_->SetCols(std::max(grid3_->Cols(), 4));
  const int widths[4] = {480, 680, 800, 880};
  for (int c = 0; c < 4; ++c) grid3_->SetColWidthTwips(c, widths[c]);
  // 16-17. The proposed issue and the zodiac year it belongs to.
  QihaoXianshi();
  session_.zodiac().SetZodiacYear(ZodiacYearOfText1());
  // 18-19. The search kind; the animal names are built in.
  Select(option3_, state_.intLei, &FrmMain::Option3_Click);
  // 20. The default issue range.
  DefaultStartIssue();
  if (const std::int64_t newest = session_.NewestIssue(); newest > 0) {
    text3_[1]->setText(QString::number(newest));
  }
  // 21-22. The search pattern from the pattern record (or the manual boxes).
  LoadPattern();
  // 23-24. The zodiac codes and groups for the reference year.
  store::ZodiacTables& zodiac = session_.zodiac();
  zodiac.ComputeCodes(state_.SxIni, state_.SxSetup);
  zodiac.SetZodiacYear(zodiac.reference_year());
  // 25. The history grid.
  AddHaoma();
  // An empty history (a new user): the status bar says how to fill it, until the next hint.
  // Nothing is read without the user asking.
  if (session_.NewestIssue() <= 0) {
    statusBar()->showMessage(
        QString::fromUtf8(
            "历史号码是空的：点击“读取历史号文本”读入随程序附带的%1，或点击“历史号在线更新”")
            .arg(QString::fromUtf8(kShippedHistoryFile)));
  }
}

}  // namespace brivo
