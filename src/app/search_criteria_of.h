#pragma once

#include <array>
#include <optional>
#include <string>

#include "app/window_settings.h"
#include "search/criteria.h"

namespace brivo {

// What the search controls hold when a search starts.
struct SearchControls {
  bool fixed_mode = false;  // Option1(0) 固定位 is chosen
  bool count_blue = true;   // Check2
  // The position boxes of the tab in use (Check1 or Check11).
  store::ByPosition<bool> selected{};
  std::string start_text;  // Text3(0)
  std::string end_text;    // Text3(1)
};

// The criteria of a search from the window state and its controls; nullopt when the issue range
// is not two whole numbers (*bad_box then is 0 for Text3(0), 1 for Text3(1)).
std::optional<search::SearchCriteria> SearchCriteriaOf(const WindowState& state,
                                                       const SearchControls& controls,
                                                       int* bad_box);

}  // namespace brivo
