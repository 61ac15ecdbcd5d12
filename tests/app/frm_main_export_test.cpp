// Exports from the window: the history text file and the grids' workbooks, with the mouse
// bindings of the grids.

#include <QCheckBox>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>

#include "acquire/history_export.h"
#include "app/frm_main_fixture.h"
#include "platform/base/native_file.h"
#include "testing/xls_reader.h"

namespace brivo {
namespace {

using testing::TestDraw;

class FrmMainExportTest : public FrmMainTest {
 protected:
  const std::vector<TestDraw> kThree = {{2016001, {3, 11, 17, 24, 28, 32, 9}},
                                        {2016002, {1, 2, 3, 4, 5, 6, 16}},
                                        {2016003, {33, 32, 31, 30, 29, 28, 1}}};
  std::string TextExportPath() { return dir_.File(acquire::HistoryTextFileName(2016003)); }
  FlexGrid* Grid(int i) {
    return Find<FlexGrid>(QString("MSFlexGrid%1").arg(i).toUtf8().constData());
  }
};

TEST_F(FrmMainExportTest, TextExportOfAThreeDrawHistory) {
  History(kThree);
  Open();
  testing::WriteFileBytes(TextExportPath(), "an older export");
  window_->Command4_Click();
  EXPECT_EQ(testing::ReadFileBytes(TextExportPath()),
            "2016001 03 11 17 24 28 32 09 \r\n"
            "2016002 01 02 03 04 05 06 16 \r\n"
            "2016003 33 32 31 30 29 28 01 \r\n");
  ASSERT_EQ(launcher_.files.size(), 1u);
  EXPECT_EQ(launcher_.files[0], TextExportPath());
  EXPECT_EQ(Utf8Path(NativePath(TextExportPath()).filename()), "更新至2016003期历史号码.txt");
}

TEST_F(FrmMainExportTest, ImportingTheExportedFileRebuildsTheSameRows) {
  History(kThree);
  Open();
  window_->Command4_Click();
  const SheetCells before = Grid(1)->Cells();
  window_.reset();  // Windows removes no file a program holds open
  std::filesystem::remove(HistoryPath());
  Open();
  prompts_.answers = {std::string("ok"), TextExportPath()};
  window_->cmdRdLst_Click();
  EXPECT_EQ(Grid(1)->Cells(), before);
}

TEST_F(FrmMainExportTest, EmptyHistoryWritesNothing) {
  History({});
  Open();
  window_->Command4_Click();
  EXPECT_TRUE(launcher_.files.empty());
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    EXPECT_NE(entry.path().extension(), ".txt") << entry.path();
  }
}

TEST_F(FrmMainExportTest, MenuExportWritesTheHistoryWorkbook) {
  History(testing::RealHistory(120));
  Open();
  window_->mnuDcls_Click();
  const std::string path = dir_.File("lishi.xls");
  ASSERT_EQ(launcher_.files, std::vector<std::string>{path});
  const auto cells = testing::ReadXlsCells(path);
  EXPECT_EQ(cells.at({0, 0}), "期号");
  EXPECT_EQ(cells.at({0, 7}), "蓝球");
  EXPECT_EQ(cells.at({1, 0}), "2003001");
  EXPECT_EQ(cells.at({120, 0}), Grid(1)->Text(120, 0).toStdString());
  EXPECT_EQ(cells.size(), 121u * 8u);
  EXPECT_TRUE(Grid(1)->isVisible());
  EXPECT_EQ(Grid(1)->currentRow(), Grid(1)->rowCount() - 1);
  EXPECT_EQ(Grid(1)->currentColumn(), 7);
  // A second export replaces the first.
  Grid(1)->SetText(1, 0, "changed");
  window_->mnuDcls_Click();
  EXPECT_EQ(testing::ReadXlsCells(path).at({1, 0}), "changed");
}

TEST_F(FrmMainExportTest, DoubleClickExportsEachGridToItsFile) {
  History(testing::RealHistory(10));
  Open();
  Grid(2)->SetCols(2);
  Grid(2)->SetRows(2);
  Grid(2)->SetText(0, 0, "期号");
  Grid(2)->SetText(1, 1, "鼠");
  const std::pair<int, const char*> grids[] = {
      {1, "lishi.xls"}, {2, "Jiansuo.xls"}, {3, "Jieguo.xls"}};
  for (const auto& [index, file] : grids) {
    QTest::mouseDClick(Grid(index)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(std::filesystem::exists(dir_.File(file))) << file;
    EXPECT_EQ(launcher_.files.back(), dir_.File(file));
  }
  const auto matched = testing::ReadXlsCells(dir_.File("Jiansuo.xls"));
  EXPECT_EQ(matched.at({0, 0}), "期号");
  EXPECT_EQ(matched.at({1, 1}), "鼠");
  // Also the heading row takes the double click.
  launcher_.files.clear();
  QTest::mouseDClick(Grid(1)->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(launcher_.files.size(), 1u);
}

// Every grid, also those of the analysis pages, reads back as the window shows it, its
// numerals (issues, balls, counts, decimals) as number cells a spreadsheet can sort and sum.
TEST_F(FrmMainExportTest, EveryGridReadsBackAsShownWithItsNumeralsAsNumbers) {
  History(testing::RealHistory(80));
  Open();
  Find<QCheckBox>("Check1(1)")->setChecked(true);
  window_->Command1_Click();
  Find<QPushButton>("Command5")->click();
  Find<QPushButton>("Command6")->click();
  const std::pair<int, const char*> grids[] = {
      {1, "lishi.xls"}, {2, "Jiansuo.xls"}, {3, "Jieguo.xls"}, {4, "Yilou.xls"}, {5, "Huice.xls"}};
  for (const auto& [index, file] : grids) {
    SCOPED_TRACE(file);
    window_->ExportGrid(Grid(index), false, file);
    const auto cells = testing::ReadXlsCells(dir_.File(file));
    const auto numbers = testing::ReadXlsNumbers(dir_.File(file));
    const SheetCells shown = Grid(index)->Cells();
    std::size_t filled = 0;
    for (std::size_t r = 0; r < shown.size(); ++r) {
      for (std::size_t c = 0; c < shown[r].size(); ++c) {
        if (shown[r][c].empty()) continue;
        ++filled;
        const std::pair<int, int> at(static_cast<int>(r), static_cast<int>(c));
        EXPECT_EQ(cells.count(at) ? cells.at(at) : "(none)", shown[r][c]) << r << "," << c;
        if (numbers.count(at)) {
          EXPECT_EQ(numbers.at(at), std::stod(shown[r][c])) << r << "," << c;
        }
      }
    }
    EXPECT_EQ(cells.size(), filled);
    EXPECT_GT(filled, shown.size());
    // The first column below the headings is an issue or a number in each of these grids.
    EXPECT_TRUE(numbers.count({1, 0})) << shown[1][0];
  }
}

TEST_F(FrmMainExportTest, ExportingAGridKeepsTheRowsInView) {
  History(testing::RealHistory(200));
  Open();
  FlexGrid* grid = Grid(1);
  grid->verticalScrollBar()->setValue(40);
  grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
  const int across = grid->horizontalScrollBar()->value();
  for (bool from_menu : {false, true}) {
    window_->ExportGrid(grid, from_menu);
    QApplication::processEvents();
    EXPECT_EQ(grid->verticalScrollBar()->value(), 40) << from_menu;
    EXPECT_EQ(grid->horizontalScrollBar()->value(), across) << from_menu;
    EXPECT_EQ(grid->currentRow(), grid->rowCount() - 1) << from_menu;
  }
}

TEST_F(FrmMainExportTest, RightButtonOpensTheHistoryMenuOnTheHistoryGridOnly) {
  History(testing::RealHistory(10));
  Open();
  auto* menu = Find<QMenu>("mnuLsgl");
  QTest::mouseRelease(Grid(2)->viewport(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_FALSE(menu->isVisible());
  QTest::mouseRelease(Grid(1)->horizontalHeader()->viewport(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_TRUE(menu->isVisible());
  menu->close();
  QTest::mouseRelease(Grid(1)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(menu->isVisible());
}

TEST_F(FrmMainExportTest, UnwritableFolderFailsWithAHint) {
  History(testing::RealHistory(10));
  Open();
  std::filesystem::create_directories(dir_.File("lishi.xls") + "/blocked");
  window_->mnuDcls_Click();
  EXPECT_TRUE(launcher_.files.empty());
  EXPECT_TRUE(std::filesystem::is_directory(dir_.File("lishi.xls")));
}

}  // namespace
}  // namespace brivo
