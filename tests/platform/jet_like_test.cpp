#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/db/jet_sql.h"

namespace brivo::jet {
namespace {

using std::literals::string_view_literals::operator""sv;

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

struct LikeCase {
  const char* name;
  std::string_view text;
  std::string_view pattern;
  std::optional<bool> expected;  // nullopt: the pattern is malformed

  friend void PrintTo(const LikeCase& c, std::ostream* os) {
    *os << c.name << ": \"" << c.text << "\" LIKE \"" << c.pattern << "\"";
  }
};

class LikeMatchTest : public ::testing::TestWithParam<LikeCase> {};

TEST_P(LikeMatchTest, MatchesAsJetDoes) {
  const LikeCase& c = GetParam();
  EXPECT_EQ(LikeMatch(c.text, c.pattern), c.expected);
}

// Exactly sized heap copies, so that a read past the end of either argument is caught by the
// address sanitizer (a std::string would hide it behind its terminating NUL).
TEST_P(LikeMatchTest, StaysInsideItsArgumentsForEveryPrefix) {
  const LikeCase& c = GetParam();
  for (std::size_t t = 0; t <= c.text.size(); ++t) {
    for (std::size_t p = 0; p <= c.pattern.size(); ++p) {
      auto text = std::make_unique<char[]>(t + 1);
      auto pattern = std::make_unique<char[]>(p + 1);
      c.text.copy(text.get() + 1, t);
      c.pattern.copy(pattern.get() + 1, p);
      (void)LikeMatch(std::string_view(text.get() + 1, t), std::string_view(pattern.get() + 1, p));
    }
  }
}

// Sixty a's and a b: enough stars over this text would take forever with naive backtracking.
const std::string kManyAThenB = std::string(60, 'a') + "b";

INSTANTIATE_TEST_SUITE_P(
    Cases, LikeMatchTest,
    ::testing::Values(
        LikeCase{"ExactText", "1X03", "1X03", true},
        LikeCase{"TrailingTextFails", "1X03 ", "1X03", false},
        LikeCase{"LeadingTextFails", "a1X03", "1X03", false},
        LikeCase{"DifferentText", "1X04", "1X03", false},
        LikeCase{"StarsFindToken", "1X03 2X05 ", "*1X03*", true},
        LikeCase{"StarsFindLastToken", "1X01 2X05 3X03", "*3X03*", true},
        LikeCase{"StarsMissingToken", "1X04 2X05 ", "*1X03*", false},
        // Tokens are matched as substrings, so 1X1 is found inside 1X10.
        LikeCase{"TokenInsideLongerToken", "1X10 2X3 ", "*1X1*", true},
        LikeCase{"LowerCaseText", "1x03", "*1X03*", true},
        LikeCase{"LowerCasePattern", "2X03 1X03", "*1x03*", true},
        LikeCase{"MixedCase", "HeLLo", "hEllO", true},
        LikeCase{"NonAsciiLettersKeepCase", "\u00c9", "\u00e9", false},
        LikeCase{"EmptyTextFailsToken", "", "*1X03*", false},
        LikeCase{"EmptyTextMatchesStar", "", "*", true},
        LikeCase{"EmptyTextMatchesEmpty", "", "", true},
        LikeCase{"EmptyPatternNeedsEmptyText", "a", "", false},
        LikeCase{"StarMatchesAll", "anything at all", "*", true},
        LikeCase{"RepeatedStars", "abc", "a***c", true},
        LikeCase{"StarAtStart", "xx1X03", "*1X03", true},
        LikeCase{"StarAtStartNeedsSuffix", "1X03x", "*1X03", false},
        LikeCase{"StarAtEnd", "1X03xx", "1X03*", true},
        LikeCase{"StarNeedsBacktrack", "aaab", "*aab", true},
        LikeCase{"StarNeedsBacktrackTwice", "mississippi", "m*iss*ppi", true},
        LikeCase{"StarsAroundShortToken", "mississippi", "*sip*", true},
        // "*token*", the searches' own shape, among other characters and bad bytes.
        LikeCase{"TokenAfterChinese", "\u9f20 1X05 2X05 ", "*2x05*", true},
        LikeCase{"TokenAfterBadByte",
                 "\xff\xe9"
                 "2X05",
                 "*2X05*", true},
        LikeCase{"TokenCutShort", "1X05 2X0", "*2X05*", false},
        LikeCase{"TokenNotInEmpty", "", "*2X05*", false},
        LikeCase{"StarsAroundNothing", "", "**", true},
        LikeCase{"StarThenWrongEnd", "abc", "*b", false},
        LikeCase{"ManyStarsNoMatch", kManyAThenB, "*a*a*a*a*a*a*a*a*a*a*a*a*c", false},
        LikeCase{"ManyStarsMatch", kManyAThenB, "*a*a*a*a*a*a*a*a*a*a*a*a*b", true},
        LikeCase{"QuestionOneChar", "a", "?", true}, LikeCase{"QuestionNotEmpty", "", "?", false},
        LikeCase{"QuestionNotTwo", "ab", "?", false},
        LikeCase{"QuestionInMiddle", "1X03", "1?03", true},
        LikeCase{"QuestionAfterStar", "abc", "*?", true},
        LikeCase{"ChineseQuestionOneCodePoint", "\u7ea2", "?", true},
        LikeCase{"ChineseTwoQuestions", "\u7ea2\u7403", "??", true},
        LikeCase{"ChineseOneQuestionTooFew", "\u7ea2\u7403", "?", false},
        LikeCase{"ChineseThreeQuestionsTooMany", "\u7ea2\u7403", "???", false},
        LikeCase{"ChineseQuestionBetween", "\u7ea2\u7403\u4e00", "\u7ea2?\u4e00", true},
        LikeCase{"ChineseLiteral", "\u7ea2\u7403", "*\u7403", true},
        LikeCase{"FourByteCharQuestion", "\U0001F600", "?", true},
        LikeCase{"HashDigit", "7", "#", true}, LikeCase{"HashNotLetter", "a", "#", false},
        LikeCase{"HashNotEmpty", "", "#", false},
        LikeCase{"HashIssueNumber", "2003001", "#######", true},
        LikeCase{"HashIssueNumberTooShort", "200301", "#######", false},
        LikeCase{"HashNotFullWidthDigit", "\uff17", "#", false},
        LikeCase{"HashInToken", "1X03 ", "*1X0# *", true},
        LikeCase{"ClassListed", "b", "[abc]", true},
        LikeCase{"ClassNotListed", "d", "[abc]", false},
        LikeCase{"ClassUpperText", "B", "[abc]", true},
        LikeCase{"ClassUpperList", "b", "[ABC]", true},
        LikeCase{"ClassTakesOneChar", "ab", "[ab]", false},
        LikeCase{"ClassNotEmpty", "", "[abc]", false},
        LikeCase{"ClassInToken", "1X03 2X05 ", "*[12]X0#*", true},
        LikeCase{"ClassChinese", "\u7403", "[\u7ea2\u7403]", true},
        LikeCase{"ClassChineseNotListed", "\u4e00", "[\u7ea2\u7403]", false},
        LikeCase{"RangeInside", "q", "[a-z]", true}, LikeCase{"RangeLowEnd", "a", "[a-z]", true},
        LikeCase{"RangeHighEnd", "z", "[a-z]", true},
        LikeCase{"RangeUpperText", "Q", "[a-z]", true},
        LikeCase{"RangeUpperList", "m", "[A-Z]", true}, LikeCase{"RangeDigits", "5", "[0-9]", true},
        LikeCase{"RangeOutside", "a", "[0-9]", false},
        LikeCase{"RangeJustOutside", "6", "[1-5]", false},
        LikeCase{"RangeAndList", "x", "[a-cx]", true},
        LikeCase{"RangeAndListMiss", "d", "[a-cx]", false},
        LikeCase{"HyphenFirstIsLiteral", "-", "[-a]", true},
        LikeCase{"HyphenLastIsLiteral", "-", "[a-]", true},
        LikeCase{"HyphenLastNotRange", "b", "[a-]", false},
        LikeCase{"NegatedNotListed", "d", "[!abc]", true},
        LikeCase{"NegatedListed", "a", "[!abc]", false},
        LikeCase{"NegatedListedOtherCase", "A", "[!abc]", false},
        LikeCase{"NegatedRangeInside", "5", "[!0-9]", false},
        LikeCase{"NegatedRangeOutside", "x", "[!0-9]", true},
        LikeCase{"NegatedNeedsOneChar", "", "[!a]", false},
        LikeCase{"NegatedTakesOneChar", "xy", "[!a]", false},
        LikeCase{"NegatedChinese", "\u7ea2", "[!a-z]", true},
        LikeCase{"BangOutsideClassIsLiteral", "!", "!", true},
        LikeCase{"BangOutsideClassNotAny", "a", "!", false},
        LikeCase{"LiteralStar", "*", "[*]", true}, LikeCase{"LiteralStarNotAny", "a", "[*]", false},
        LikeCase{"LiteralQuestion", "?", "[?]", true},
        LikeCase{"LiteralQuestionNotAny", "x", "[?]", false},
        LikeCase{"LiteralHash", "#", "[#]", true},
        LikeCase{"LiteralHashNotDigit", "1", "[#]", false},
        LikeCase{"LiteralOpenBracket", "[", "[[]", true},
        LikeCase{"LiteralOpenBracketInText", "a[b", "a[[]b", true},
        LikeCase{"LiteralStarInToken", "1*2", "*[*]*", true},
        LikeCase{"LiteralStarMissing", "12", "*[*]*", false},
        LikeCase{"CloseBracketAlone", "]", "]", true},
        LikeCase{"CloseBracketAfterQuestion", "a]", "?]", true},
        LikeCase{"EmptyClassTakesNothing", "ab", "a[]b", true},
        LikeCase{"EmptyClassDoesNotMatchChar", "axb", "a[]b", false},
        LikeCase{"MalformedOpenBracket", "x", "[abc", std::nullopt},
        LikeCase{"MalformedBracketOnly", "", "[", std::nullopt},
        LikeCase{"MalformedAfterStar", "abc", "*[", std::nullopt},
        LikeCase{"MalformedNegated", "a", "[!", std::nullopt},
        LikeCase{"MalformedRange", "a", "a[b-", std::nullopt},
        LikeCase{"MalformedAfterMismatch", "zzz", "a[", std::nullopt},
        LikeCase{"MalformedReversedRange", "b", "[z-a]", std::nullopt},
        LikeCase{"BadByteIsOneChar", "\xff", "?", true},
        LikeCase{"BadBytesAreTwoChars", "\xff\xfe", "??", true},
        LikeCase{"BadByteMatchesItself", "\xff", "\xff", true},
        LikeCase{"BadByteNotOther", "\xfe", "\xff", false},
        LikeCase{"TruncatedSequenceByteByByte", "\xe4\xb8", "??", true},
        LikeCase{"TruncatedSequenceNotOneChar", "\xe4\xb8", "?", false},
        LikeCase{"TruncatedSequenceStar", "\xe4\xb8", "*", true},
        LikeCase{"BadByteInPattern", "a", "\xe4", false},
        LikeCase{"NulInText", "a\0b"sv, "a?b", true},
        LikeCase{"NulLiteral", "a\0b"sv, "a\0b"sv, true}),
    CaseName<LikeCase>);

struct LeftCase {
  const char* name;
  std::string_view text;
  std::int64_t n;
  std::string_view expected;

  friend void PrintTo(const LeftCase& c, std::ostream* os) {
    *os << c.name << ": LEFT(\"" << c.text << "\", " << c.n << ")";
  }
};

class LeftTest : public ::testing::TestWithParam<LeftCase> {};

TEST_P(LeftTest, TakesCodePoints) {
  const LeftCase& c = GetParam();
  EXPECT_EQ(Left(c.text, c.n), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LeftTest,
    ::testing::Values(LeftCase{"Ascii", "abc", 2, "ab"}, LeftCase{"Zero", "abc", 0, ""},
                      LeftCase{"Negative", "abc", -5, ""},
                      LeftCase{"Minimum", "abc", std::numeric_limits<std::int64_t>::min(), ""},
                      LeftCase{"WholeLength", "abc", 3, "abc"},
                      LeftCase{"BeyondLength", "abc", 100, "abc"},
                      LeftCase{"Maximum", "abc", std::numeric_limits<std::int64_t>::max(), "abc"},
                      LeftCase{"EmptyText", "", 1, ""},
                      LeftCase{"Chinese", "\u7ea2\u7403\u4e00\u4e8c", 2, "\u7ea2\u7403"},
                      LeftCase{"ChineseOne", "\u7ea2\u7403", 1, "\u7ea2"},
                      LeftCase{"MixedScripts", "a\u7ea2b", 2, "a\u7ea2"},
                      LeftCase{"FourByteChar", "\U0001F600x", 1, "\U0001F600"},
                      LeftCase{"BadByteIsOneChar", "\xff\xfeX", 1, "\xff"},
                      LeftCase{"TruncatedSequence", "\xe4\xb8x", 2, "\xe4\xb8"},
                      LeftCase{"SequenceCutAtEnd", "a\xe4\xb8", 2, "a\xe4"},
                      LeftCase{"KeepsNul", "a\0b"sv, 2, "a\0"sv}),
    CaseName<LeftCase>);

struct LenCase {
  const char* name;
  std::string_view text;
  std::int64_t expected;

  friend void PrintTo(const LenCase& c, std::ostream* os) {
    *os << c.name << ": LEN(\"" << c.text << "\")";
  }
};

class LenTest : public ::testing::TestWithParam<LenCase> {};

TEST_P(LenTest, CountsCodePoints) {
  const LenCase& c = GetParam();
  EXPECT_EQ(Len(c.text), c.expected);
}

// Left and Len must agree on where characters end, or LEFT(x, LEN(x) - k) would cut one apart.
TEST_P(LenTest, AgreesWithLeft) {
  const LenCase& c = GetParam();
  EXPECT_EQ(Left(c.text, Len(c.text)), c.text);
  for (std::int64_t k = 0; k <= Len(c.text); ++k) {
    const std::string prefix = Left(c.text, k);
    EXPECT_EQ(Len(prefix), k) << "k=" << k;
    EXPECT_EQ(c.text.substr(0, prefix.size()), prefix) << "k=" << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LenTest,
    ::testing::Values(
        LenCase{"Empty", "", 0}, LenCase{"Ascii", "abc", 3}, LenCase{"Tokens", "1X03 2X05 ", 10},
        LenCase{"Chinese", "\u7ea2\u7403", 2}, LenCase{"Mixed", "1\u7ea2 2\u7403", 5},
        LenCase{"TwoByteChar", "\u00e9", 1}, LenCase{"FourByteChar", "\U0001F600", 1},
        LenCase{"BadByte", "\xff", 1}, LenCase{"ContinuationByteAlone", "\x80", 1},
        LenCase{"TruncatedSequence", "\xe4\xb8", 2}, LenCase{"OverlongNul", "\xc0\x80", 2},
        LenCase{"OverlongThreeBytes", "\xe0\x80\xaf", 3}, LenCase{"Surrogate", "\xed\xa0\x80", 3},
        LenCase{"AboveUnicode", "\xf4\x90\x80\x80", 4},
        LenCase{"HighestCodePoint", "\xf4\x8f\xbf\xbf", 1}, LenCase{"EmbeddedNul", "a\0b"sv, 3}),
    CaseName<LenCase>);

}  // namespace
}  // namespace brivo::jet
