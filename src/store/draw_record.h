#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/db/database.h"
#include "store/attributes.h"
#include "store/by_position.h"

// One row of Lishi: a draw's own values, the copies of the draws before it, and its list texts.
namespace brivo::store {

// The seven numbers of a draw, positions 1..7 at indexes 0..6 (red in source order, then blue).
using DrawNumbers = std::array<int, kPositionCount>;
// The six values of each position: values[position][kind], position 1..7.
using DrawValues = ByPosition<ByKind<std::int16_t>>;

// Suffixes of the value column families.
inline constexpr std::string_view kOwn = "";
inline constexpr std::string_view kPreceding = "S";  // the draw before (上期)
inline constexpr std::string_view kEarlier = "P";    // the draw N before (前N期)

// "L" + position + kind letter + suffix, for example L3GS.
std::string ColumnName(int position, Kind kind, std::string_view suffix);
// The list columns: txtHisLst / txtHisPreLst, and those followed by the kind name.
inline constexpr std::string_view kPlainList = "txtHisLst";
inline constexpr std::string_view kPlainPreList = "txtHisPreLst";
// kPlainList or kPlainPreList followed by the kind's name (txtHisLstSx).
std::string ListColumn(std::string_view family, Kind kind);

// The value written with at least two digits, as the format "00" writes it: 5 "05",
// 123 "123", -3 "-03".
std::string TwoDigits(int value);

// The plain number list: each number as "00" followed by one space (21 characters).
std::string PlainList(const DrawValues& values);
// The occurrence-tagged list of one kind: for each position, c "X" v and one space, where c
// counts the positions up to this one holding the same value. v has two digits for Hm, Sx and
// He, none added for Tou, Wei and Ds.
std::string TaggedList(const DrawValues& values, Kind kind);

// The plain list and the six tagged lists of one draw.
struct DrawLists {
  std::string plain;
  ByKind<std::string> tagged;
};
DrawLists ListsOf(const DrawValues& values);

// The values of a draw's numbers under the current zodiac tables and segment offset.
DrawValues ValuesOf(const DrawNumbers& numbers, const ZodiacTables& tables, int ds_ini);

// The own values of the last two appended draws; zero when the program starts.
struct PrecedingMemory {
  DrawValues last{};
  DrawValues second_last{};
};

struct DrawToAppend {
  std::int32_t issue = 0;
  DrawValues own{};
  // Lists of the draw before (txtHisLst...) and of the draw N before (txtHisPreLst...);
  // columns whose lists are absent are left unset.
  std::optional<DrawLists> before;
  std::optional<DrawLists> earlier;
};

// Appends the draw through the table recordset in the program's order: own columns, the
// preceding and earlier columns from the memory, SQQH, the lists, QQH = SQQH + 1, save.
// On success the memory moves on (second-last = last, last = the new draw); on failure
// nothing is saved and the memory is unchanged.
Status AppendDraw(Recordset& table, const DrawToAppend& draw, PrecedingMemory* memory);

// The own values of the recordset's current row.
Status ReadOwnValues(Recordset& row, DrawValues* out);

}  // namespace brivo::store
