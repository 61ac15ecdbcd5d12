#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/database.h"
#include "store/draw_record.h"

namespace brivo::testing {

struct TestDraw {
  std::int32_t issue;
  store::DrawNumbers numbers;
};

// The draws of a file in the program's line format ("2003001 10 11 12 13 26 28 11 "), at most
// `limit` of them.
std::vector<TestDraw> ReadDrawFile(const std::string& path, std::size_t limit = SIZE_MAX);
// The first `count` draws of the real history kept with the tests.
std::vector<TestDraw> RealHistory(std::size_t count = SIZE_MAX);

// Appends the draws to the history database at path (created when missing) in one
// transaction, each read in its own zodiac year (by age, offsets 1), the lists of the draw
// before from the previous draw.
Status BuildHistory(const std::string& path, const std::vector<TestDraw>& draws);

// Turns a history built by the program into the layout histories had before they were kept in
// parts: Lishi one table holding every column, with the same rows.
Status KeepInOneTable(const std::string& path);

// A column of every row of the history, in issue order: as text ("<null>" for NULL), or as
// whole numbers (-1 for a value that is none).
std::vector<std::string> HistoryColumn(Database& db, const std::string& column);
std::vector<std::int64_t> HistoryIntColumn(Database& db, const std::string& column);

}  // namespace brivo::testing
