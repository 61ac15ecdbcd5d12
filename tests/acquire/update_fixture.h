#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "acquire/online_update.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo::acquire {

// A history file built from test draws, open with its table recordset, and the update run on it.
class UpdateFixture : public ::testing::Test {
 protected:
  void Build(const std::vector<testing::TestDraw>& draws) {
    path_ = dir_.File(store::kHistoryFileName);
    ASSERT_TRUE(testing::BuildHistory(path_, draws).ok());
    ASSERT_TRUE(store::OpenHistoryDatabase(path_, &db_).ok());
    ASSERT_TRUE(db_->OpenTable(store::kHistoryTable, &table_).ok());
    zodiac_.ComputeCodes(1, false);
  }
  Status RunUpdate(const std::vector<DrawSource*>& sources, const OnlineUpdateRequest& request) {
    return RunOnlineUpdate(*db_, *table_, {&zodiac_, &memory_, 1}, sources, request, &result_);
  }

  testing::TempDir dir_;
  std::string path_;
  std::unique_ptr<Database> db_;
  std::unique_ptr<Recordset> table_;
  store::ZodiacTables zodiac_;
  store::PrecedingMemory memory_;
  OnlineUpdateResult result_;
};

}  // namespace brivo::acquire
