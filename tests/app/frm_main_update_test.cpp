// The online update from the window against a real HTTP server on loopback serving year pages.

#include <QPushButton>

#include "acquire/online_update.h"
#include "app/frm_main_fixture.h"
#include "platform/qt/qt_page_fetcher.h"
#include "testing/loopback_http_server.h"
#include "testing/year_page.h"

namespace brivo {
namespace {

using testing::LoopbackHttpServer;
using testing::TestDraw;
using testing::YearPage;

// The j-th draw of a year (1-based): red 1 is j % 33 + 1.
std::vector<store::DrawNumbers> Draws(int count) {
  std::vector<store::DrawNumbers> rows;
  for (int j = count; j >= 1; --j) rows.push_back({j % 33 + 1, 2, 3, 4, 5, 6, j % 16 + 1});
  return rows;
}

class FrmMainUpdateTest : public FrmMainTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    settings_->Set("txtUpdateSite", server_.BaseUrl());
    clock_.set_year(2016);
  }
  // Serves the pages of `years`; other years have no draws yet.
  void Serve(std::map<int, int> years, int answered_requests = 1000) {
    server_.SetHandler([this, years, answered_requests](const std::string& target) {
      LoopbackHttpServer::Response r;
      if (static_cast<int>(server_.Requests().size()) > answered_requests) {
        r.never_answer = true;
        return r;
      }
      const std::size_t at = target.find("start=");
      const int year = at == std::string::npos ? 0 : std::stoi(target.substr(at + 6, 4));
      auto it = years.find(year);
      r.body = YearPage(it == years.end() ? std::vector<store::DrawNumbers>{} : Draws(it->second));
      enabled_during_update_ = Find<QPushButton>("Command1")->isEnabled();
      return r;
    });
  }
  std::vector<std::int64_t> Issues() {
    std::unique_ptr<Recordset> rs;
    EXPECT_TRUE(window_->database()->OpenSnapshot(store::kHistoryQuery, &rs).ok());
    std::vector<std::int64_t> issues;
    for (; !rs->IsEof(); rs->MoveNext()) {
      std::int64_t v = 0;
      rs->GetInt("SQQH", &v);
      issues.push_back(v);
    }
    return issues;
  }
  void Update() {
    prompts_.answers = {std::string("ok")};
    window_->Command21_Click();
  }

  LoopbackHttpServer server_;
  bool enabled_during_update_ = true;
};

// The window under test fetches through a fetcher with a short time limit.
class FrmMainUpdateFetcherTest : public FrmMainUpdateTest {
 protected:
  FrmMainUpdateFetcherTest() { fetcher_ = &short_fetcher_; }
  QtPageFetcher short_fetcher_{800};
};

TEST_F(FrmMainUpdateFetcherTest, AppendsTheNewDrawsOfTheYear) {
  std::vector<TestDraw> draws;
  for (int j = 1; j <= 50; ++j) draws.push_back({2016000 + j, {j % 33 + 1, 2, 3, 4, 5, 6, 7}});
  History(draws);
  Serve({{2016, 60}});
  Open();
  Update();
  EXPECT_EQ(prompts_.shown[0].title, "读入历史");
  EXPECT_EQ(server_.Requests(),
            std::vector<std::string>{"/lottery/draw/list/50?type=range&start=2016001&end=2016365"});
  const auto issues = Issues();
  ASSERT_EQ(issues.size(), 60u);
  EXPECT_EQ(issues[50], 2016051);
  EXPECT_EQ(TextOf("Text1"), "2016061");
  EXPECT_EQ(TextOf("Text3(1)"), "2016060");
  EXPECT_FALSE(enabled_during_update_);
  EXPECT_TRUE(Find<QPushButton>("Command1")->isEnabled());
  EXPECT_FALSE(window_->update_running());
  Update();  // a second run appends nothing
  EXPECT_EQ(Issues().size(), 60u);
}

TEST_F(FrmMainUpdateFetcherTest, ServerThatNeverAnswersLeavesTheHistory) {
  History({{2015001, {1, 2, 3, 4, 5, 6, 7}}, {2015002, {1, 2, 3, 4, 5, 6, 7}}});
  server_.SetHandler([](const std::string&) {
    LoopbackHttpServer::Response r;
    r.never_answer = true;
    return r;
  });
  Open();
  Update();
  EXPECT_EQ(Issues().size(), 2u);
  ASSERT_EQ(prompts_.shown.back().kind, "warn");
  EXPECT_NE(prompts_.shown.back().text.find("2015"), std::string::npos);
  EXPECT_TRUE(Find<QPushButton>("Command21")->isEnabled());
  EXPECT_EQ(server_.Requests().size(), 1u + acquire::kUpdateRestarts);
}

TEST_F(FrmMainUpdateFetcherTest, ServerThatDiesAfterTwoYearsKeepsNothingOfTheUpdate) {
  History({{2013150, {1, 2, 3, 4, 5, 6, 7}}});
  Serve({{2013, 152}, {2014, 150}, {2015, 150}}, 2);
  clock_.set_year(2015);
  Open();
  Update();
  EXPECT_EQ(Issues(), std::vector<std::int64_t>{2013150});
  ASSERT_EQ(prompts_.shown.back().kind, "warn");
  EXPECT_NE(prompts_.shown.back().text.find("历史号码没有改动"), std::string::npos);
}

TEST_F(FrmMainUpdateFetcherTest, GarbagePageAppendsNothing) {
  History({{2016010, {1, 2, 3, 4, 5, 6, 7}}});
  server_.SetHandler([](const std::string&) {
    LoopbackHttpServer::Response r;
    r.body = "<tbody><tr><td>0102030405060708091011</td></tr></tbody>\xff\xfe<<<>>";
    return r;
  });
  Open();
  Update();
  EXPECT_EQ(Issues(), std::vector<std::int64_t>{2016010});
  EXPECT_NE(prompts_.shown.back().kind, "warn");
}

TEST_F(FrmMainUpdateFetcherTest, OfflineUpdateOfAnOldHistoryDeletesNothing) {
  History({{2003001, {1, 2, 3, 4, 5, 6, 7}}});
  server_.Stop();
  Open();
  Update();
  EXPECT_EQ(Issues(), std::vector<std::int64_t>{2003001});
}

TEST_F(FrmMainUpdateFetcherTest, CancelDoesNothing) {
  History({});
  Open();
  prompts_.answers = {std::nullopt};
  window_->Command21_Click();
  EXPECT_TRUE(server_.Requests().empty());
}

}  // namespace
}  // namespace brivo
