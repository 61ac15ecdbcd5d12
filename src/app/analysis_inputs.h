#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "platform/base/status.h"
#include "search/criteria.h"
#include "search/history_draws.h"
#include "store/attributes.h"

class QLabel;

namespace brivo {

class FlexGrid;

namespace exports {
inline constexpr char kOmissionWorkbook[] = "Yilou.xls";  // the omission table
inline constexpr char kBacktestWorkbook[] = "Huice.xls";  // the back-test
inline constexpr char kFamilyWorkbook[] = "Quanbu.xls";   // every setting back-tested
inline constexpr char kChartImage[] = "Tubiao.png";       // both charts of the page 图表
}  // namespace exports

// What the analysis pages take from the window: they own no database and no settings, and ask
// for the criteria and the history each time a command starts.
struct AnalysisInputs {
  // The criteria as the window's controls give them now; none when they cannot be read (the
  // window has told the user why).
  std::function<std::optional<search::SearchCriteria>()> criteria;
  // Every draw of the history, oldest first.
  std::function<Status(search::HistoryDraws*)> draws;
  // The zodiac tables in use; their code table gives each zodiac group its code. REQUIRES: it
  // outlives the pages.
  const store::ZodiacTables* zodiac = nullptr;
  // A grid double-clicked, to be exported as the workbook `file` of the program folder.
  std::function<void(FlexGrid* grid, const char* file)> export_grid;
  // The save-file dialog with this title, proposing `file` in the program folder; the path
  // chosen, none for Cancel.
  std::function<std::optional<std::string>(const std::string& title, const char* file,
                                           const std::string& filter)>
      save_path;
  // A command that failed; without it the page says so in its own summary line.
  std::function<void(const std::string& what, const Status& status)> failed;
  // Told when a long command (the back-test) starts (true) and ends (false), so that nothing
  // changes the history or the criteria under it; optional.
  std::function<void(bool running)> running;

  // Tells of a failed command through `failed`, or else in the page's `summary` line.
  void Fail(const std::string& what, const Status& status, QLabel* summary) const;
};

// A value of a kind as the grids and charts show it: an animal name for 生肖.
QString ValueText(std::int64_t value, store::Kind kind, int sx_ini);
// The names of a kind (号码 .. 段数) and of a result scope (红蓝, 红球, 蓝球) as the options show
// them.
QString KindName(store::Kind kind);
QString ScopeName(search::ResultScope scope);
// A decimal with `places` places ("0.00" for two); a negative that rounds to nothing has no sign.
QString Decimals(double x, int places = 2);

}  // namespace brivo
