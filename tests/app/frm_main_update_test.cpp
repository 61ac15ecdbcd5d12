// The online update from the window against a real HTTP server on loopback: year pages of a
// results site of the user's own, and the saved answers of the real sources.

#include <gmock/gmock.h>

#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>
#include <functional>
#include <set>

#include "acquire/online_update.h"
#include "app/frm_main_fixture.h"
#include "platform/qt/qt_page_fetcher.h"
#include "testing/loopback_http_server.h"
#include "testing/saved_sources.h"
#include "testing/year_page.h"

namespace brivo {
namespace {

using testing::LoopbackHttpServer;
using testing::TestDraw;
using testing::YearPage;

// The j-th draw of a year (1-based): red 1 is j % 27 + 7.
std::vector<store::DrawNumbers> Draws(int count) {
  std::vector<store::DrawNumbers> rows;
  for (int j = count; j >= 1; --j) rows.push_back({j % 27 + 7, 2, 3, 4, 5, 6, j % 16 + 1});
  return rows;
}

class FrmMainUpdateTest : public FrmMainTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    settings_->Set("txtUpdateSite", server_.BaseUrl());
    settings_->Set("txtUpdateSources", "");
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
    for (; !rs->IsEof(); (void)rs->MoveNext()) {
      std::int64_t v = 0;
      EXPECT_TRUE(rs->GetInt("SQQH", &v).ok());
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
  EXPECT_EQ(server_.Requests().size(), 1u);  // a source that timed out is not asked again
}

// The complete years before the failed one are kept: the user need not fetch them again.
TEST_F(FrmMainUpdateFetcherTest, ServerThatDiesAfterTwoYearsKeepsTheCompleteYears) {
  History({{2013150, {1, 2, 3, 4, 5, 6, 7}}});
  Serve({{2013, 152}, {2014, 150}, {2015, 150}}, 2);
  clock_.set_year(2015);
  Open();
  Update();
  const auto issues = Issues();
  ASSERT_EQ(issues.size(), 153u);
  EXPECT_EQ(issues[2], 2013152);
  EXPECT_EQ(issues.back(), 2014150);
  ASSERT_EQ(prompts_.shown.back().kind, "warn");
  EXPECT_THAT(prompts_.shown.back().text,
              ::testing::StartsWith("在线更新失败：无法取得2015001期及以后的开奖号码。\n"
                                    "使用的更新来源：page=" +
                                    server_.BaseUrl() + "\npage（"));
  EXPECT_THAT(prompts_.shown.back().text,
              ::testing::EndsWith("已保存新增的152期开奖号码（至2014150期），历史号码没有空缺。"));
  EXPECT_EQ(TextOf("Text1"), "2014151");
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

TEST_F(FrmMainUpdateFetcherTest, NoSourceAtAllSaysSoAndKeepsTheHistory) {
  settings_->Set("txtUpdateSite", "");
  settings_->Set("txtUpdateSources", "zhcw=http://127.0.0.1:1");
  History({{2016010, {1, 2, 3, 4, 5, 6, 7}}});
  Open();
  Update();
  EXPECT_EQ(Issues(), std::vector<std::int64_t>{2016010});
  EXPECT_EQ(prompts_.TakeWarnings(),
            std::vector<std::string>{"在线更新失败：无法取得2016011期及以后的开奖号码。\n"
                                     "没有可用的更新来源（txtUpdateSources）。\n\n"
                                     "历史号码没有改动。"});
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(FrmMainUpdateFetcherTest, CancelDoesNothing) {
  History({});
  Open();
  prompts_.answers = {std::nullopt};
  window_->Command21_Click();
  EXPECT_TRUE(server_.Requests().empty());
}

// The real sources as the settings name them, on a loopback server serving their saved answers:
// the official service under /cwl, the 17500 file under /17500.
class FrmMainSourcesTest : public FrmMainUpdateFetcherTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    settings_->Set("txtUpdateSources",
                   "cwl=" + server_.BaseUrl() + "/cwl;17500=" + server_.BaseUrl() + "/17500");
    server_.SetHandler([this](const std::string& target) {
      status_seen_.push_back(window_->statusBar()->currentMessage().toStdString());
      cancel_shown_ = cancel_shown_ || window_->findChild<QPushButton*>("cmdUpdateCancel");
      if (auto* bar = window_->findChild<QProgressBar*>("UpdateProgress")) {
        progress_seen_.push_back(bar->value());
      }
      for (const char* name : {"Command5", "Command6", "Command4", "Option4(1)", "Text3(0)"}) {
        if (window_->findChild<QWidget*>(name)->isEnabled()) enabled_seen_.insert(name);
      }
      LoopbackHttpServer::Response r;
      if (target.rfind("/cwl/cwl_admin/", 0) == 0) {
        r.body = cwl_body_;
        r.content_type = "application/json;charset=UTF-8";
      } else if (target == "/17500/ssq_asc.txt") {
        r.body = testing::SavedSsqAscFile();
        r.content_type = "text/plain";
      } else if (target != "/cwl/ygkj/wqkjgg/ssq/") {
        r.status = 404;
      }
      return r;
    });
  }
  std::vector<std::int64_t> RealIssues(std::int32_t first, std::int32_t last) {
    std::vector<std::int64_t> issues;
    for (const TestDraw& d : testing::RealHistory()) {
      if (d.issue >= first && d.issue <= last) issues.push_back(d.issue);
    }
    return issues;
  }
  std::vector<TestDraw> Real(std::int32_t first, std::int32_t last) {
    std::vector<TestDraw> draws;
    for (const TestDraw& d : testing::RealHistory()) {
      if (d.issue >= first && d.issue <= last) draws.push_back(d);
    }
    return draws;
  }

  std::string cwl_body_ = testing::SavedCwlPage();
  std::vector<std::string> status_seen_;
  bool cancel_shown_ = false;
  std::vector<int> progress_seen_;      // the update's progress bar at each request
  std::set<std::string> enabled_seen_;  // commands found enabled at a request
};

TEST_F(FrmMainSourcesTest, TheOfficialServiceBringsAPartialHistoryUpToDate) {
  History(Real(2020001, 2025060));
  Open();
  Update();
  EXPECT_EQ(Issues(), RealIssues(2020001, 2026009));
  EXPECT_EQ(prompts_.shown.size(), 1u);  // the question only
  EXPECT_EQ(TextOf("Text3(1)"), "2026009");
  EXPECT_TRUE(cancel_shown_);
  EXPECT_THAT(status_seen_, ::testing::Contains("正在从cwl（" + server_.BaseUrl() +
                                                "/cwl）读取2025年的开奖号码……"));
  // The bar moves with each page the official service is asked for, and nothing that reads or
  // changes the history or the criteria can run meanwhile.
  ASSERT_GE(progress_seen_.size(), 2u);
  EXPECT_EQ(
      std::adjacent_find(progress_seen_.begin(), progress_seen_.end(), std::greater_equal<int>()),
      progress_seen_.end());
  EXPECT_TRUE(enabled_seen_.empty()) << *enabled_seen_.begin();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window_->findChild<QPushButton*>("cmdUpdateCancel"), nullptr);
}

TEST_F(FrmMainSourcesTest, TurnedAwayByTheOfficialServiceTheHistoryFileTakesOver) {
  cwl_body_ = testing::SavedCwl302Body();
  History(Real(2020001, 2022100));
  clock_.set_year(2023);
  Open();
  Update();
  EXPECT_EQ(Issues(), RealIssues(2020001, 2023038));
  EXPECT_EQ(prompts_.shown.size(), 1u);
  EXPECT_THAT(status_seen_, ::testing::Contains("正在从17500（" + server_.BaseUrl() +
                                                "/17500）读取2022年的开奖号码……"));
}

TEST_F(FrmMainSourcesTest, BothSourcesDownGiveOneMessageNamingTheIssueAndEachSource) {
  History(Real(2020001, 2022100));
  clock_.set_year(2023);
  const std::string base = server_.BaseUrl();
  server_.Stop();
  Open();
  Update();
  EXPECT_EQ(Issues(), RealIssues(2020001, 2022100));
  const auto warnings = prompts_.TakeWarnings();
  ASSERT_EQ(warnings.size(), 1u);
  const std::string unreachable = "：无法取得数据（网络不通、没有回应或服务器出错）\n";
  EXPECT_EQ(warnings[0],
            "在线更新失败：无法取得2022101期及以后的开奖号码。\n"
            "使用的更新来源：cwl=" +
                base + "/cwl,17500=" + base +
                "/17500\n"
                "cwl（" +
                base + "/cwl）" + unreachable + "17500（" + base + "/17500）" + unreachable +
                "\n历史号码没有改动。");
}

// The official service turns robots away and the history file ends early in 2023: each reason
// is told in Chinese.
TEST_F(FrmMainSourcesTest, EachSourcesReasonIsToldInChinese) {
  cwl_body_ = testing::SavedCwl302Body();
  History(Real(2022001, 2022100));
  clock_.set_year(2024);
  Open();
  Update();
  const std::string base = server_.BaseUrl();
  const auto warnings = prompts_.TakeWarnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_THAT(warnings[0], ::testing::HasSubstr("\ncwl（" + base +
                                                "/cwl）：返回的不是开奖数据\n"
                                                "17500（" +
                                                base + "/17500）：数据只到2023038期\n"));
}

TEST_F(FrmMainSourcesTest, CancelStopsThereAndKeepsTheCompleteYears) {
  settings_->Set("txtUpdateSources", "page=" + server_.BaseUrl());
  History({{2014150, {1, 2, 3, 4, 5, 6, 7}}});
  server_.SetHandler([this](const std::string& target) {
    LoopbackHttpServer::Response r;
    if (target.find("start=2016") != std::string::npos) {
      window_->findChild<QPushButton*>("cmdUpdateCancel")->click();
      r.never_answer = true;
    } else {
      const bool y2014 = target.find("start=2014") != std::string::npos;
      r.body = YearPage(Draws(y2014 ? 152 : 153));
    }
    return r;
  });
  Open();
  Update();
  const auto issues = Issues();
  ASSERT_EQ(issues.size(), 1u + 2u + 153u);
  EXPECT_EQ(issues.back(), 2015153);
  EXPECT_EQ(
      prompts_.TakeWarnings(),
      std::vector<std::string>{"在线更新已取消，2016001期及以后的开奖号码没有读取。\n\n"
                               "已保存新增的155期开奖号码（至2015153期），历史号码没有空缺。"});
  EXPECT_TRUE(Find<QPushButton>("Command21")->isEnabled());
}

TEST_F(FrmMainSourcesTest, DecliningTheKeptYearsQuestionDeletesNothingAndOnlyAppends) {
  History(Real(2019001, 2025060));
  Open();
  prompts_.answers = {std::string("ok"), std::nullopt};
  window_->Command21_Click();
  EXPECT_EQ(Issues(), RealIssues(2019001, 2026009));
  ASSERT_EQ(prompts_.shown.size(), 2u);
  EXPECT_EQ(prompts_.shown[1].kind, "confirm");
  EXPECT_EQ(prompts_.shown[1].title, "读入历史");
  const std::size_t stored = RealIssues(2019001, 2025060).size();
  EXPECT_THAT(prompts_.shown[1].text,
              ::testing::StartsWith("历史号码超过了需要保留的6年。更新将删除全部" +
                                    std::to_string(stored) + "期历史号码，从2020年起重新读取。"));
}

TEST(UpdateSettingsTest, DefaultsAreTheOfficialServiceThenTheHistoryFileAndNoSiteOfOurOwn) {
  testing::TempDir dir;
  auto settings = MakeSettingsStore(dir.File("settings.ini"));
  EXPECT_EQ(ReadTxtUpdateSources(*settings),
            "cwl=https://www.cwl.gov.cn,17500=https://data.17500.cn");
  EXPECT_EQ(ReadTxtUpdateSite(*settings), "");
  settings->Set("txtUpdateSite", "http://127.0.0.1:8686/ ");
  EXPECT_EQ(ReadTxtUpdateSite(*settings), "http://127.0.0.1:8686");
}

}  // namespace
}  // namespace brivo
