// Hand-edited settings and hostile import files: the window starts, reads what it can, never
// stores a value it cannot read back, and never hangs.

#include <gmock/gmock.h>

#include <QPushButton>
#include <functional>
#include <map>

#include "app/frm_main_fixture.h"

namespace brivo {
namespace {

using testing::RealHistory;

// The settings the window works from, as one text, to compare windows by.
std::string Mirrors(const WindowState& s) {
  std::string text;
  for (const int value :
       {int{s.bolZyw}, int{s.bolSq}, s.intLei, s.intXianshiLei, s.intConsqSort, s.intPreQi,
        s.intZhWSetup, int{s.bolZhpm}, s.SxIni, s.DsIni, int{s.SxSetup}, s.IniSerchDay}) {
    text += std::to_string(value) + ",";
  }
  return text;
}

bool IsBoolText(const std::string& text) { return text == "True" || text == "False"; }
std::function<bool(const std::string&)> IntIn(int low, int high) {
  return [low, high](const std::string& text) {
    if (text.empty() || text.size() > 2) return false;
    for (const char c : text) {
      if (c < '0' || c > '9') return false;
    }
    const int value = std::stoi(text);
    return value >= low && value <= high && std::to_string(value) == text;
  };
}

// What each key may hold once the program has written it.
const std::map<std::string, std::function<bool(const std::string&)>>& StoredForms() {
  static const std::map<std::string, std::function<bool(const std::string&)>> forms = {
      {"bolZyw", IsBoolText},
      {"bolSq", IsBoolText},
      {"intPreQi", IntIn(kMinPreQi, kMaxPreQi)},
      {"intLei", IntIn(0, 5)},
      {"intXianshiLei", IntIn(0, 5)},
      {"intConsqSort", IntIn(0, 2)},
      {"intIdfTm", IntIn(0, 1)},
      {"bolZhpm", IsBoolText},
      {"intZhWSetup", IntIn(kMinZhWSetup, kMaxZhWSetup)},
      {"SxIni", IntIn(0, 1)},
      {"DsIni", IntIn(0, 1)},
      {"SxSetup", IsBoolText},
      {"IniSerchDay", IntIn(kMinSerchDay, kMaxSerchDay)},
  };
  return forms;
}

const std::vector<std::string>& BadTexts() {
  static const std::vector<std::string> texts = {
      "",
      "abc",
      "99999999999999999999",
      "-7",
      "-99999999999999999999",
      "1e3",
      " 2 x",
      "0x10",
      "１",
      std::string("\x01\xff\0", 3),
      "True1",
      "2.5",
      std::string(100000, '9'),
  };
  return texts;
}

class BadSettingsTest : public FrmMainTest, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override { History(RealHistory(60)); }
};

TEST_P(BadSettingsTest, ReadsAsTheDefaultAndIsNeverWrittenBackBroken) {
  const std::string key = GetParam();
  const std::string defaults = Mirrors(Open().state());
  int round = 0;
  for (const std::string& bad : BadTexts()) {
    SCOPED_TRACE("\"" + bad.substr(0, 20) + "\"");
    window_.reset();
    settings_ = MakeSettingsStore(dir_.File("settings" + std::to_string(++round) + ".ini"));
    settings_->Set(key, bad);
    const std::optional<std::string> given = settings_->Get(key);  // as the store keeps it
    FrmMain& w = Open();
    EXPECT_TRUE(prompts_.shown.empty());
    EXPECT_EQ(Mirrors(w.state()), defaults);
    Find<QPushButton>("Command1")->click();
    Find<QPushButton>("Command2")->click();
    Click("Option3(2)");
    for (const auto& [name, form] : StoredForms()) {
      const std::optional<std::string> stored = settings_->Get(name);
      if (!stored || (name == key && stored == given)) continue;  // never written
      EXPECT_TRUE(form(*stored)) << name << " = " << *stored;
    }
    prompts_.shown.clear();
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKey, BadSettingsTest,
                         ::testing::Values("bolZyw", "bolSq", "intPreQi", "intLei", "intXianshiLei",
                                           "intConsqSort", "intIdfTm", "bolZhpm", "intZhWSetup",
                                           "SxIni", "DsIni", "SxSetup", "IniSerchDay"));

TEST_F(FrmMainTest, BadUpdateSiteGivesOneMessageAndKeepsTheHistory) {
  History(RealHistory(60));
  for (const std::string& bad :
       std::vector<std::string>{"abc", "99999999999999999999", "-7", "ftp://127.0.0.1/", "http://",
                                "http:// x y", std::string(100000, 'h')}) {
    SCOPED_TRACE(bad.substr(0, 20));
    window_.reset();
    settings_->Set("txtUpdateSite", bad);
    settings_->Set("txtUpdateSources", bad + ";cwl=" + bad + ";17500=" + bad);
    prompts_.shown.clear();
    Open();
    prompts_.answers = {std::string("ok")};  // the kept-years question (2003) is declined
    Find<QPushButton>("Command21")->click();
    ASSERT_EQ(prompts_.shown.size(), 3u);
    EXPECT_EQ(prompts_.shown[2].kind, "warn");
    EXPECT_NE(prompts_.shown[2].text.find("历史号码没有改动"), std::string::npos);
    EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), 61);
    EXPECT_TRUE(Find<QPushButton>("Command21")->isEnabled());
  }
}

// Import files no editor meant to write.
class HostileImportTest : public FrmMainTest {
 protected:
  void SetUp() override { History(RealHistory(60)); }
  // Imports the bytes as a file; the warnings shown.
  std::vector<std::string> Import(const std::string& bytes) {
    const std::string file = files_.File("draws.txt");
    testing::WriteFileBytes(file, bytes);
    prompts_.shown.clear();
    ImportFile(file);
    return prompts_.TakeWarnings();
  }
  int HistoryRows() { return Find<FlexGrid>("MSFlexGrid1")->Rows() - 1; }
  std::string Cell(int row, int col) {
    return Find<FlexGrid>("MSFlexGrid1")->Text(row, col).toStdString();
  }

  testing::TempDir files_;
};

std::string Utf16Le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

TEST_F(HostileImportTest, FilesWithoutADrawChangeNothing) {
  Open();
  std::string junk;
  for (int i = 0; i < 200000; ++i) junk.push_back(static_cast<char>((i * 7919) % 251));
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"binary junk", junk},
      {"only line ends", std::string(100000, '\r')},
      {"numbers out of range", "2007001 34 35 36 37 38 39 17\r\n"},
      {"six numbers", "2007001 01 02 03 04 05 06\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THAT(Import(c.bytes),
                ::testing::ElementsAre(::testing::HasSubstr("文件中没有一行完整的开奖号码")));
    EXPECT_EQ(HistoryRows(), 60);
  }
}

TEST_F(HostileImportTest, DrawsAreFoundInEveryEncodingAndLineEnd) {
  Open();
  const std::string lines[] = {"2007001 05 12 17 23 28 31 09", "2007002 01 02 03 04 05 06 07"};
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"utf-8 bom, crlf", "\xEF\xBB\xBF" + lines[0] + "\r\n" + lines[1] + "\r\n"},
      {"cr only", lines[0] + "\r" + lines[1] + "\r"},
      {"utf-16 le", Utf16Le(lines[0] + "\r\n" + lines[1] + "\r\n")},
      {"junk between",
       lines[0] + "\r\n" + std::string("\0\xff\xfe garbage\x80", 12) + "\r\n" + lines[1]},
      {"a long line before", std::string(1 << 20, 'x') + "\n" + lines[0] + "\n" + lines[1]},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THAT(Import(c.bytes), ::testing::IsEmpty());
    ASSERT_EQ(HistoryRows(), 2);
    EXPECT_EQ(Cell(1, 0), "2007001");
    EXPECT_EQ(Cell(2, 7), "7");
  }
}

// The line rules take the first seven numbers of a line and ignore the rest, however long.
TEST_F(HostileImportTest, AVeryLongLineIsOneDraw) {
  Open();
  std::string numbers;
  while (numbers.size() < (10u << 20)) numbers += "12 ";
  const std::pair<std::string, const char*> cases[] = {{std::string(10 << 20, '1'), "11"},
                                                       {numbers, "12"}};
  for (const auto& [line, number] : cases) {
    EXPECT_THAT(Import(line), ::testing::IsEmpty());
    ASSERT_EQ(HistoryRows(), 1);
    EXPECT_EQ(Cell(1, 1), number);
  }
}

TEST_F(HostileImportTest, HundredThousandLinesAreReadWhole) {
  Open();
  // Every 50th line a draw, the rest blank or noise: 2,000 draws in 100,000 lines.
  std::string bytes;
  int draws = 0;
  for (int i = 0; i < 100000; ++i) {
    if (i % 50 == 0) {
      bytes += std::to_string(2003001 + draws) + " 01 02 03 04 05 " +
               store::TwoDigits(6 + draws % 28) + " " + store::TwoDigits(1 + draws % 16);
      ++draws;
    } else {
      bytes += i % 3 == 0 ? "" : "-- note --";
    }
    bytes += "\r\n";
  }
  EXPECT_THAT(Import(bytes), ::testing::IsEmpty());
  ASSERT_EQ(HistoryRows(), draws);
  EXPECT_EQ(Cell(draws, 0), std::to_string(2003000 + draws));
}

}  // namespace
}  // namespace brivo
