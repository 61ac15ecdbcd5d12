// A new user's first start: the empty history, the hint how to fill it, and the import's file
// dialog opening where the shipped history lies.

#include <QStatusBar>

#include "app/frm_main_fixture.h"
#include "platform/base/install_paths.h"
#include "platform/base/native_file.h"

namespace brivo {
namespace {

class FirstStartTest : public FrmMainTest {
 protected:
  // Clicks the import, answers its question with OK and cancels the file dialog; returns the
  // folder the dialog opened in.
  std::string ImportDialogFolder() {
    prompts_.shown.clear();
    prompts_.answers = {std::string("ok"), std::nullopt};
    window_->cmdRdLst_Click();
    EXPECT_EQ(prompts_.shown.size(), 2u);
    return prompts_.shown.size() == 2 ? prompts_.shown[1].text : std::string();
  }
  QString Hint() { return window_->statusBar()->currentMessage(); }
};

TEST_F(FirstStartTest, EmptyHistoryShowsHowToFillItAndReadsNothingUnasked) {
  Open();  // no history file yet
  EXPECT_EQ(Hint(),
            "历史号码是空的：点击“读取历史号文本”读入随程序附带的ssq_history_sorted.txt，"
            "或点击“历史号在线更新”");
  EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), 1);
  EXPECT_TRUE(prompts_.shown.empty());

  const std::string folder = ImportDialogFolder();
  EXPECT_EQ(folder, ShippedHistoryFolder());
  EXPECT_TRUE(
      std::filesystem::is_regular_file(std::filesystem::path(folder) / kShippedHistoryFile));
  EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), 1);  // cancelled: still empty
}

TEST_F(FirstStartTest, HistoryWithDrawsGetsNoHint) {
  History(testing::RealHistory(3));
  Open();
  EXPECT_EQ(Hint(), "");
}

TEST_F(FirstStartTest, ImportOpensWhereTheUsersTextFilesAre) {
  Open();
  testing::WriteFileBytes(dir_.File("更新至2026096期历史号码.TXT"), "");
  EXPECT_EQ(ImportDialogFolder(), Utf8Path(dir_.path()));
  const std::filesystem::path named = dir_.path() / NativePath("历史号码");
  std::filesystem::create_directory(named);
  EXPECT_EQ(ImportDialogFolder(),
            Utf8Path(dir_.path()));  // an empty 历史号码 folder is passed over
  testing::WriteFileBytes(Utf8Path(named / "draws.txt"), "");
  EXPECT_EQ(ImportDialogFolder(), Utf8Path(named));
}

}  // namespace
}  // namespace brivo
