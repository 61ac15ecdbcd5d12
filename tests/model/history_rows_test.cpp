// The history grid's rows read from a real history file.

#include "model/history_rows.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class HistoryRowsTest : public ::testing::Test {
 protected:
  void Build(const std::vector<testing::TestDraw>& draws) {
    const std::string path = dir_.File(store::kHistoryFileName);
    ASSERT_TRUE(testing::BuildHistory(path, draws).ok());
    ASSERT_TRUE(store::OpenHistoryDatabase(path, &db_).ok());
  }
  static std::vector<testing::TestDraw> DrawnOrder(std::size_t count) {
    return testing::ReadDrawFile(testing::TestDataFile("ssq_history_drawn_order.txt"), count);
  }

  testing::TempDir dir_;
  std::unique_ptr<Database> db_;
};

TEST_F(HistoryRowsTest, GridRowsInIssueOrderAsDrawn) {
  const std::vector<testing::TestDraw> draws = DrawnOrder(3);
  Build({draws[2], draws[0], draws[1]});
  std::unique_ptr<Recordset> snapshot;
  ASSERT_TRUE(db_->OpenSnapshot(store::kHistoryQuery, &snapshot).ok());
  std::vector<HistoryGridRow> rows = ReadHistoryGridRows(*snapshot);
  EXPECT_THAT(rows, ElementsAre(HistoryGridRow{"2003001", "26", "28", "11", "13", "10", "12", "11"},
                                HistoryGridRow{"2003002", "9", "4", "26", "21", "19", "20", "12"},
                                HistoryGridRow{"2003003", "23", "7", "28", "10", "1", "32", "16"}));
  EXPECT_TRUE(snapshot->IsEof());
}

TEST_F(HistoryRowsTest, GridCellsThatCannotBeReadAreEmpty) {
  Build(DrawnOrder(1));
  std::unique_ptr<Recordset> snapshot;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT SQQH, L7A FROM lishi", &snapshot).ok());
  EXPECT_THAT(ReadHistoryGridRows(*snapshot),
              ElementsAre(HistoryGridRow{"2003001", "", "", "", "", "", "", "11"}));
}

TEST_F(HistoryRowsTest, EmptyHistoryHasNoGridRows) {
  Build({});
  std::unique_ptr<Recordset> snapshot;
  ASSERT_TRUE(db_->OpenSnapshot(store::kHistoryQuery, &snapshot).ok());
  EXPECT_THAT(ReadHistoryGridRows(*snapshot), IsEmpty());
  EXPECT_THAT(HistoryGridHeadings(),
              ElementsAre("期号", "红1球", "红2球", "红3球", "红4球", "红5球", "红6球", "蓝球"));
}

}  // namespace
}  // namespace brivo
