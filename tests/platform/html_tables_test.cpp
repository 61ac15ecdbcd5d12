// The texts of a page's table bodies, as a browser's innerText gives them, on hand-made markup,
// hostile bytes, a very large page and two saved results-list pages of the lottery's site.

#include "platform/web/html_tables.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "testing/temp_dir.h"

namespace brivo {
namespace {

using std::literals::string_view_literals::operator""sv;
using Texts = std::vector<std::string>;

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

struct BodiesCase {
  const char* name;
  std::string_view html;
  Texts expected;
};

class TableBodyTextsTest : public ::testing::TestWithParam<BodiesCase> {};

TEST_P(TableBodyTextsTest, GivesEachBodysText) {
  EXPECT_EQ(TableBodyTexts(GetParam().html), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Markup, TableBodyTextsTest,
    ::testing::Values(
        BodiesCase{
            "ExplicitBody", "<table><tbody><tr><td>a<td>b<tr><td>c</tbody></table>", {"a\tb\nc"}},
        BodiesCase{"ImplicitBody",
                   "<table><tr><td>010711182733 05</td></tr></table>",
                   {"010711182733 05"}},
        BodiesCase{"SeveralBodiesInOrder",
                   "<table><tbody><tr><td>1</tbody><tbody><tr><td>2</tbody></table>"
                   "<p>x</p><table><tr><td>3</table>",
                   {"1", "2", "3"}},
        BodiesCase{"NestedTableIsItsOwnBodyAfterTheOuter",
                   "<table><tr><td>out<table><tr><td>in1<td>in2<tr><td>in3</table></td>"
                   "<td>x</table>",
                   {"out\nin1\tin2\nin3\tx", "in1\tin2\nin3"}},
        BodiesCase{"BlanksCollapsedAndTrimmed",
                   "<table><tr><td>\n  a \t\r\n b  </td><td>  </td><td>c</td></tr>\n"
                   "<tr><td> d </td></tr></table>",
                   {"a b\t\tc\nd"}},
        BodiesCase{"LineBreaksKeptWithoutTheirBlanks",
                   "<table><tr><td>a <br> b<br><br>c</td></tr></table>",
                   {"a\nb\n\nc"}},
        BodiesCase{"InlineTagsAddNothing",
                   "<table><tr><td><span><b>07</b></span>\n<i>08</i><b>0</b><b>9</b></table>",
                   {"07 0809"}},
        BodiesCase{"EntitiesDecodedNbspKept",
                   "<table><tr><td>&nbsp;a&amp;b&#x4E2D;&lt;&nbsp;</td></tr></table>",
                   {"\u00A0a&b\u4E2D<\u00A0"}},
        BodiesCase{"ScriptStyleTemplateCommentLeftOut",
                   "<table><tr><td>a<script>var s = '<td>x</td>';</script><style>td{}</style>"
                   "<template>t</template><!-- c -->b</td></tr></table>",
                   {"ab"}},
        BodiesCase{"BlocksBreakLinesInsideACell",
                   "<table><tr><td><p></p><p>a</p>b<div> c </div></td></tr></table>",
                   {"a\n\nb\nc"}},
        BodiesCase{"PreKeepsBlanks",
                   "<table><tr><td><pre> a  b\n c</pre></td></tr></table>",
                   {" a  b\n c"}},
        BodiesCase{"HeadAndFootLeftOut",
                   "<table><thead><tr><th>h</th></tr></thead><tfoot><tr><td>f</td></tr></tfoot>"
                   "<tbody><tr><th>k</th><td>v</td></tr></tbody></table>",
                   {"k\tv"}},
        BodiesCase{
            "EmptyBodies", "<table><tbody></tbody><tbody><tr></tr></tbody></table>", {"", ""}},
        BodiesCase{"ChineseText",
                   "<table><tr><td>双色球</td><td> 开奖  号码 </td></tr></table>",
                   {"双色球\t开奖 号码"}},
        BodiesCase{"TemplateBodiesAreNotInThePage",
                   "<template><table><tr><td>t</td></tr></table></template>",
                   {}},
        BodiesCase{"RowsOutsideATableMakeNoBody", "<tr><td>x</td></tr>", {}},
        BodiesCase{"EmptyPage", "", {}},
        BodiesCase{"GarbageBytes", "\xff\xfe\0<<<>>\x80</td></tbody>&#xFFFFFF;"sv, {}},
        BodiesCase{"InvalidUtf8Replaced", "<table><tr><td>a\xff b", {"a\uFFFD b"}},
        BodiesCase{"TruncatedMarkup", "<table><tbody><tr><td>12", {"12"}},
        BodiesCase{"TruncatedTag", "<table><tbody><tr><td>12</t", {"12"}},
        BodiesCase{"RowsInStrayWrappersStayInTheBody",
                   "<table><tr><td>a</td><form><tr><td>b</td></tr></form><div><tr><td>c</div>"
                   "</table>",
                   {"a\nb\nc"}},
        BodiesCase{"CellsInAStrayWrapperStayInTheRow",
                   "<table><tr><form><td>a</td><td>b</td></form></tr></table>",
                   {"a\tb"}},
        BodiesCase{"CellsStraightInATable", "<table><td>x</td></table>", {"x"}},
        BodiesCase{"ABodyCaptionOrColumnGroupEndsAnImpliedBody",
                   "<table><tr><td>1<tbody><tr><td>2</tbody><tr><td>3</td></tr>"
                   "<caption>c</caption><tr><td>4</td></tr><colgroup></colgroup><tr><td>5</table>",
                   {"1", "2", "3", "4", "5"}},
        BodiesCase{"NestedBodyComesBeforeTheOutersNext",
                   "<table><tbody><tr><td>1<table><tr><td>in</table></tbody>"
                   "<tbody><tr><td>2</tbody></table>",
                   {"1\nin", "in", "2"}},
        BodiesCase{"MarkupInTextOnlyElementsMakesNoTable",
                   "<textarea><table><tr><td>x</table></textarea><title><table><tr><td>y</table>"
                   "</title><iframe><table><tr><td>z</table></iframe>",
                   {}},
        BodiesCase{"MetaCharsetIgnored",
                   "<meta charset=\"gb2312\"><table><tr><td>双色球</td></tr></table>",
                   {"双色球"}},
        BodiesCase{"EachInvalidSequenceReplaced",
                   "<table><tr><td>a\xC0\xAF"
                   "b\xED\xA0\x80"
                   "c\xE4\xB8",
                   {"a\uFFFD\uFFFDb\uFFFD\uFFFD\uFFFDc\uFFFD"}},
        BodiesCase{"NulDroppedControlsReplaced",
                   "<table><tr><td>1\0 2\x01\x7F\xC2\x80\f3</td></tr></table>"sv,
                   {"1 2\uFFFD\uFFFD\uFFFD 3"}},
        BodiesCase{"LineEndsAsABrowserReadsThem",
                   "<table><tr><td><pre>a\r\nb\rc</pre></td></tr></table>",
                   {"a\nb\nc"}}),
    CaseName<BodiesCase>);

TEST(TableBodyTextsLargeTest, TenThousandBodies) {
  std::string html = "<table>";
  for (int i = 0; i < 10000; ++i) html += "<tbody><tr><td>" + std::to_string(i) + "</td></tr>";
  const Texts texts = TableBodyTexts(html);
  ASSERT_EQ(texts.size(), 10000u);
  EXPECT_EQ(texts.front(), "0");
  EXPECT_EQ(texts.back(), "9999");
}

// The 128 outermost bodies come out; the inner ones only as part of their texts.
TEST(TableBodyTextsLargeTest, AThousandNestedTables) {
  std::string html;
  for (int i = 0; i < 1000; ++i) html += "<table><tr><td>";
  const Texts texts = TableBodyTexts(html + "x");
  ASSERT_EQ(texts.size(), 128u);
  EXPECT_EQ(texts.front(), "x");
  EXPECT_EQ(texts.back(), "x");
}

TEST(TableBodyTextsLargeTest, DeeplyNestedCell) {
  std::string html = "<table><tr><td>";
  for (int i = 0; i < 20000; ++i) html += "<span>";
  EXPECT_EQ(TableBodyTexts(html + "x"), Texts{"x"});
}

std::string Repeated(std::string_view part, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += part;
  return text;
}

struct LargePageCase {
  const char* name;
  std::string (*page)();
  std::size_t bodies;
  const char* last_text_end;
};

class LargePageTest : public ::testing::TestWithParam<LargePageCase> {};

// Far beyond a results page's few dozen kilobytes or twenty open elements: each page is read
// to its end, or refused whole when it would cost the parser quadratic time.
TEST_P(LargePageTest, ReadToTheEndOrRefused) {
  const Texts texts = TableBodyTexts(GetParam().page());
  ASSERT_EQ(texts.size(), GetParam().bodies);
  if (texts.empty()) return;
  const std::string_view end = GetParam().last_text_end;
  EXPECT_TRUE(texts.back().ends_with(end)) << texts.back().substr(0, 100);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, LargePageTest,
    ::testing::Values(LargePageCase{"FourMegabytesOfRows",
                                    [] {
                                      return "<table>" + Repeated("<tr><td>row</td></tr>", 200000) +
                                             "<tr><td>last</td></tr></table>";
                                    },
                                    1, "row\nrow\nlast"},
                      // libxml2 alone would stop reading at 256 open elements.
                      LargePageCase{"CellNestedFarBeyondTheParsersDepth",
                                    [] {
                                      return "<table><tr><td>" + Repeated("<b>", 300000) + "x" +
                                             Repeated("</b>", 300000) + "</td></tr></table>" +
                                             "<table><tr><td>after</td></tr></table>";
                                    },
                                    2, "after"},
                      LargePageCase{"StrayEndTagsDeepDownRefused",
                                    [] {
                                      return "<table><tr><td>a</td></tr></table>" +
                                             Repeated("<b>", 100000) + Repeated("</i>", 100000);
                                    },
                                    0, ""},
                      LargePageCase{"StrayEndTagsNearTheTopRead",
                                    [] {
                                      return Repeated("</i>", 500000) +
                                             "<table><tr><td>a</td></tr></table>" +
                                             Repeated("</i>", 500000);
                                    },
                                    1, "a"}),
    CaseName<LargePageCase>);

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

struct PageCase {
  const char* name;
  const char* file;
  const char* first_issue;
};

class ResultsPageTest : public ::testing::TestWithParam<PageCase> {};

// The site puts its whole list in one table without TBODY tags: one implicit body of two
// heading rows, twenty draws and the page links; a draw's numbers are its third cell.
TEST_P(ResultsPageTest, OneBodyOfTwentyDraws) {
  const std::string page =
      testing::ReadFileBytes(testing::TestDataFile(std::string("pages/") + GetParam().file));
  ASSERT_FALSE(page.empty());
  const Texts bodies = TableBodyTexts(page);
  ASSERT_EQ(bodies.size(), 1u);
  const std::vector<std::string> rows = Split(bodies[0], '\n');
  ASSERT_EQ(rows.size(), 23u);
  EXPECT_EQ(rows[0], "开奖日期\t期号\t中奖号码\t销售额(元)\t中奖注数\t详细");
  EXPECT_EQ(rows[1], "一等奖\t二等奖");
  EXPECT_EQ(rows[22].rfind("共", 0), 0u) << rows[22];
  EXPECT_EQ(Split(rows[2], '\t')[1], GetParam().first_issue);
  for (std::size_t r = 2; r < 22; ++r) {
    const std::vector<std::string> cells = Split(rows[r], '\t');
    ASSERT_EQ(cells.size(), 7u) << rows[r];
    const std::string& numbers = cells[2];  // "01 02 03 07 10 25 07"
    ASSERT_EQ(numbers.size(), 20u) << rows[r];
    int previous_red = 0;
    for (std::size_t k = 0; k < 7; ++k) {
      if (k > 0) {
        EXPECT_EQ(numbers[3 * k - 1], ' ') << numbers;
      }
      const char tens = numbers[3 * k];
      const char units = numbers[3 * k + 1];
      ASSERT_TRUE(tens >= '0' && tens <= '9' && units >= '0' && units <= '9') << numbers;
      const int n = (tens - '0') * 10 + (units - '0');
      if (k < 6) {
        EXPECT_GT(n, previous_red) << numbers;  // the site lists the reds ascending
        EXPECT_LE(n, 33) << numbers;
        previous_red = n;
      } else {
        EXPECT_TRUE(n >= 1 && n <= 16) << numbers;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    SavedPages, ResultsPageTest,
    ::testing::Values(PageCase{"Page100", "zhcw_ssq_list_page100.html", "2004001"},
                      PageCase{"Page1Of2017", "zhcw_ssq_list_page1_2017-02-16.html", "2017018"}),
    CaseName<PageCase>);

}  // namespace
}  // namespace brivo
