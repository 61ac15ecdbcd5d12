#pragma once

#include <vector>

#include "search/criteria.h"
#include "search/evaluator.h"
#include "store/scratch_columns.h"

// What a search leaves in Lishi besides the ranking, as the program has always left it, so that
// any SQLite tool reads a search's results from the file afterwards: the match counter intTh, the
// combination flag bolOk, the compared list txtHisP6, the look-back lists txtHisPreLst... and the
// copies of the own values of the draw before (...S) or N before (...P). Every draw of the
// history gets them, not only those of the issue range.
namespace brivo::search {

// The columns the search writes, each with the value of every draw, oldest first; columns the
// search does not write are left out and keep what they hold.
std::vector<store::ColumnValues> SearchMarks(Evaluator& evaluator, const SearchCriteria& c,
                                             SearchType type);

}  // namespace brivo::search
