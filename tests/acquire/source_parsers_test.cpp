// The readers of the update's sources on their real answers: the official service's JSON, the
// 17500 history file, and the source list of the settings.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "acquire/cwl_source.h"
#include "acquire/ssq_asc_source.h"
#include "acquire/update_sources.h"
#include "testing/history_builder.h"
#include "testing/saved_sources.h"

namespace brivo::acquire {
namespace {

using store::DrawNumbers;

// The real draws up to `last`, as sourced draws.
std::vector<SourcedDraw> RealDraws(std::int32_t first, std::int32_t last) {
  std::vector<SourcedDraw> draws;
  for (const testing::TestDraw& d : testing::RealHistory()) {
    if (d.issue >= first && d.issue <= last) draws.push_back({d.issue, d.numbers});
  }
  return draws;
}

// A text with its first `from` replaced by `to`; the test fails when there is none.
std::string Edited(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

const std::string kLine2023037 =
    "2023037 2023-04-04 08 23 25 26 29 31 12 08 25 29 26 23 31 357460864 1956183761 16 5978413 "
    "115 170158 1896 3000 89697 200 1580931 10 11489209 5";
const std::string kPendingLine2023038 =
    "2023038 2023-04-06 02 09 14 17 31 33 08 09 02 33 14 17 31 - - - - - - - - - - - - - -";

struct SsqAscRow {
  const char* name;
  std::string line;
  SourcedDraw expected;
};

class SsqAscLineTest : public ::testing::TestWithParam<SsqAscRow> {};

TEST_P(SsqAscLineTest, ReadsTheLine) {
  std::vector<SourcedDraw> draws;
  ASSERT_TRUE(ParseSsqAsc(GetParam().line, &draws).ok());
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    RealLines, SsqAscLineTest,
    ::testing::Values(
        SsqAscRow{"FirstDrawOfTheFile",
                  "2003001 2003-02-23 10 11 12 13 26 28 11 26 28 11 13 10 12 0 0 0 0 0 0 0 0 0 0 "
                  "0 0 0 0",
                  {2003001, {10, 11, 12, 13, 26, 28, 11}}},
        SsqAscRow{"DrawWithItsPrizes", kLine2023037, {2023037, {8, 23, 25, 26, 29, 31, 12}}},
        SsqAscRow{"PendingDrawKeepsItsNumbers",
                  kPendingLine2023038,
                  {2023038, {2, 9, 14, 17, 31, 33, 8}}},
        SsqAscRow{"CrLfLineEnd", kLine2023037 + "\r\n", {2023037, {8, 23, 25, 26, 29, 31, 12}}},
        SsqAscRow{"BlueOutOfRange", Edited(kLine2023037, " 31 12 ", " 31 17 "), {2023037, {}}},
        SsqAscRow{"RedTwice", Edited(kLine2023037, " 08 23 ", " 08 08 "), {2023037, {}}},
        SsqAscRow{"RedNotANumber", Edited(kLine2023037, " 25 26 ", " 2x 26 "), {2023037, {}}},
        SsqAscRow{"CutShort", "2023038 2023-04-06 02 09 14 17 31", {2023038, {}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SsqAscTest, ALineWithoutAnIssueIsNotTheFile) {
  std::vector<SourcedDraw> draws;
  for (const std::string& text :
       {std::string("<html><body>302 Found</body></html>"),
        kLine2023037 + "\n20230 2023-04-06 02 09 14 17 31 33 08", "-" + kLine2023037}) {
    EXPECT_EQ(ParseSsqAsc(text, &draws).code(), Status::Code::kInvalidArgument) << text;
  }
}

TEST(SsqAscTest, TheSavedFileHoldsTheRealHistoryTo2023038) {
  std::vector<SourcedDraw> draws;
  ASSERT_TRUE(ParseSsqAsc(testing::SavedSsqAscFile(), &draws).ok());
  EXPECT_EQ(draws, RealDraws(2003001, 2023038));
}

struct CwlRow {
  const char* name;
  std::string from, to;  // an edit of the real record of 2026008
  DrawNumbers expected;
};

class CwlRecordTest : public ::testing::TestWithParam<CwlRow> {};

TEST_P(CwlRecordTest, ReadsTheRecord) {
  const std::string record = testing::CwlRecords(testing::SavedCwlPage())[1];
  CwlNoticePage page;
  const std::string body =
      testing::CwlPage({Edited(record, GetParam().from, GetParam().to)}, 1, 1, 1);
  ASSERT_TRUE(ParseCwlNotices(body, &page).ok());
  ASSERT_EQ(page.draws.size(), 1u);
  EXPECT_EQ(page.draws[0], (SourcedDraw{2026008, GetParam().expected}));
}

INSTANTIATE_TEST_SUITE_P(
    RealRecord, CwlRecordTest,
    ::testing::Values(CwlRow{"AsSaved", "\"blue\"", "\"blue\"", {6, 9, 16, 27, 31, 33, 10}},
                      CwlRow{"FiveReds", "06,09,16,27,31,33", "06,09,16,27,31", {}},
                      CwlRow{"RedTwice", "06,09,16,27,31,33", "06,09,16,27,33,33", {}},
                      CwlRow{"RedOutOfRange", "06,09,16,27,31,33", "06,09,16,27,31,34", {}},
                      CwlRow{"BlueOutOfRange", "\"blue\":\"10\"", "\"blue\":\"17\"", {}},
                      CwlRow{"BlueMissing", "\"blue\":\"10\"", "\"bleu\":\"10\"", {}},
                      CwlRow{"RedsAsANumber", "\"red\":\"06,09,16,27,31,33\"", "\"red\":6", {}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CwlNoticesTest, TheSavedPageHoldsTheRealDrawsNewestFirstPendingOneIncluded) {
  CwlNoticePage page;
  ASSERT_TRUE(ParseCwlNotices(testing::SavedCwlPage(), &page).ok());
  EXPECT_EQ(page.page_count, 20);
  EXPECT_EQ(page.page_no, 1);
  std::vector<SourcedDraw> oldest_first(page.draws.rbegin(), page.draws.rend());
  EXPECT_EQ(oldest_first, RealDraws(2025061, 2026009));
}

struct CwlFailureRow {
  const char* name;
  std::string body;
  const char* says;
};

class CwlFailureTest : public ::testing::TestWithParam<CwlFailureRow> {};

TEST_P(CwlFailureTest, IsNoAnswerOfTheService) {
  CwlNoticePage page;
  const Status s = ParseCwlNotices(GetParam().body, &page);
  EXPECT_EQ(s.code(), Status::Code::kInvalidArgument);
  EXPECT_THAT(s.message(), ::testing::HasSubstr(GetParam().says));
  EXPECT_TRUE(page.draws.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CwlFailureTest,
    ::testing::Values(
        CwlFailureRow{"NginxRedirectPage", testing::SavedCwl302Body(), "not a JSON answer"},
        CwlFailureRow{"StateOne",
                      Edited(testing::SavedCwlPage(), "\"state\":0,\"message\":\"查询成功\"",
                             "\"state\":1,\"message\":\"系统繁忙\""),
                      "state 1 (系统繁忙)"},
        CwlFailureRow{"NoState", Edited(testing::SavedCwlPage(), "\"state\":0,", ""), "state none"},
        CwlFailureRow{"NoResult", "{\"state\":0,\"total\":0}", "no result"},
        CwlFailureRow{
            "ShortCode",
            Edited(testing::SavedCwlPage(), "\"code\":\"2026008\"", "\"code\":\"202608\""), "code"},
        CwlFailureRow{"CutShort", testing::SavedCwlPage().substr(0, 5000), "not a JSON answer"},
        CwlFailureRow{"AnArray", "[]", "not a JSON answer"}),
    [](const auto& row) { return std::string(row.param.name); });

struct SourceListRow {
  const char* name;
  std::string text;
  std::vector<SourceAddress> expected;
};

class SourceListTest : public ::testing::TestWithParam<SourceListRow> {};

TEST_P(SourceListTest, ParsesTheList) {
  EXPECT_EQ(ParseSourceList(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SourceListTest,
    ::testing::Values(
        SourceListRow{"Default",
                      kDefaultUpdateSources,
                      {{"cwl", "https://www.cwl.gov.cn"}, {"17500", "https://data.17500.cn"}}},
        SourceListRow{"BlanksAndFinalSlashes",
                      " 17500 = http://127.0.0.1:8080/mirror/ ; page=http://127.0.0.1:1//;",
                      {{"17500", "http://127.0.0.1:8080/mirror"}, {"page", "http://127.0.0.1:1"}}},
        SourceListRow{"CommasAndSemicolons",
                      "page=http://127.0.0.1:1,17500=http://127.0.0.1:2;cwl=http://127.0.0.1:3",
                      {{"page", "http://127.0.0.1:1"},
                       {"17500", "http://127.0.0.1:2"},
                       {"cwl", "http://127.0.0.1:3"}}},
        SourceListRow{"UnknownNamesAndEmptyBasesLeftOut",
                      "zhcw=http://a;cwl=;cwl;=http://b;cwl=http://c",
                      {{"cwl", "http://c"}}},
        SourceListRow{"Empty", "", {}}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brivo::acquire
