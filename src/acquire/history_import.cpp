#include "acquire/history_import.h"

#include <algorithm>

#include "acquire/draw_line.h"
#include "store/history_ops.h"

namespace brivo::acquire {
namespace {

store::DrawLists EmptyLists() { return store::DrawLists{}; }

}  // namespace

ParsedLines ParseDrawLines(const std::vector<std::string>& lines, std::int32_t issue_before_first) {
  ParsedLines parsed;
  std::int64_t previous = issue_before_first;
  for (const std::string& text : lines) {
    ++parsed.lines_read;
    const DrawLine line = ParseDrawLine(text);
    const std::int64_t issue = line.has_issue ? line.issue : previous + 1;
    if (!IsCompleteDraw(line.numbers) || issue < 1 || issue > INT32_MAX - 1) {
      ++parsed.lines_skipped;
      continue;
    }
    ParsedDraw draw;
    draw.issue = static_cast<std::int32_t>(issue);
    draw.line = parsed.lines_read;
    std::copy(line.numbers.begin(), line.numbers.end(), draw.numbers.begin());
    parsed.draws.push_back(draw);
    previous = issue;
  }
  return parsed;
}

std::optional<std::size_t> PutInAscendingOrder(std::vector<ParsedDraw>* draws, bool* reversed) {
  std::vector<ParsedDraw>& d = *draws;
  const bool falling = d.size() >= 2 && d[1].issue < d[0].issue;
  for (std::size_t i = 1; i < d.size(); ++i) {
    if (falling ? d[i].issue >= d[i - 1].issue : d[i].issue <= d[i - 1].issue) return i;
  }
  if (falling) std::reverse(d.begin(), d.end());
  *reversed = falling;
  return std::nullopt;
}

Status ReplaceHistory(Database& db, Recordset& table, const AppendContext& context,
                      const std::vector<ParsedDraw>& draws, EarlierLists earlier) {
  const store::PrecedingMemory kept_memory = *context.memory;
  Database::Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();
  if (Status s = store::DeleteAll(table); !s.ok()) return s;
  *context.memory = store::PrecedingMemory{};
  store::DrawLists before = EmptyLists();
  store::DrawLists two_before = EmptyLists();
  for (const ParsedDraw& draw : draws) {
    std::optional<store::DrawLists> earlier_lists;
    if (earlier == EarlierLists::kTwoBefore) earlier_lists = two_before;
    store::DrawValues values{};
    Status s = AppendNumbers(table, context, draw.issue, draw.numbers, before,
                             std::move(earlier_lists), &values);
    if (!s.ok()) {
      *context.memory = kept_memory;
      return s;
    }
    two_before = std::move(before);
    before = store::ListsOf(values);
  }
  Status committed = transaction.Commit();
  if (!committed.ok()) *context.memory = kept_memory;
  return committed;
}

}  // namespace brivo::acquire
