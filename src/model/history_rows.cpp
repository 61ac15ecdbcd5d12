#include "model/history_rows.h"

#include <optional>

#include "store/attributes.h"
#include "store/draw_record.h"

namespace brivo {
namespace {

std::string CellText(Recordset& snapshot, std::string_view column) {
  Value value;
  if (!snapshot.GetField(column, &value).ok()) return "";
  if (std::optional<std::int64_t> number = AsInt(value)) return std::to_string(*number);
  return AsText(value);
}

}  // namespace

const HistoryGridRow& HistoryGridHeadings() {
  static const HistoryGridRow headings = {"期号",  "红1球", "红2球", "红3球",
                                          "红4球", "红5球", "红6球", "蓝球"};
  return headings;
}

std::vector<HistoryGridRow> ReadHistoryGridRows(Recordset& snapshot) {
  std::vector<HistoryGridRow> rows;
  if (!snapshot.MoveFirst().ok()) return rows;
  while (!snapshot.IsEof()) {
    HistoryGridRow& row = rows.emplace_back();
    row[0] = CellText(snapshot, "SQQH");
    for (int p = 1; p <= store::kPositionCount; ++p) {
      row[static_cast<std::size_t>(p)] =
          CellText(snapshot, store::ColumnName(p, store::Kind::kHm, store::kOwn));
    }
    if (!snapshot.MoveNext().ok()) break;
  }
  return rows;
}

}  // namespace brivo
