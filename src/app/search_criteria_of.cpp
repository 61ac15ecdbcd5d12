#include "app/search_criteria_of.h"

#include <QRegularExpression>
#include <QString>

namespace brivo {
namespace {

std::optional<std::int64_t> WholeNumber(const std::string& text) {
  static const QRegularExpression kWhole("^\\s*-?[0-9]{1,18}\\s*$");
  const QString qtext = QString::fromStdString(text);
  if (!kWhole.match(qtext).hasMatch()) return std::nullopt;
  return qtext.trimmed().toLongLong();
}

}  // namespace

std::optional<search::SearchCriteria> SearchCriteriaOf(const WindowState& state,
                                                       const SearchControls& controls,
                                                       int* bad_box) {
  const auto start = WholeNumber(controls.start_text);
  const auto end = WholeNumber(controls.end_text);
  if (!start || !end) {
    *bad_box = start ? 1 : 0;
    return std::nullopt;
  }
  search::SearchCriteria c;
  c.count_blue = controls.count_blue;
  c.free_mode = !controls.fixed_mode;
  c.selected = controls.selected;
  c.basis = state.PatternBasis();
  c.look_back = state.intPreQi;
  c.search_kind = state.SearchKind();
  c.result_kind = state.ResultKind();
  c.result_scope = state.Scope();
  c.pattern = state.pattern;
  c.sx_ini = state.SxIni;
  c.ds_ini = state.DsIni;
  c.red_pool_only = state.bolZhpm;
  c.combination_size = state.intZhWSetup;
  c.start_issue = *start;
  c.end_issue = *end;
  return c;
}

}  // namespace brivo
