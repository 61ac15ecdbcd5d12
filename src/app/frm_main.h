#pragma once

#include <QMainWindow>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "acquire/history_import.h"
#include "app/analysis_inputs.h"
#include "app/failure_reason.h"
#include "app/window_settings.h"
#include "model/history_session.h"
#include "platform/base/clock.h"
#include "platform/base/launcher.h"
#include "platform/base/prompts.h"
#include "platform/base/settings_store.h"
#include "platform/db/database.h"
#include "platform/web/page_fetcher.h"
#include "search/criteria.h"
#include "store/attributes.h"
#include "store/draw_record.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabBar;

namespace brivo {

class AnalysisTabs;
class FlexGrid;

// What the window runs on: its folder, its settings, its clock and its dialogs.
struct AppContext {
  std::string program_folder;
  SettingsStore* settings = nullptr;
  const Clock* clock = nullptr;
  // The dialogs; null for the window's own Qt dialogs.
  Prompts* prompts = nullptr;
  // What opens exported files; null for the desktop's own handlers.
  Launcher* launcher = nullptr;
  // What fetches the results pages of the online update; null for Qt Network.
  PageFetcher* fetcher = nullptr;
};

// The program's one window. It holds every control, the window state and the history model, and
// runs the start-up sequence when built. A handler reads its controls, calls the model and shows
// what it answers.
class FrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit FrmMain(AppContext context, QWidget* parent = nullptr);
  ~FrmMain() override;

  // The option and box handlers; selecting an option from the program calls the same one.
  void Option1_Click(int index);  // 0 固定位, 1 自由位 (mode); 2 前N期, 3 上期 (basis)
  void Option2_Click(int index);  // 4 落地码, 5 顺序码 (number order)
  void Option3_Click(int index);  // 搜索类型: the search kind 号码 生肖 头数 尾数 合数 段数
  void Option4_Click(int index);  // 结果类型: the result kind, same six
  void Option5_Click(int index);  // 结果统计: the result scope 红蓝 红球 蓝球
  void Option6_Click(int index);  // the combination pool 红蓝 or 红球
  void MaskEdBox2_LostFocus();    // the look-back distance N of 前N期
  void Check2_LostFocus();        // 自由位计蓝球: free-position mode counts the blue number
  void Combo1_LostFocus();        // 组合位数: the combination size
  void Text22_LostFocus(int index);  // a manual pattern box of the 手动输入号 tab
  void TabStrip1_Click();  // 自动历史位 / 手动输入号: where the pattern comes from
  void Command9_Click();   // 软件设置: opens the settings menu

  // History view refresh (AddHaoma, "add numbers"): reads the history anew into the history grid.
  void AddHaoma();
  // Proposed-issue refresh (QihaoXianshi, "show the issue"): Text1 and Text3(1) from the newest
  // row.
  void QihaoXianshi();
  // Closes, checks and compacts the history database and reopens it with both recordsets.
  Status CompactDb();
  // Loads the search pattern from the pattern record (or the manual boxes).
  void PatternRefresh();
  // Text3(0) = the oldest issue + 1 (上期) or + the look-back distance (前N期).
  void DefaultStartIssue();
  // The whole history as the issue range: DefaultStartIssue and Text3(1) = the newest issue.
  void DefaultIssueRange();

  // Keeping the history: manual entry, text import, deleting, clearing, truncating.
  void MaskEdBox1_Change(int index);  // an entry box changed; the seventh stores the draw
  void cmdRdLst_Click();              // 读取历史号文本: the text import
  void Command3_Click();              // deletes the newest draw
  void mnuClear_Click();              // clears the history
  void mnuDlzd_Click();               // 删除到指定期数: cuts the history back to an issue
  void mnuEszhzd_Click();             // 删除最后N期: cuts the newest N draws
  // Dqzd ("read the scratch file"): rebuilds every row from the scratch file; false when the
  // history was left as it was.
  bool Dqzd();

  // 检索: the position search; the criteria as the controls hold them (nullopt, with a hint,
  // when the issue range is no pair of whole numbers).
  void Command1_Click();
  void Command2_Click();  // 组合检索: the combination search
  std::optional<search::SearchCriteria> ReadCriteria();
  // False, having told the user, when start is after end or no stored draw lies between them.
  bool RangeHoldsDraws(std::int64_t start, std::int64_t end);
  // Runs a search on the criteria of the controls and shows its answer.
  using SearchRunner = Status (HistorySession::*)(const search::SearchCriteria&,
                                                  search::SearchResult*);
  void RunSearch(SearchRunner run, const char* failure);
  // Shows a search's answer in the matched-draw grid and the ranking grid.
  void FillResultGrids(const search::SearchCriteria& criteria, const search::SearchResult& result);
  // What the analysis pages take from the window: its criteria, the history, its zodiac tables.
  AnalysisInputs AnalysisInputsOfWindow();

  // 历史号在线更新: the online update; while it runs the commands that change the history or
  // search it are disabled.
  void Command21_Click();
  bool update_running() const { return update_running_; }

  // The settings menu: zodiac offset, segment offset, zodiac coding, kept years, help pages.
  void mnuSxcs_Click(int index);     // 生肖参数: the zodiac offset 0 or 1 (SxIni)
  void mnuDscs_Click(int index);     // 段数参数: the segment offset 0 or 1 (DsIni)
  void mnuSxsetup_Click(int index);  // 生肖取值: the zodiac coding (SxSetup)
  void mnuSetDay_Click();            // 历史号码更新检索年: the kept years of the update
  void OpenHelpPage(const char* page);

  // Exports: the history as a text file, a grid as a workbook (the menu variant hides the grid
  // and shows the wait cursor while copying).
  void Command4_Click();  // 历史号码导出文本文件
  void mnuDcls_Click();   // 导出历史号码: the history grid as a workbook
  // `file` names the workbook of a grid other than the three result grids.
  void ExportGrid(FlexGrid* grid, bool from_menu, const char* file = nullptr);

  // Runs the lost-focus handler of the box that has the focus: a command started by an access
  // key has taken no focus from it, so its handler has not run yet.
  void CommitPendingEdits();

  // Shows the window where it belongs (window_placement.h); where it is closed is kept.
  void ShowPlaced();

  const WindowState& state() const { return state_; }
  const store::ZodiacTables& zodiac() const { return session_.zodiac(); }
  HistorySession& session() { return session_; }
  Database* database() const { return session_.database(); }
  Recordset* history_table() const { return session_.table(); }
  const search::HistoryDraws& history_draws() const { return session_.draws(); }
  const std::string& program_folder() const { return context_.program_folder; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  QWidget* BuildSearchFrames();
  QWidget* BuildTabs();
  QWidget* BuildButtons();
  QWidget* BuildEntryArea();
  void WireHandlers();

  void StartUp();
  void OpenHistory();
  // The grid whose viewport or heading the object is, or null.
  FlexGrid* GridOf(QObject* watched) const;
  bool OfferToSetAsideAccessFile(const std::string& path);
  bool OfferToSetAsideUnreadableFile(const std::string& path, const Status& status);
  void ReportUnopenableHistory(const std::string& path, const Status& status);

  // Stores a setting the user has just changed; nothing while starting up, when the handlers
  // only show what was read (a write would make the settings file be rewritten whole).
  void SaveInt(const char* key, int value);
  void SaveBool(const char* key, bool value);
  // Selects an option button and runs its array's handler for its index, as a click would.
  void SelectOption(QRadioButton* button, int index, void (FrmMain::*handler)(int));

  void StoreManualDraw();
  // Every stored draw, oldest first, from a snapshot of its own; false (with a warning) when the
  // history cannot be read.
  bool ReadStoredDraws(std::vector<acquire::ParsedDraw>* draws);
  // False, having told the user why, when a truncation's answer read as `value` is no positive
  // whole number.
  bool AnswerIsPositive(const std::string& answer, std::int32_t value);
  // Keeps the first `kept` of the draws once the user has agreed to lose the rest: writes them to
  // the scratch file, rebuilds every row from it and compacts.
  void CutHistory(std::vector<acquire::ParsedDraw> draws, std::size_t kept);
  // The refresh every history change ends with: grid, proposed issue, pattern.
  void RefreshAfterHistoryChange();
  // Asks the model whether another program changed the history file; when it did, shows the
  // history as it now is and says so in the status bar. True when it had changed.
  bool ShowOutsideChange();
  // For a command that changes the history: false when another program changed the file, which
  // the window then shows anew, asking the user to repeat the command on what it shows.
  bool HistoryAsShown();

  // Enables or disables every command that changes the history, reads it (the searches, the
  // analysis pages, the text export) or changes the criteria, while a long command runs.
  void SetHistoryCommandsEnabled(bool enabled);

  // The search pattern from the pattern record into Text2 (automatic tab), or from the manual
  // boxes Text22 (manual tab).
  void LoadPattern();
  // The manual pattern box of a position, or all of them: a whole number becomes the position's
  // pattern value; any other text is replaced by the value in use, with a hint.
  void TakeManualBox(int index);
  void TakeManualPattern();
  void ShowHint(const QString& text);
  // Logs the failure and tells the user in one message: what was not done, then why.
  void WarnOfFailure(const std::string& what, const Status& status,
                     const std::string& title = kMessageTitle);
  int LookBackDigit() const;  // the digit in MaskEdBox2, or -1
  std::int32_t ZodiacYearOfText1() const;

  AppContext context_;
  std::unique_ptr<Prompts> own_prompts_;
  Prompts* prompts_ = nullptr;
  std::unique_ptr<Launcher> own_launcher_;
  Launcher* launcher_ = nullptr;
  std::unique_ptr<PageFetcher> own_fetcher_;
  PageFetcher* fetcher_ = nullptr;
  // The online update: running, its sources (see window_settings.h), cancelled by the user.
  bool update_running_ = false;
  std::string update_site_;
  std::string update_sources_;
  bool update_cancelled_ = false;
  WindowState state_;
  bool starting_up_ = true;  // see SaveInt
  // The history: the database, its recordsets, the memory and zodiac tables, the proposed issue.
  HistorySession session_;
  // While set, changes of the entry boxes are neither stored nor move the focus (emptying the
  // boxes after a store changes them too); the next typed key clears it.
  bool suppress_entry_ = false;

  // Controls; arrays indexed as their names are (Check1(1) .. Check1(7) by position).
  std::array<QLineEdit*, 2> text3_{};
  std::array<QRadioButton*, 3> option5_{};
  std::array<QRadioButton*, 2> option6_{};
  QComboBox* combo1_ = nullptr;
  std::array<QRadioButton*, 6> option4_{};
  std::array<QRadioButton*, 6> option3_{};
  std::array<QRadioButton*, 6> option2_{};  // only 4 and 5 exist
  std::array<QRadioButton*, 4> option1_{};
  QLineEdit* mask_ed_box2_ = nullptr;
  QCheckBox* check2_ = nullptr;
  store::ByPosition<QCheckBox*> check1_{};
  store::ByPosition<QLineEdit*> text2_{};
  store::ByPosition<QCheckBox*> check11_{};
  store::ByPosition<QLineEdit*> text22_{};
  QTabBar* tab_strip1_ = nullptr;
  QStackedWidget* tab_pages_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QPushButton* command3_ = nullptr;
  QPushButton* command4_ = nullptr;
  QPushButton* command21_ = nullptr;
  QPushButton* cmd_rd_lst_ = nullptr;
  QPushButton* command9_ = nullptr;
  QLabel* label12_ = nullptr;
  QLineEdit* text1_ = nullptr;
  store::ByPosition<QLineEdit*> mask_ed_box1_{};
  FlexGrid* grid1_ = nullptr;         // MSFlexGrid1: the history
  FlexGrid* grid2_ = nullptr;         // MSFlexGrid2: the matched draws
  FlexGrid* grid3_ = nullptr;         // MSFlexGrid3: the ranking
  AnalysisTabs* analysis_ = nullptr;  // TabStrip2: the result grids and the analysis pages

  QMenu* mnu_lsgl_ = nullptr;
  QMenu* mnu_setup_ = nullptr;
  std::array<QAction*, 2> mnu_sxcs_{};
  std::array<QAction*, 2> mnu_dscs_{};
  std::array<QAction*, 2> mnu_sxsetup_{};
};

}  // namespace brivo
