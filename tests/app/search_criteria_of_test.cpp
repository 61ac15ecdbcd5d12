// The criteria of a search from the window state and the search controls, without a window.

#include "app/search_criteria_of.h"

#include <gtest/gtest.h>

namespace brivo {
namespace {

TEST(SearchCriteriaOfTest, TakesTheStateAndTheControls) {
  WindowState state;
  state.bolSq = false;
  state.intPreQi = 4;
  state.intLei = 3;
  state.intXianshiLei = 1;
  state.intConsqSort = 2;
  state.pattern[7] = 9;
  SearchControls controls;
  controls.fixed_mode = true;
  controls.count_blue = false;
  controls.selected[7] = true;
  controls.start_text = " 2003002 ";
  controls.end_text = "2026096";
  int bad_box = -1;
  const auto c = SearchCriteriaOf(state, controls, &bad_box);
  ASSERT_TRUE(c.has_value());
  EXPECT_FALSE(c->free_mode);
  EXPECT_FALSE(c->count_blue);
  EXPECT_EQ(c->basis, search::Basis::kEarlier);
  EXPECT_EQ(c->look_back, 4);
  EXPECT_EQ(c->search_kind, store::Kind::kWei);
  EXPECT_EQ(c->result_kind, store::Kind::kSx);
  EXPECT_EQ(c->result_scope, search::ResultScope::kBlue);
  EXPECT_EQ(c->selected, controls.selected);
  EXPECT_EQ(c->pattern, state.pattern);
  EXPECT_EQ(c->start_issue, 2003002);
  EXPECT_EQ(c->end_issue, 2026096);
  EXPECT_EQ(bad_box, -1);
}

TEST(SearchCriteriaOfTest, AnIssueBoxThatIsNoWholeNumberGivesNone) {
  SearchControls controls;
  controls.start_text = "2003001";
  controls.end_text = "2026x";
  int bad_box = -1;
  EXPECT_FALSE(SearchCriteriaOf(WindowState{}, controls, &bad_box).has_value());
  EXPECT_EQ(bad_box, 1);
  controls.start_text = "";
  EXPECT_FALSE(SearchCriteriaOf(WindowState{}, controls, &bad_box).has_value());
  EXPECT_EQ(bad_box, 0);
}

}  // namespace
}  // namespace brivo
