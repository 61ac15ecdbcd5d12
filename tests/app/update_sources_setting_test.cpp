// The update sources as a user writes them into the settings file by hand: the list is read as
// written, the file is never written back unasked, and a failed update names the sources used.

#include <gmock/gmock.h>

#include "app/frm_main_fixture.h"

namespace brivo {
namespace {

struct SettingCase {
  const char* name;
  const char* line;    // the line of section IniSetting
  const char* in_use;  // the sources the update's message names
};

class UpdateSourcesSettingTest : public FrmMainTest,
                                 public ::testing::WithParamInterface<SettingCase> {};

// Loopback ports 1 and 2 refuse every connection: each source fails at once.
TEST_P(UpdateSourcesSettingTest, TheListIsReadAsWrittenAndNeverWrittenBack) {
  const std::string path = dir_.File("settings.ini");
  const std::string written = std::string("[IniSetting]\n") + GetParam().line + "\nIniSerchDay=6\n";
  settings_.reset();
  testing::WriteFileBytes(path, written);
  settings_ = MakeSettingsStore(path);
  History({{2016010, {1, 2, 3, 4, 5, 6, 7}}});
  clock_.set_year(2016);
  Open();
  prompts_.answers = {std::string("ok")};
  window_->Command21_Click();
  const std::vector<std::string> warnings = prompts_.TakeWarnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_THAT(warnings[0],
              ::testing::HasSubstr(std::string("\n使用的更新来源：") + GetParam().in_use + "\n"));
  EXPECT_THAT(warnings[0], ::testing::HasSubstr("\npage（http://127.0.0.1:1）："));
  window_.reset();
  EXPECT_EQ(testing::ReadFileBytes(path), written);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UpdateSourcesSettingTest,
    ::testing::Values(
        SettingCase{"CommasAsReadmeShows",
                    "txtUpdateSources=page=http://127.0.0.1:1,17500=http://127.0.0.1:2",
                    "page=http://127.0.0.1:1,17500=http://127.0.0.1:2"},
        SettingCase{"QuotedSemicolons",
                    "txtUpdateSources=\"page=http://127.0.0.1:1;17500=http://127.0.0.1:2\"",
                    "page=http://127.0.0.1:1,17500=http://127.0.0.1:2"},
        // The file format reads the rest of the line as a comment: the message shows it.
        SettingCase{"UnquotedSemicolonStartsAComment",
                    "txtUpdateSources=page=http://127.0.0.1:1;17500=http://127.0.0.1:2",
                    "page=http://127.0.0.1:1"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brivo
