#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brivo {

// The text of every table body (TBODY element) of an HTML page, in document order, as a
// browser's innerText gives it: the cells of a row joined by a tab, the rows joined by a line
// feed, runs of blanks inside a cell collapsed to one and trimmed, script and style contents
// left out. The page must be UTF-8 (decode other charsets first); any bytes are accepted.
std::vector<std::string> TableBodyTexts(std::string_view html);

}  // namespace brivo
