#pragma once

#include <string>
#include <vector>

#include "store/draw_record.h"

namespace brivo::testing {

// A year page as the results site lays it out: a heading body, then one body per draw, newest
// first, its text the numbers, a tab and the draw's place on the page (17 to 19 characters).
inline std::string YearPage(const std::vector<store::DrawNumbers>& newest_first) {
  std::string page = "<html><body><table><tbody><tr><td>期号</td><td>开奖号码</td></tr></tbody>";
  int place = 0;
  for (const auto& n : newest_first) {
    std::string reds;
    for (int i = 0; i < 6; ++i) reds += store::TwoDigits(n[static_cast<std::size_t>(i)]);
    page += "<tbody><tr><td>" + reds + " " + store::TwoDigits(n[6]) + "</td><td>" +
            std::to_string(++place) + "</td></tr></tbody>";
  }
  return page + "</table></body></html>";
}

}  // namespace brivo::testing
