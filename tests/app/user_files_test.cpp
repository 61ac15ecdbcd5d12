// The window's files where a Windows user keeps them: under a folder with a Chinese name, written
// by Chinese Windows programs, and held open by another program when the window replaces them.

#include <fstream>

#include "app/frm_main_fixture.h"

namespace brivo {
namespace {

using testing::ReadFileBytes;
using testing::WriteFileBytes;

class UserFilesTest : public FrmMainTest {
 protected:
  // A file of the program folder, UTF-8.
  std::string ProgramFile(const std::string& name) {
    return store::ProgramFile(program_folder_, name);
  }
  static void MakeFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(NativePath(folder), ec);
    ASSERT_FALSE(ec) << folder;
  }
  static bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(NativePath(path), ec);
  }
  const std::vector<testing::TestDraw> kTwo = {{2016001, {3, 11, 17, 24, 28, 32, 9}},
                                               {2016002, {1, 2, 3, 4, 5, 6, 16}}};
  const std::string kTwoText =
      "2016001 03 11 17 24 28 32 09 \r\n"
      "2016002 01 02 03 04 05 06 16 \r\n";
};

// As under C:\Users\张三: the history, the import, both exports and the compaction.
TEST_F(UserFilesTest, EveryFileUnderAChineseUserFolder) {
  program_folder_ = dir_.File("Users/张三/AppData/双色球Brivo");
  MakeFolder(program_folder_);
  const std::string import = dir_.File("Users/张三/文档/历史号码.txt");
  MakeFolder(Utf8Path(NativePath(import).parent_path()));
  // As Notepad on a Chinese Windows saves it: code page 936 and CRLF; 双色球 in the first line.
  WriteFileBytes(import,
                 "2016001 03 11 17 24 28 32 09 \xCB\xAB\xC9\xAB\xC7\xF2\r\n"
                 "2016002 01 02 03 04 05 06 16\r\n");
  Open();
  EXPECT_TRUE(Exists(HistoryPath()));
  ImportFile(import);
  window_->Command4_Click();
  const std::string text = ProgramFile("更新至2016002期历史号码.txt");
  EXPECT_EQ(ReadFileBytes(text), kTwoText);
  window_->mnuDcls_Click();
  EXPECT_EQ(ReadFileBytes(ProgramFile("lishi.xls")).substr(0, 4), "\xD0\xCF\x11\xE0");
  EXPECT_TRUE(window_->CompactDb().ok());
  EXPECT_EQ(launcher_.files, (std::vector<std::string>{text, ProgramFile("lishi.xls")}));
  EXPECT_EQ(prompts_.TakeWarnings(), std::vector<std::string>{});
  // What was compacted opens again with both draws.
  Open();
  std::filesystem::remove(NativePath(text));
  window_->Command4_Click();
  EXPECT_EQ(ReadFileBytes(text), kTwoText);
}

// Another program holds the file open, as Excel holds the workbook it shows, or a database tool
// the history. Linux replaces the file under it; Windows refuses, and then the old file stays
// whole and the window says so in one message.
TEST_F(UserFilesTest, AFileHeldOpenIsReplacedWholeOrLeftAsItWas) {
  History(kTwo);
  Open();
  const std::string workbook = ProgramFile("lishi.xls");
  WriteFileBytes(workbook, "the workbook Excel shows");
  {
    std::ifstream held(NativePath(workbook), std::ios::binary);
    ASSERT_TRUE(held.is_open());
    window_->mnuDcls_Click();
  }
#ifdef _WIN32
  EXPECT_EQ(prompts_.TakeWarnings(),
            std::vector<std::string>{"导出 lishi.xls 失败。\n"
                                     "文件正被其他程序打开（例如 Excel），请关闭该程序后再试。"});
  EXPECT_EQ(ReadFileBytes(workbook), "the workbook Excel shows");
#else
  EXPECT_EQ(prompts_.TakeWarnings(), std::vector<std::string>{});
  EXPECT_EQ(ReadFileBytes(workbook).substr(0, 4), "\xD0\xCF\x11\xE0");
#endif

  {
    std::ifstream held(NativePath(HistoryPath()), std::ios::binary);
    ASSERT_TRUE(held.is_open());
    const Status compacted = window_->CompactDb();
#ifdef _WIN32
    EXPECT_EQ(compacted.code(), Status::Code::kInUse) << compacted.ToString();
    EXPECT_EQ(prompts_.TakeWarnings(),
              std::vector<std::string>{"数据库压缩失败，历史号码完好，没有丢失。\n"
                                       "文件正被其他程序打开（例如 Excel），请关闭该程序后再试。"});
#else
    EXPECT_TRUE(compacted.ok()) << compacted.ToString();
    EXPECT_EQ(prompts_.TakeWarnings(), std::vector<std::string>{});
#endif
  }
  // Nothing lost, and no half-made history left beside it.
  EXPECT_FALSE(Exists(HistoryPath() + ".new"));
  EXPECT_EQ(window_->history_draws().size(), 2u);
  window_->Command4_Click();
  EXPECT_EQ(ReadFileBytes(ProgramFile("更新至2016002期历史号码.txt")), kTwoText);
}

}  // namespace
}  // namespace brivo
