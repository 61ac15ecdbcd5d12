#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brivo {

// The text of every table body (TBODY element) of an HTML page, in document order, as a
// browser's innerText gives it: the cells of a row joined by a tab, the rows joined by a line
// feed, runs of blanks inside a cell collapsed to one and trimmed, script and style contents
// left out. The page must be UTF-8 (decode other charsets first); any bytes are accepted.
// A body nested inside 128 or more others is not listed on its own (its text still shows in
// the bodies around it), which keeps hostile pages from costing quadratic time. The bodies are
// those a browser's parser builds: rows outside a TBODY, THEAD or TFOOT make one of their own.
// Any depth of nesting is read; a page whose misplaced end tags, among many thousands of open
// elements, would cost the HTML parser (libxml2's) quadratic time is refused: it has no bodies.
// Thread-safe.
std::vector<std::string> TableBodyTexts(std::string_view html);

}  // namespace brivo
