#include "platform/db/jet_sql.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "testing/temp_dir.h"

namespace brivo::jet {
namespace {

using std::literals::string_view_literals::operator""sv;

struct TranslateCase {
  const char* name;
  std::string_view jet;
  std::optional<std::string_view> sqlite;  // nullopt: the statement must be refused

  friend void PrintTo(const TranslateCase& c, std::ostream* os) { *os << c.name << ": " << c.jet; }
};

std::string TranslateCaseName(const ::testing::TestParamInfo<TranslateCase>& info) {
  return info.param.name;
}

class TranslateTest : public ::testing::TestWithParam<TranslateCase> {};

TEST_P(TranslateTest, Translates) {
  const TranslateCase& c = GetParam();
  std::string out = "left over";
  const Status status = TranslateToSqlite(c.jet, &out);
  if (!c.sqlite.has_value()) {
    EXPECT_EQ(status.code(), Status::Code::kInvalidArgument) << status.ToString();
    EXPECT_EQ(out, "left over");
    return;
  }
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(out, *c.sqlite);
  // Output such as jet_left( and '...' literals must not be rewritten again.
  std::string again;
  ASSERT_TRUE(TranslateToSqlite(out, &again).ok());
  EXPECT_EQ(again, out);
}

// Exactly sized heap copies of every prefix: a read past the end is caught by the address
// sanitizer, and cutting a statement anywhere inside a quote or bracket must be refused.
TEST_P(TranslateTest, StaysInsideTheInputForEveryPrefix) {
  const TranslateCase& c = GetParam();
  for (std::size_t size = 0; size <= c.jet.size(); ++size) {
    auto bytes = std::make_unique<char[]>(size + 1);
    c.jet.copy(bytes.get() + 1, size);
    std::string out;
    (void)TranslateToSqlite(std::string_view(bytes.get() + 1, size), &out);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Statements, TranslateTest,
    ::testing::Values(
        TranslateCase{"LikeUpdate",
                      R"(UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE [txtHisP6] LIKE "*1X03*")",
                      R"(UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE [txtHisP6] LIKE '*1X03*')"},
        TranslateCase{"FalseUpdate", "UPDATE [Lishi] SET [bolOk]= FALSE",
                      "UPDATE [Lishi] SET [bolOk]= 0"},
        TranslateCase{
            "TrueSelect",
            "SELECT * FROM [lishi] WHERE [SQQH] >= 2003001 AND  [SQQH] <= 2003010 AND [bolOk]= "
            "TRUE",
            "SELECT * FROM [lishi] WHERE [SQQH] >= 2003001 AND  [SQQH] <= 2003010 AND [bolOk]= 1"},
        TranslateCase{"OrderBy", "SELECT * FROM lishi ORDER BY SQQH",
                      "SELECT * FROM lishi ORDER BY SQQH"},
        TranslateCase{"Empty", "", ""}, TranslateCase{"WordsAtStartAndEnd", "TRUE=FALSE", "1=0"},
        TranslateCase{"LeftJoinUntouched", "SELECT * FROM a LEFT JOIN b ON a.x=b.x",
                      "SELECT * FROM a LEFT JOIN b ON a.x=b.x"},
        TranslateCase{"LeftAtEndUntouched", "SELECT LEFT", "SELECT LEFT"},
        TranslateCase{"LenWithTrailingBlanksUntouched", "SELECT len  ", "SELECT len  "},
        TranslateCase{"LenBeforeOtherPunctuation", "SELECT LEN, LEFT[x]", "SELECT LEN, LEFT[x]"},
        TranslateCase{"LengthUntouched", "SELECT LENGTH(x), LEFTX(x)",
                      "SELECT LENGTH(x), LEFTX(x)"},
        TranslateCase{"LongerWordsUntouched",
                      "TRUEX bolTRUE _TRUE TRUE_ TRUE1 1TRUE FALSEY NOTFALSE",
                      "TRUEX bolTRUE _TRUE TRUE_ TRUE1 1TRUE FALSEY NOTFALSE"},
        TranslateCase{"DigitsJoinWords", "L1A LEN1(x) LEFT2(x) XLEN(x)",
                      "L1A LEN1(x) LEFT2(x) XLEN(x)"},
        TranslateCase{"QualifiedNameKeepsWords", "SELECT t.TRUEX, [t].[TRUE]",
                      "SELECT t.TRUEX, [t].[TRUE]"},
        TranslateCase{"WordsInBracketsUntouched", "SELECT [TRUE], [LEFT(x)], [len (], [FALSE]",
                      "SELECT [TRUE], [LEFT(x)], [len (], [FALSE]"},
        TranslateCase{"WordsInSingleQuotesUntouched", "SELECT 'TRUE LEFT(x) LEN(y) FALSE'",
                      "SELECT 'TRUE LEFT(x) LEN(y) FALSE'"},
        TranslateCase{"WordsInDoubleQuotesUntouched", R"(SELECT "TRUE LEFT(x) LEN(y) FALSE")",
                      "SELECT 'TRUE LEFT(x) LEN(y) FALSE'"},
        TranslateCase{"DoubledDoubleQuote", R"(SELECT "a""b")", R"(SELECT 'a"b')"},
        TranslateCase{"OnlyDoubledDoubleQuote", R"(SELECT """")", R"(SELECT '"')"},
        TranslateCase{"EmptyDoubleQuoted", R"(SELECT "")", "SELECT ''"},
        TranslateCase{"ApostropheInDoubleQuotes", R"(SELECT "it's")", "SELECT 'it''s'"},
        TranslateCase{"ApostrophesAndQuotes", R"(SELECT "'""'")", R"(SELECT '''"''')"},
        TranslateCase{"DoubledApostropheKept", "SELECT 'it''s', ''''", "SELECT 'it''s', ''''"},
        TranslateCase{"DoubleQuoteInSingleQuotesKept", R"(SELECT 'a"b')", R"(SELECT 'a"b')"},
        TranslateCase{"QuotesInsideBrackets", R"(SELECT [a"b], [it's])", R"(SELECT [a"b], [it's])"},
        TranslateCase{"OpenBracketInBrackets", "SELECT [a[b]", "SELECT [a[b]"},
        TranslateCase{"BracketsInsideStrings", R"(SELECT "[x", '[y', "z]", 'w]')",
                      R"(SELECT '[x', '[y', 'z]', 'w]')"},
        TranslateCase{"LikeClassInDoubleQuotes", R"(x LIKE "[!0-9]*")", "x LIKE '[!0-9]*'"},
        TranslateCase{"LikeKept", "x LIKE 'a*' OR y like \"b?\"", "x LIKE 'a*' OR y like 'b?'"},
        TranslateCase{"AdjacentTokens", R"([a]"b"'c'TRUE[d])", "[a]'b''c'1[d]"},
        TranslateCase{"ChineseNamesAndText",
                      "SELECT * FROM [\u5386\u53f2] WHERE x = \"\u7ea2\u7403\"",
                      "SELECT * FROM [\u5386\u53f2] WHERE x = '\u7ea2\u7403'"},
        TranslateCase{"ChineseLettersJoinWords", "\u4e2dTRUE TRUE\u4e2d \u4e2d TRUE",
                      "\u4e2dTRUE TRUE\u4e2d \u4e2d 1"},
        TranslateCase{"NonUtf8BytesCopied", "SELECT \"\xff\xfe\" + \xfe, '\x80'",
                      "SELECT '\xff\xfe' + \xfe, '\x80'"},
        TranslateCase{"NulCopied", "a\0TRUE"sv, "a\0001"sv},
        TranslateCase{"UnterminatedSingleQuote", "SELECT 'abc", std::nullopt},
        TranslateCase{"UnterminatedAfterEscape", "SELECT 'it''", std::nullopt},
        TranslateCase{"LoneSingleQuote", "'", std::nullopt},
        TranslateCase{"UnterminatedDoubleQuote", R"(WHERE x LIKE "*1X03*)", std::nullopt},
        TranslateCase{"UnterminatedAfterDoubledQuote", R"(SELECT "a"")", std::nullopt},
        TranslateCase{"LoneDoubleQuote", R"(")", std::nullopt},
        TranslateCase{"UnterminatedBracket", "SELECT [txtHisP6 FROM t", std::nullopt},
        TranslateCase{"LoneBracket", "[", std::nullopt},
        TranslateCase{"UnterminatedAfterGoodParts", R"(SELECT [a], 'b', "c", [d)", std::nullopt},
        TranslateCase{"QuoteHidesBracketEnd", "SELECT '[a' ]", "SELECT '[a' ]"},
        TranslateCase{"BracketHidesQuote", "SELECT [a'] 'b", std::nullopt}),
    TranslateCaseName);

TEST(TranslateToSqliteTest, ReplacesRatherThanAppends) {
  std::string out = "SELECT 1; ";
  ASSERT_TRUE(TranslateToSqlite("UPDATE t SET b = TRUE", &out).ok());
  EXPECT_EQ(out, "UPDATE t SET b = 1");
}

TEST(TranslateToSqliteTest, RandomBytesNeverBreakTheContract) {
  // Bytes that mean something to the translator, plus a few that are not UTF-8.
  static constexpr std::string_view kAlphabet = "'\"[]( \tLEFTNRUASlefntrusa_1X*\x80\xe4\xff";
  std::mt19937 random(20030101);
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::uniform_int_distribution<std::size_t> length(0, 24);
  for (int round = 0; round < 20000; ++round) {
    const std::size_t size = length(random);
    auto bytes = std::make_unique<char[]>(size + 1);
    for (std::size_t i = 0; i < size; ++i) bytes[i + 1] = kAlphabet[pick(random)];
    const std::string_view jet(bytes.get() + 1, size);
    std::string out = "untouched";
    const Status status = TranslateToSqlite(jet, &out);
    if (!status.ok()) {
      ASSERT_EQ(status.code(), Status::Code::kInvalidArgument);
      ASSERT_EQ(out, "untouched") << jet;
      continue;
    }
    // Nothing in the output may be translated again.
    std::string again;
    ASSERT_TRUE(TranslateToSqlite(out, &again).ok()) << jet;
    ASSERT_EQ(again, out) << jet;
  }
}

// A history database on disk, opened the way the program opens one: double-quoted strings off.
class JetSqliteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sqlite3_open_v2(dir_.File("history.db").c_str(), &db_,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr), SQLITE_OK);
    Exec(
        "CREATE TABLE Lishi (SQQH INTEGER PRIMARY KEY, txtHisP6 TEXT, txtHisLstSx TEXT, "
        "intTh INTEGER NOT NULL DEFAULT 0, bolOk INTEGER)");
  }

  void TearDown() override { EXPECT_EQ(sqlite3_close(db_), SQLITE_OK); }

  void Exec(const std::string& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (error != nullptr ? error : "");
    sqlite3_free(error);
  }

  // Runs a Jet statement the way the program does: translated, then executed. Returns the
  // SQLite result code; the error message is kept in last_error_.
  int ExecJet(std::string_view jet) {
    std::string sql;
    const Status status = TranslateToSqlite(jet, &sql);
    EXPECT_TRUE(status.ok()) << status.ToString();
    if (!status.ok()) return SQLITE_ERROR;
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    last_error_ = error != nullptr ? error : "";
    sqlite3_free(error);
    return rc;
  }

  // The first column of every row of a statement given in SQLite's own dialect; NULL is nullopt.
  std::vector<std::optional<std::string>> Column(const std::string& sql) {
    std::vector<std::optional<std::string>> values;
    sqlite3_stmt* stmt = nullptr;
    const int prepared = sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr);
    EXPECT_EQ(prepared, SQLITE_OK) << sql << ": " << sqlite3_errmsg(db_);
    if (prepared != SQLITE_OK) return values;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      if (text == nullptr) {
        values.emplace_back(std::nullopt);
      } else {
        values.emplace_back(std::string(reinterpret_cast<const char*>(text),
                                        static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0))));
      }
    }
    EXPECT_EQ(rc, SQLITE_DONE) << sql << ": " << sqlite3_errmsg(db_);
    sqlite3_finalize(stmt);
    return values;
  }

  std::vector<std::optional<std::string>> ColumnJet(std::string_view jet) {
    std::string sql;
    const Status status = TranslateToSqlite(jet, &sql);
    EXPECT_TRUE(status.ok()) << status.ToString();
    return Column(sql);
  }

  // The single value of a one-row query in SQLite's dialect.
  std::optional<std::string> Value(const std::string& sql) {
    const std::vector<std::optional<std::string>> values = Column(sql);
    EXPECT_EQ(values.size(), 1u) << sql;
    return values.empty() ? std::nullopt : values.front();
  }

  void AddDraw(std::int64_t issue, std::optional<std::string> p6,
               std::optional<std::string> last_sx = std::nullopt) {
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(db_, "INSERT INTO Lishi (SQQH, txtHisP6, txtHisLstSx) VALUES (?, ?, ?)",
                           -1, &stmt, nullptr),
        SQLITE_OK);
    sqlite3_bind_int64(stmt, 1, issue);
    if (p6.has_value()) {
      sqlite3_bind_text(stmt, 2, p6->data(), static_cast<int>(p6->size()), SQLITE_TRANSIENT);
    }
    if (last_sx.has_value()) {
      sqlite3_bind_text(stmt, 3, last_sx->data(), static_cast<int>(last_sx->size()),
                        SQLITE_TRANSIENT);
    }
    EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE) << sqlite3_errmsg(db_);
    sqlite3_finalize(stmt);
  }

  using Rows = std::vector<std::optional<std::string>>;

  brivo::testing::TempDir dir_;
  sqlite3* db_ = nullptr;
  std::string last_error_;
};

TEST_F(JetSqliteTest, DoubleQuotedTextIsComparedAsText) {
  AddDraw(1, "txtHisP6");
  AddDraw(2, "other");
  AddDraw(3, "1X03 ");
  const std::string_view jet = R"(SELECT SQQH FROM [Lishi] WHERE [txtHisP6] = "txtHisP6")";
  EXPECT_EQ(ColumnJet(jet), Rows{"1"});
  // Run untranslated, SQLite takes "txtHisP6" for the column and every row compares equal.
  EXPECT_EQ(Column(std::string(jet)), (Rows{"1", "2", "3"}));
}

TEST_F(JetSqliteTest, DoubleQuotedTextKeepsQuotesAndApostrophes) {
  ASSERT_EQ(ExecJet(R"(INSERT INTO [Lishi] ([SQQH], [txtHisP6]) VALUES (1, "it's ""ok"" [x]"))"),
            SQLITE_OK)
      << last_error_;
  EXPECT_EQ(Column("SELECT txtHisP6 FROM Lishi"), Rows{R"(it's "ok" [x])"});
}

TEST_F(JetSqliteTest, TrueAndFalseUpdateAndSelect) {
  for (std::int64_t issue : {2003001, 2003005, 2003010, 2003011, 2004001}) AddDraw(issue, "x");
  ASSERT_EQ(ExecJet("UPDATE [Lishi] SET [bolOk]= TRUE"), SQLITE_OK) << last_error_;
  EXPECT_EQ(Column("SELECT bolOk FROM Lishi ORDER BY SQQH"), (Rows{"1", "1", "1", "1", "1"}));
  ASSERT_EQ(ExecJet("UPDATE [Lishi] SET [bolOk]= FALSE"), SQLITE_OK) << last_error_;
  EXPECT_EQ(Column("SELECT bolOk FROM Lishi ORDER BY SQQH"), (Rows{"0", "0", "0", "0", "0"}));
  ASSERT_EQ(ExecJet("UPDATE [Lishi] SET [bolOk]= true WHERE [SQQH] IN (2003005, 2003011, 2004001)"),
            SQLITE_OK)
      << last_error_;
  EXPECT_EQ(ColumnJet("SELECT * FROM [lishi] WHERE [SQQH] >= 2003001 AND  [SQQH] <= 2003010 AND "
                      "[bolOk]= TRUE"),
            Rows{"2003005"});
  EXPECT_EQ(ColumnJet("SELECT [SQQH] FROM [Lishi] WHERE [bolOk] = False ORDER BY [SQQH]"),
            (Rows{"2003001", "2003010"}));
}

TEST_F(JetSqliteTest, OrderByReturnsIssuesInOrder) {
  for (std::int64_t issue : {2003010, 2003001, 2004001, 2003005}) AddDraw(issue, "x");
  EXPECT_EQ(ColumnJet("SELECT * FROM lishi ORDER BY SQQH"),
            (Rows{"2003001", "2003005", "2003010", "2004001"}));
}

// SQLite accepts only deterministic functions in index expressions.
}  // namespace
}  // namespace brivo::jet
