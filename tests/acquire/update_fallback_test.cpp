// The online update over its real sources, fetched through Qt Network from a server on
// loopback that serves their saved answers byte for byte: each source alone, the fallback from
// the official service to the 17500 file, and where the update stops.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QNetworkProxy>

#include "acquire/update_fixture.h"
#include "acquire/update_sources.h"
#include "platform/qt/qt_page_fetcher.h"
#include "store/draw_record.h"
#include "testing/loopback_http_server.h"
#include "testing/saved_sources.h"

namespace brivo::acquire {
namespace {

using testing::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;
using ::testing::Contains;
using ::testing::HasSubstr;

constexpr char kCwlApi[] =
    "/cwl_admin/front/cwlkj/search/kjxx/findDrawNotice?name=ssq&systemType=PC&pageNo=";

std::vector<testing::TestDraw> RealDraws(std::int32_t first, std::int32_t last) {
  std::vector<testing::TestDraw> draws;
  for (const testing::TestDraw& d : testing::RealHistory()) {
    if (d.issue >= first && d.issue <= last) draws.push_back(d);
  }
  return draws;
}

Response HttpStatus(int status) {
  Response r;
  r.status = status;
  return r;
}

Response Body(std::string body, std::string content_type) {
  Response r;
  r.body = std::move(body);
  r.content_type = std::move(content_type);
  return r;
}

class UpdateFallbackTest : public UpdateFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    server_.SetHandler([this](const std::string& target) { return Answer(target); });
  }
  // The official service under /cwl (its pages from cwl_pages_), the 17500 file under /17500.
  Response Answer(const std::string& target) {
    if (target == "/cwl/ygkj/wqkjgg/ssq/") {
      Response r = Body("<html><body>开奖公告</body></html>", "text/html; charset=utf-8");
      r.headers = {"Set-Cookie: acw_tc=loopback; Path=/"};
      return r;
    }
    const std::string api = std::string("/cwl") + kCwlApi;
    if (target.rfind(api, 0) == 0) return cwl_pages_(std::stoi(target.substr(api.size())));
    if (target == "/17500/ssq_asc.txt") return Body(testing::SavedSsqAscFile(), "text/plain");
    return HttpStatus(404);
  }
  // Runs the update over the source list, "BASE" standing for the server's address.
  Status Update(std::string list, int current_year, int kept_years = 6) {
    for (std::size_t at; (at = list.find("BASE")) != std::string::npos;) {
      list.replace(at, 4, server_.BaseUrl());
    }
    std::vector<std::unique_ptr<DrawSource>> owned;
    std::vector<DrawSource*> sources;
    for (const SourceAddress& address : ParseSourceList(list)) {
      owned.push_back(MakeDrawSource(address, fetcher_));
      sources.push_back(owned.back().get());
    }
    OnlineUpdateRequest request;
    request.current_year = current_year;
    request.kept_years = kept_years;
    return RunUpdate(sources, request);
  }
  // Every stored draw: its issue and its own numbers.
  std::vector<std::pair<std::int64_t, std::vector<std::int64_t>>> Stored() {
    std::vector<std::vector<std::int64_t>> columns;
    for (int p = 1; p <= 7; ++p) {
      columns.push_back(
          testing::HistoryIntColumn(*db_, store::ColumnName(p, store::Kind::kHm, store::kOwn)));
    }
    const std::vector<std::int64_t> issues = testing::HistoryIntColumn(*db_, "SQQH");
    std::vector<std::pair<std::int64_t, std::vector<std::int64_t>>> stored;
    for (std::size_t i = 0; i < issues.size(); ++i) {
      std::vector<std::int64_t> numbers;
      for (const auto& column : columns) numbers.push_back(column[i]);
      stored.emplace_back(issues[i], numbers);
    }
    return stored;
  }
  static std::vector<std::pair<std::int64_t, std::vector<std::int64_t>>> AsStored(
      const std::vector<testing::TestDraw>& draws) {
    std::vector<std::pair<std::int64_t, std::vector<std::int64_t>>> stored;
    for (const testing::TestDraw& d : draws) {
      stored.emplace_back(d.issue, std::vector<std::int64_t>(d.numbers.begin(), d.numbers.end()));
    }
    return stored;
  }

  LoopbackHttpServer server_;
  std::function<Response(int page_no)> cwl_pages_ = [](int page_no) {
    return page_no == 1 ? Body(testing::SavedCwlPage(), "application/json;charset=UTF-8")
                        : HttpStatus(404);
  };
  QtPageFetcher fetcher_{2000};  // only the time-out case waits for it
};

TEST_F(UpdateFallbackTest, OfficialServiceBringsAPartialHistoryUpToDateAsABrowserAsks) {
  Build(RealDraws(2020001, 2025060));
  ASSERT_TRUE(Update("cwl=BASE/cwl", 2026).ok()) << result_.failures.size();
  EXPECT_EQ(Stored(), AsStored(RealDraws(2020001, 2026009)));
  const std::string api = std::string("/cwl") + kCwlApi + "1&pageSize=100";
  ASSERT_EQ(server_.Requests(), (std::vector<std::string>{"/cwl/ygkj/wqkjgg/ssq/", api}));
  const std::vector<std::string> sent = server_.RequestHeaders()[1];
  EXPECT_THAT(sent, Contains("Referer: " + server_.BaseUrl() + "/cwl/ygkj/wqkjgg/ssq/"));
  EXPECT_THAT(sent, Contains("X-Requested-With: XMLHttpRequest"));
  EXPECT_THAT(sent, Contains("Accept: application/json"));
  EXPECT_THAT(sent, Contains(std::string("User-Agent: ") + kBrowserUserAgent));
  EXPECT_THAT(sent, Contains("Cookie: acw_tc=loopback"));
}

TEST_F(UpdateFallbackTest, OfficialServiceIsPagedUntilTheYearIsCovered) {
  const std::vector<std::string> records = testing::CwlRecords(testing::SavedCwlPage());
  ASSERT_EQ(records.size(), 100u);
  cwl_pages_ = [records](int page_no) {
    const auto from = records.begin() + (page_no - 1) * 50;
    return Body(testing::CwlPage({from, from + 50}, page_no, 2, 100), "application/json");
  };
  Build(RealDraws(2020001, 2025080));  // page 1 reaches back to 2025111 only
  ASSERT_TRUE(Update("cwl=BASE/cwl", 2026).ok());
  EXPECT_EQ(Stored(), AsStored(RealDraws(2020001, 2026009)));
  EXPECT_EQ(server_.RequestCount(), 3);
  EXPECT_THAT(server_.Requests().back(), HasSubstr("pageNo=2&"));
}

// A service that answers every page number with its first page is not paged on for ever.
TEST_F(UpdateFallbackTest, PagingEndsWhenAPageBringsNothingOlder) {
  cwl_pages_ = [](int) { return Body(testing::SavedCwlPage(), "application/json"); };
  Build(RealDraws(2020001, 2024100));
  EXPECT_FALSE(Update("cwl=BASE/cwl", 2026).ok());
  EXPECT_EQ(result_.stopped_at, 2024101);
  EXPECT_EQ(server_.RequestCount(), 3);  // the Referer page, pages 1 and 2
  EXPECT_EQ(Stored(), AsStored(RealDraws(2020001, 2024100)));
}

TEST_F(UpdateFallbackTest, HistoryFileAloneFillsAnEmptyHistoryFetchedOnce) {
  Build({});
  ASSERT_TRUE(Update("17500=BASE/17500", 2023, 16).ok());
  EXPECT_EQ(Stored(), AsStored(RealDraws(2007001, 2023038)));
  EXPECT_EQ(server_.Requests(), std::vector<std::string>{"/17500/ssq_asc.txt"});
}

struct FailingService {
  const char* name;
  std::function<Response(int page_no)> answer;
};

class OfficialServiceFailsTest : public UpdateFallbackTest,
                                 public ::testing::WithParamInterface<FailingService> {};

TEST_P(OfficialServiceFailsTest, TheHistoryFileTakesOver) {
  cwl_pages_ = GetParam().answer;
  Build(RealDraws(2020001, 2022100));
  ASSERT_TRUE(Update("cwl=BASE/cwl;17500=BASE/17500", 2023).ok());
  EXPECT_EQ(Stored(), AsStored(RealDraws(2020001, 2023038)));
  // A source that failed is not asked again for the next year.
  EXPECT_LE(server_.RequestCount(), 4);
}

Response Redirect() {
  Response r = Body(testing::SavedCwl302Body(), "text/html");
  r.status = 302;
  r.location = "/cwl/ygkj/wqkjgg/ssq/";
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, OfficialServiceFailsTest,
    ::testing::Values(FailingService{"RedirectedToAPage", [](int) { return Redirect(); }},
                      FailingService{"NeverAnswers",
                                     [](int) {
                                       Response r;
                                       r.never_answer = true;
                                       return r;
                                     }},
                      FailingService{"ClosesTheConnection",
                                     [](int) {
                                       Response r;
                                       r.close_without_answer = true;
                                       return r;
                                     }},
                      FailingService{"StateOne",
                                     [](int) {
                                       std::string body = testing::SavedCwlPage();
                                       body.replace(body.find("\"state\":0"), 9, "\"state\":1");
                                       return Body(body, "application/json");
                                     }},
                      FailingService{"ServerError", [](int) { return HttpStatus(503); }}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(UpdateFallbackTest, ConnectionRefusedFallsBack) {
  LoopbackHttpServer gone;
  ASSERT_TRUE(gone.Start());
  const std::string refused = gone.BaseUrl();
  gone.Stop();
  Build(RealDraws(2020001, 2022100));
  ASSERT_TRUE(Update("cwl=" + refused + ";17500=BASE/17500", 2023).ok());
  EXPECT_EQ(Stored(), AsStored(RealDraws(2020001, 2023038)));
}

TEST_F(UpdateFallbackTest, APageThatSkipsAnIssueFallsBackAndNothingIsShifted) {
  std::vector<std::string> records = testing::CwlRecords(testing::SavedCwlPage());
  records.erase(records.begin() + 9 + (151 - 100));  // 2025100
  server_.SetHandler([this, records](const std::string& target) {
    if (target.rfind("/skip", 0) != 0) return Answer(target);
    if (target.find(kCwlApi) == std::string::npos) return Body("<html></html>", "text/html");
    return Body(testing::CwlPage(records, 1, 1, 99), "application/json");
  });
  Build(RealDraws(2020001, 2025060));
  ASSERT_TRUE(Update("cwl=BASE/skip;cwl=BASE/cwl", 2026).ok());
  EXPECT_EQ(Stored(), AsStored(RealDraws(2020001, 2026009)));
}

TEST_F(UpdateFallbackTest, AHistoryFileEndingInsideAYearStopsAtItsLastDraw) {
  Build({});
  EXPECT_FALSE(Update("17500=BASE/17500", 2026).ok());
  EXPECT_EQ(Stored(), AsStored(RealDraws(2020001, 2023038)));
  EXPECT_EQ(result_.stopped_at, 2023039);
  ASSERT_EQ(result_.failures.size(), 1u);
  EXPECT_EQ(result_.failures[0].detail, "its draws end at 2023038");
  EXPECT_EQ(result_.failures[0].reason, "数据只到2023038期");
}

// A new year before its first draw: the sources end in the year before, and nothing is missing.
TEST_F(UpdateFallbackTest, EveryHistoryEndingInTheYearBeforeIsUpToDate) {
  Build(RealDraws(2020001, 2022100));
  ASSERT_TRUE(Update("17500=BASE/17500;17500=BASE/17500", 2024).ok());
  EXPECT_EQ(Stored(), AsStored(RealDraws(2020001, 2023038)));
  EXPECT_EQ(result_.stopped_at, 0);
  EXPECT_TRUE(result_.failures.empty());
}

}  // namespace
}  // namespace brivo::acquire

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // Whatever the environment says, the tests talk to 127.0.0.1 directly.
  QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
