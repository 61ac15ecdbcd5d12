// The window under faults of the machine: a full disk, a read-only folder, a damaged or locked
// history file, a compaction copy that cannot be written. Each gives one clear message, keeps
// the history and leaves every later command harmless.

#include <gmock/gmock.h>

#include <QProcess>
#include <QPushButton>

#include "app/frm_main_fixture.h"
#include "testing/fault_vfs.h"
#include "testing/small_disk.h"

namespace brivo {
namespace {

using testing::RealHistory;
using testing::SmallDisk;

constexpr std::size_t kDraws = 1500;

class FaultTest : public FrmMainTest {
 protected:
  void SetUp() override { History(RealHistory(kDraws)); }
  void TearDown() override { window_.reset(); }

  std::vector<std::int64_t> Issues() {
    std::unique_ptr<Database> db;
    EXPECT_TRUE(store::OpenHistoryDatabase(HistoryPath(), &db).ok());
    return db ? testing::HistoryIntColumn(*db, "SQQH") : std::vector<std::int64_t>{};
  }
  static std::vector<std::int64_t> IssuesOf(const std::vector<testing::TestDraw>& draws) {
    std::vector<std::int64_t> issues;
    for (const auto& d : draws) issues.push_back(d.issue);
    return issues;
  }
  void Press(const char* button) { Find<QPushButton>(button)->click(); }
  // The draws of the real history in the order the balls were drawn, as a text file outside the
  // program folder.
  std::string NewHistoryFile() { return testing::TestDataFile("ssq_history_drawn_order.txt"); }
  std::size_t NewHistoryDraws() { return testing::ReadDrawFile(NewHistoryFile()).size(); }
};

// One warning that says `reason`.
MATCHER_P(OneWarningSaying, reason, "") {
  return arg.size() == 1 && arg[0].find(reason) != std::string::npos;
}

// The program folder on a 3 MB disk of its own, the history on it.
class SmallDiskTest : public FaultTest {
 protected:
  void SetUp() override {
    disk_ = std::make_unique<SmallDisk>(dir_.path().string(), 3 << 20);
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no tmpfs to fill up or make read-only";
#endif
    if (!disk_->mounted()) GTEST_SKIP() << "no right to mount a small file system here";
    FaultTest::SetUp();
  }
  void TearDown() override {
    FaultTest::TearDown();
    disk_.reset();
  }
  std::unique_ptr<SmallDisk> disk_;
};

TEST_F(SmallDiskTest, FullDiskDuringAnImportKeepsTheHistory) {
  ASSERT_TRUE(disk_->FillLeaving(256 << 10));
  Open();
  ImportFile(NewHistoryFile());
  EXPECT_THAT(prompts_.TakeWarnings(),
              OneWarningSaying("读入失败，历史号码没有改动。\n磁盘空间不足。"));
  EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), static_cast<int>(kDraws) + 1);
  // Later commands on the full disk fail as harmlessly; with room again the import works.
  Press("Command1");
  prompts_.TakeWarnings();
  EXPECT_EQ(Issues(), IssuesOf(RealHistory(kDraws)));
  disk_->Free();
  ImportFile(NewHistoryFile());
  EXPECT_THAT(prompts_.TakeWarnings(), ::testing::IsEmpty());
  EXPECT_EQ(Issues().size(), NewHistoryDraws());
}

TEST_F(SmallDiskTest, FullDiskDuringACompactionKeepsTheHistory) {
  ASSERT_TRUE(disk_->FillLeaving(256 << 10));
  Open();
  Press("Command3");  // deletes the newest draw, then compacts
  EXPECT_THAT(prompts_.TakeWarnings(),
              OneWarningSaying("数据库压缩失败，历史号码完好，没有丢失。\n磁盘空间不足。"));
  EXPECT_EQ(Issues(), IssuesOf(RealHistory(kDraws - 1)));
  EXPECT_FALSE(std::filesystem::exists(dir_.File(store::kCompactFileName)));
  EXPECT_FALSE(std::filesystem::exists(HistoryPath() + ".new"));
  EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), static_cast<int>(kDraws));
  disk_->Free();
  Press("Command3");
  EXPECT_THAT(prompts_.TakeWarnings(), ::testing::IsEmpty());
  EXPECT_EQ(Issues(), IssuesOf(RealHistory(kDraws - 2)));
}

TEST_F(SmallDiskTest, FullDiskDuringAnExportLeavesNoPartFile) {
  Open();
  ASSERT_TRUE(disk_->FillLeaving(0));
  const auto before = std::distance(std::filesystem::directory_iterator(dir_.path()), {});
  Press("Command4");
  EXPECT_THAT(prompts_.TakeWarnings(), OneWarningSaying("磁盘空间不足。"));
  window_->mnuDcls_Click();
  EXPECT_THAT(prompts_.TakeWarnings(), OneWarningSaying("导出 lishi.xls 失败。\n磁盘空间不足。"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), before);
  EXPECT_TRUE(launcher_.files.empty());
  EXPECT_EQ(Issues(), IssuesOf(RealHistory(kDraws)));
}

TEST_F(SmallDiskTest, ReadOnlyFolderGivesOneMessageAndLeavesTheHistoryAsItWas) {
  const std::string bytes = testing::ReadFileBytes(HistoryPath());
  ASSERT_TRUE(disk_->SetReadOnly(true));
  Open();
  EXPECT_THAT(prompts_.TakeWarnings(), OneWarningSaying("不能写入（只读或没有权限）"));
  ImportFile(NewHistoryFile());
  EXPECT_THAT(prompts_.TakeWarnings(), OneWarningSaying("没有打开的历史数据库，无法读入。"));
  for (const char* button : {"Command1", "Command2", "Command3", "Command4", "Command21"}) {
    Press(button);
  }
  window_->mnuDcls_Click();
  window_->mnuClear_Click();
  prompts_.TakeWarnings();
  window_.reset();
  ASSERT_TRUE(disk_->SetReadOnly(false));
  EXPECT_EQ(testing::ReadFileBytes(HistoryPath()), bytes);
}

// A failed write at any point of an import: the first, one in the middle, the commit.
TEST_F(FaultTest, WriteFailureAtAnyPointOfAnImportKeepsTheHistory) {
  testing::ScopedFaultVfs faults;
  Open();
  testing::FaultVfs::ResetSteps();
  ImportFile(NewHistoryFile());
  ASSERT_THAT(prompts_.TakeWarnings(), ::testing::IsEmpty());
  const std::int64_t steps = testing::FaultVfs::Steps();
  ASSERT_GT(steps, 20);
  for (const std::int64_t fail_from : {std::int64_t{1}, steps / 3, steps / 2, steps - 2, steps}) {
    SCOPED_TRACE("writes fail from step " + std::to_string(fail_from) + " of " +
                 std::to_string(steps));
    window_.reset();
    std::filesystem::remove(HistoryPath());
    History(RealHistory(kDraws));
    Open();
    testing::FaultVfs::ResetSteps();
    testing::FaultVfs::FailWritesFromStep(fail_from);
    ImportFile(NewHistoryFile());
    const std::vector<std::string> warnings = prompts_.TakeWarnings();
    testing::FaultVfs::ResetSteps();
    if (warnings.empty()) {
      // The import was whole before the failing step (the rest was the log's write-back).
      EXPECT_EQ(Issues().size(), NewHistoryDraws());
      continue;
    }
    EXPECT_THAT(warnings, OneWarningSaying("磁盘空间不足。"));
    EXPECT_EQ(Issues(), IssuesOf(RealHistory(kDraws)));
    EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), static_cast<int>(kDraws) + 1);
    ImportFile(NewHistoryFile());
    EXPECT_THAT(prompts_.TakeWarnings(), ::testing::IsEmpty());
    EXPECT_EQ(Issues().size(), NewHistoryDraws());
  }
}

TEST_F(FaultTest, DamagedHistoryGivesOneMessageAndIsLeftAsItWas) {
  const std::string whole = testing::ReadFileBytes(HistoryPath());
  const std::string garbage(whole.size() / 4, '\x5a');
  struct Damage {
    const char* name;
    std::string bytes;
  };
  const std::vector<Damage> damages = {
      {"cut in half", whole.substr(0, whole.size() / 2)},
      {"garbage in the middle", whole.substr(0, whole.size() / 2) + garbage +
                                    whole.substr(whole.size() / 2 + garbage.size())},
      {"garbage after the header", whole.substr(0, 100) + std::string(whole.size() - 100, '\xff')},
      {"all garbage", std::string(whole.size(), '\x01')},
      {"empty", ""},  // an SQLite database to be, but no history
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    window_.reset();
    testing::WriteFileBytes(HistoryPath(), damage.bytes);
    Open();  // the offer to keep it under another name is declined
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].kind, "confirm");
    EXPECT_NE(prompts_.shown[0].text.find("无法打开历史数据库"), std::string::npos);
    ImportFile(NewHistoryFile());
    for (const char* button : {"Command1", "Command2", "Command3", "Command4"}) Press(button);
    window_->mnuClear_Click();
    EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), 1);
    prompts_.TakeWarnings();
    EXPECT_EQ(testing::ReadFileBytes(HistoryPath()), damage.bytes);
  }
}

TEST_F(FaultTest, DamagedHistoryIsKeptUnderAnotherNameWhenTheUserAgrees) {
  std::string damaged = testing::ReadFileBytes(HistoryPath());
  damaged.replace(damaged.size() / 2, 50000, 50000, '\x5a');
  testing::WriteFileBytes(HistoryPath(), damaged);
  testing::WriteFileBytes(dir_.File("QolvexSSQ-damaged.mdb"), "kept from before");
  prompts_.answers = {std::string("ok")};
  Open();
  ASSERT_EQ(prompts_.shown.size(), 1u);
  EXPECT_NE(prompts_.shown[0].text.find("历史数据库文件已损坏。"), std::string::npos);
  EXPECT_EQ(testing::ReadFileBytes(dir_.File("QolvexSSQ-damaged-2.mdb")), damaged);
  EXPECT_EQ(testing::ReadFileBytes(dir_.File("QolvexSSQ-damaged.mdb")), "kept from before");
  EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), 1);
  prompts_.shown.clear();
  ImportFile(NewHistoryFile());
  EXPECT_THAT(prompts_.TakeWarnings(), ::testing::IsEmpty());
  EXPECT_EQ(Issues().size(), NewHistoryDraws());
}

TEST_F(FaultTest, HistoryLockedByAnotherProgramGivesOneMessagePerCommand) {
  Open();
  QProcess holder;
  holder.start(BRIVO_CRASH_DRIVER, {QString::fromStdString(dir_.path().string()), "lock"});
  ASSERT_TRUE(holder.waitForStarted());
  ASSERT_TRUE(holder.waitForReadyRead(10000));
  ASSERT_TRUE(holder.readAllStandardOutput().contains("locked"));
  const char* kBusy = "历史数据库正被其他程序使用，请关闭该程序后再试。";
  ImportFile(NewHistoryFile());
  EXPECT_THAT(prompts_.TakeWarnings(),
              OneWarningSaying(std::string("读入失败，历史号码没有改动。\n") + kBusy));
  Press("Command3");
  EXPECT_THAT(prompts_.TakeWarnings(), OneWarningSaying(kBusy));
  Press("Command1");
  EXPECT_THAT(prompts_.TakeWarnings(), OneWarningSaying(kBusy));
  // The update could not store its draws: no page is to blame.
  prompts_.answers = {std::string("ok")};
  Press("Command21");
  EXPECT_THAT(prompts_.TakeWarnings(),
              OneWarningSaying(std::string("在线更新失败：无法保存新的开奖号码。\n") + kBusy));
  EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), static_cast<int>(kDraws) + 1);

  holder.closeWriteChannel();
  ASSERT_TRUE(holder.waitForFinished(10000));
  EXPECT_EQ(Issues(), IssuesOf(RealHistory(kDraws)));
  Press("Command3");
  EXPECT_THAT(prompts_.TakeWarnings(), ::testing::IsEmpty());
  EXPECT_EQ(Issues(), IssuesOf(RealHistory(kDraws - 1)));
}

TEST_F(FaultTest, UnwritableCompactionCopyGivesOneMessageAndKeepsTheHistory) {
  const std::string copy = dir_.File(store::kCompactFileName);
  std::filesystem::create_directories(copy + "/in the way");
  Open();
  Press("Command3");
  EXPECT_THAT(prompts_.TakeWarnings(),
              OneWarningSaying("数据库压缩失败，历史号码完好，没有丢失。"));
  EXPECT_EQ(Issues(), IssuesOf(RealHistory(kDraws - 1)));
  Press("Command1");
  EXPECT_THAT(prompts_.TakeWarnings(), ::testing::IsEmpty());
  std::filesystem::remove_all(copy);
  Press("Command3");
  EXPECT_THAT(prompts_.TakeWarnings(), ::testing::IsEmpty());
  EXPECT_EQ(Issues(), IssuesOf(RealHistory(kDraws - 2)));
}

}  // namespace
}  // namespace brivo
