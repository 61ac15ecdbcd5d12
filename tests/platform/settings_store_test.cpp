// The settings store on real INI files, the writable-folder probe, the program folder and the
// clocks.

#include "platform/base/settings_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <climits>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/program_folder.h"
#include "testing/small_disk.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

// Points the per-user configuration and data folders at a temporary folder before any test
// runs: QSettings reads them once per process, and no test may touch the real home folder.
class UserFoldersEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = std::make_unique<TempDir>();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir_->File("config")));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir_->File("data")));
  }
  void TearDown() override { dir_.reset(); }
  static std::string Folder() { return dir_->path().string(); }

 private:
  static inline std::unique_ptr<TempDir> dir_;
};

[[maybe_unused]] ::testing::Environment* const kUserFolders =
    ::testing::AddGlobalTestEnvironment(new UserFoldersEnvironment);

// QSettings ends the lines of an INI file as the system does.
#ifdef _WIN32
const std::string kEol = "\r\n";
#else
const std::string kEol = "\n";
#endif

class SettingsStoreTest : public ::testing::Test {
 protected:
  SettingsStoreTest() : path_(dir_.File("settings.ini")), store_(MakeSettingsStore(path_)) {}

  TempDir dir_;
  std::string path_;
  std::unique_ptr<SettingsStore> store_;
};

TEST_F(SettingsStoreTest, MissingKeyIsNullopt) { EXPECT_EQ(store_->Get("nothing"), std::nullopt); }

TEST_F(SettingsStoreTest, EmptyTextIsStoredAndDiffersFromMissing) {
  store_->Set("txtEmpty", "");
  EXPECT_EQ(store_->Get("txtEmpty"), std::optional<std::string>(""));
}

TEST_F(SettingsStoreTest, ValuesSurviveANewStoreOnTheSameFile) {
  store_->Set("txtName", "abc");
  store_->SetInt("intCount", 42);
  store_->SetBool("bolSq", true);
  store_.reset();

  std::unique_ptr<SettingsStore> again = MakeSettingsStore(path_);
  EXPECT_EQ(again->Get("txtName"), std::optional<std::string>("abc"));
  EXPECT_EQ(again->GetInt("intCount", 0, 0, 100), 42);
  EXPECT_TRUE(again->GetBool("bolSq", false));
}

TEST_F(SettingsStoreTest, SetWritesTheFileAtOnce) {
  store_->Set("txtName", "abc");
  // The store is still alive: the text must already be on disk.
  EXPECT_NE(ReadFileBytes(path_).find("txtName=abc"), std::string::npos);
}

TEST_F(SettingsStoreTest, BooleansAreStoredAsTrueAndFalseText) {
  store_->SetBool("bolSq", true);
  store_->SetBool("bolHq", false);
  EXPECT_EQ(store_->Get("bolSq"), std::optional<std::string>("True"));
  EXPECT_EQ(store_->Get("bolHq"), std::optional<std::string>("False"));
  const std::string bytes = ReadFileBytes(path_);
  EXPECT_NE(bytes.find("[IniSetting]" + kEol), std::string::npos) << bytes;
  EXPECT_NE(bytes.find(kEol + "bolSq=True" + kEol), std::string::npos) << bytes;
  EXPECT_NE(bytes.find(kEol + "bolHq=False" + kEol), std::string::npos) << bytes;
}

TEST_F(SettingsStoreTest, IntegersAreStoredAsDecimalText) {
  store_->SetInt("intPos", 2024);
  store_->SetInt("intNeg", -7);
  EXPECT_EQ(store_->Get("intPos"), std::optional<std::string>("2024"));
  const std::string bytes = ReadFileBytes(path_);
  EXPECT_NE(bytes.find(kEol + "intPos=2024" + kEol), std::string::npos) << bytes;
  EXPECT_NE(bytes.find(kEol + "intNeg=-7" + kEol), std::string::npos) << bytes;
}

TEST_F(SettingsStoreTest, ChineseTextRoundTripsAsUtf8) {
  const std::string text = "双色球 红球 01,02；蓝球";
  store_->Set("txtTitle", text);
  store_->Set("键名", "值");
  EXPECT_EQ(store_->Get("txtTitle"), std::optional<std::string>(text));
  EXPECT_EQ(store_->Get("键名"), std::optional<std::string>("值"));

  std::unique_ptr<SettingsStore> again = MakeSettingsStore(path_);
  EXPECT_EQ(again->Get("txtTitle"), std::optional<std::string>(text));
  EXPECT_EQ(again->Get("键名"), std::optional<std::string>("值"));
  EXPECT_NE(ReadFileBytes(path_).find("双色球 红球"), std::string::npos);
}

TEST_F(SettingsStoreTest, TextThatIniSyntaxWouldAlterRoundTrips) {
  for (const std::string text : {"a, b; c", "  7 ", "@x", "\"quoted\"", "x=y", "[not a group]",
                                 "back\\slash", "line\nbreak"}) {
    store_->Set("txtOdd", text);
    std::unique_ptr<SettingsStore> again = MakeSettingsStore(path_);
    EXPECT_EQ(again->Get("txtOdd"), std::optional<std::string>(text)) << text;
  }
}

TEST_F(SettingsStoreTest, KeysLiveInTheIniSettingGroupOnly) {
  WriteFileBytes(path_, "[General]\nbolSq=True\n[Other]\nbolSq=True\n");
  std::unique_ptr<SettingsStore> store = MakeSettingsStore(path_);
  EXPECT_EQ(store->Get("bolSq"), std::nullopt);
}

TEST_F(SettingsStoreTest, ReadsAHandWrittenFile) {
  WriteFileBytes(path_, "[IniSetting]\nbolSq=true\nintN = 15\ntxtList=a,b\n");
  std::unique_ptr<SettingsStore> store = MakeSettingsStore(path_);
  EXPECT_TRUE(store->GetBool("bolSq", false));
  EXPECT_EQ(store->GetInt("intN", 0, 0, 33), 15);
  // QSettings reads unquoted commas as a list; the store gives the text back.
  EXPECT_EQ(store->Get("txtList"), std::optional<std::string>("a,b"));
}

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& case_info) {
  return case_info.param.name;
}

struct IntCase {
  const char* name;
  std::optional<std::string> stored;  // nullopt: the key is not set
  int expected;
};

class GetIntTest : public SettingsStoreTest, public ::testing::WithParamInterface<IntCase> {};

// Default -1, range [-5, 33].
TEST_P(GetIntTest, Converts) {
  const IntCase& c = GetParam();
  if (c.stored) store_->Set("intValue", *c.stored);
  EXPECT_EQ(store_->GetInt("intValue", -1, -5, 33), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetIntTest,
    ::testing::Values(
        IntCase{"Missing", std::nullopt, -1}, IntCase{"Empty", "", -1},
        IntCase{"OnlyBlanks", "   ", -1}, IntCase{"Plain", "12", 12}, IntCase{"Zero", "0", 0},
        IntCase{"LeadingZeros", "007", 7}, IntCase{"SurroundingBlanks", "  12\t", 12},
        IntCase{"Letters", "abc", -1}, IntCase{"TrailingLetters", "12abc", -1},
        IntCase{"InnerBlank", "1 2", -1}, IntCase{"Plus", "+3", 3}, IntCase{"Minus", "-3", -3},
        IntCase{"SignOnly", "-", -1}, IntCase{"DoubleSign", "--3", -1},
        IntCase{"BlankAfterSign", "- 3", -1}, IntCase{"Decimal", "3.0", -1},
        IntCase{"Exponent", "1e1", -1}, IntCase{"Hex", "0x1", -1},
        IntCase{"FullWidthDigits", "１２", -1}, IntCase{"Huge", "99999999999999999999", -1},
        IntCase{"HugeNegative", "-99999999999999999999", -1}, IntCase{"AtLow", "-5", -5},
        IntCase{"AtHigh", "33", 33}, IntCase{"BelowLow", "-6", -1}, IntCase{"AboveHigh", "34", -1}),
    CaseName<IntCase>);

TEST_F(SettingsStoreTest, GetIntCoversTheWholeIntRange) {
  store_->SetInt("intMax", INT_MAX);
  store_->SetInt("intMin", INT_MIN);
  EXPECT_EQ(store_->GetInt("intMax", 0, INT_MIN, INT_MAX), INT_MAX);
  EXPECT_EQ(store_->GetInt("intMin", 0, INT_MIN, INT_MAX), INT_MIN);
  store_->Set("intJustOver", "2147483648");
  EXPECT_EQ(store_->GetInt("intJustOver", 5, INT_MIN, INT_MAX), 5);
}

struct BoolCase {
  const char* name;
  std::optional<std::string> stored;
  bool default_value;
  bool expected;
};

class GetBoolTest : public SettingsStoreTest, public ::testing::WithParamInterface<BoolCase> {};

TEST_P(GetBoolTest, Converts) {
  const BoolCase& c = GetParam();
  if (c.stored) store_->Set("bolValue", *c.stored);
  EXPECT_EQ(store_->GetBool("bolValue", c.default_value), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetBoolTest,
    ::testing::Values(
        BoolCase{"MissingFalse", std::nullopt, false, false},
        BoolCase{"MissingTrue", std::nullopt, true, true}, BoolCase{"Empty", "", true, true},
        BoolCase{"True", "True", false, true}, BoolCase{"False", "False", true, false},
        BoolCase{"LowerTrue", "true", false, true}, BoolCase{"UpperTrue", "TRUE", false, true},
        BoolCase{"MixedFalse", "fAlSe", true, false}, BoolCase{"Yes", "yes", false, false},
        BoolCase{"One", "1", false, false}, BoolCase{"Zero", "0", true, true},
        BoolCase{"MinusOne", "-1", false, false}, BoolCase{"Blanks", " True ", false, false},
        BoolCase{"Prefix", "Tru", false, false}),
    CaseName<BoolCase>);

TEST(DefaultSettingsStoreTest, UsesTheUserConfigurationFile) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps the settings in the per-user registry, not in a file";
#endif
  const std::string expected = UserFoldersEnvironment::Folder() + "/config/TarnwickSSQ.conf";
  // Never write to a real user's file if the folders were read before the environment was set.
  ASSERT_EQ(QSettings(QSettings::NativeFormat, QSettings::UserScope, "TarnwickSSQ")
                .fileName()
                .toStdString(),
            expected);
  std::unique_ptr<SettingsStore> store = MakeSettingsStore();
  store->SetBool("bolSq", true);
  store->Set("txtTitle", "双色球");
  EXPECT_NE(ReadFileBytes(expected).find("[IniSetting]\nbolSq=True\ntxtTitle=双色球\n"),
            std::string::npos)
      << ReadFileBytes(expected);
  EXPECT_EQ(MakeSettingsStore()->Get("txtTitle"), std::optional<std::string>("双色球"));
}

#ifdef _WIN32
// Windows keeps the settings in the user's registry under the application's name; Windows' own
// registry calls read what the store wrote, and the store reads what they wrote.
TEST(DefaultSettingsStoreTest, UsesTheUsersRegistryUnderTheApplicationsName) {
  const wchar_t* const section = L"Software\\TarnwickSSQ\\IniSetting";
  const wchar_t* const probe = L"txtRegistryProbe";  // no key of the program's
  MakeSettingsStore()->Set("txtRegistryProbe", "双色球 True");
  wchar_t value[64] = {};
  DWORD size = sizeof value;
  const LSTATUS read =
      RegGetValueW(HKEY_CURRENT_USER, section, probe, RRF_RT_REG_SZ, nullptr, value, &size);
  const std::wstring written = L"\u53CC\u8272\u7403 False";  // 双色球 False
  const LSTATUS write = RegSetKeyValueW(HKEY_CURRENT_USER, section, probe, REG_SZ, written.c_str(),
                                        static_cast<DWORD>((written.size() + 1) * sizeof(wchar_t)));
  const std::optional<std::string> read_back = MakeSettingsStore()->Get("txtRegistryProbe");
  RegDeleteKeyValueW(HKEY_CURRENT_USER, section, probe);
  ASSERT_EQ(read, ERROR_SUCCESS);
  EXPECT_EQ(QString::fromWCharArray(value).toStdString(), "双色球 True");
  ASSERT_EQ(write, ERROR_SUCCESS);
  EXPECT_EQ(read_back, std::optional<std::string>("双色球 False"));
}
#endif

TEST(IsWritableFolderTest, TrueForATemporaryFolderAndLeavesNothingBehind) {
  TempDir dir;
  EXPECT_TRUE(IsWritableFolder(dir.path().string()));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(IsWritableFolderTest, FalseForAMissingFolderAFileAndNothing) {
  TempDir dir;
  EXPECT_FALSE(IsWritableFolder(dir.File("missing")));
  WriteFileBytes(dir.File("plain.txt"), "x");
  EXPECT_FALSE(IsWritableFolder(dir.File("plain.txt")));
  EXPECT_FALSE(IsWritableFolder(""));
}

TEST(IsWritableFolderTest, FalseForAReadOnlyFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "a folder is made unwritable on Windows by its access list, which Wine does not "
                  "enforce";
#endif
  TempDir dir;
  const std::string folder = dir.File("locked");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
#ifndef _WIN32
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  // Permission bits do not bind root; a read-only file system does.
  testing::SmallDisk disk(folder, 1 << 20);
  if (geteuid() == 0) {
    if (!disk.mounted() || !disk.SetReadOnly(true)) {
      GTEST_SKIP() << "running as root without the right to mount a read-only file system";
    }
  }
  EXPECT_FALSE(IsWritableFolder(folder));
#endif
}

TEST(DefaultProgramFolderTest, WithoutAnApplicationIsTheCreatedDataFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows takes the per-user data folder from the profile, not from XDG_DATA_HOME";
#endif
  const std::string folder = DefaultProgramFolder();
  EXPECT_EQ(folder.rfind(UserFoldersEnvironment::Folder() + "/data", 0), 0u) << folder;
  EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
}

TEST(ClockTest, FixedClockGivesItsYear) {
  FixedClock clock(2003);
  const Clock& as_clock = clock;
  EXPECT_EQ(as_clock.CurrentYear(), 2003);
  clock.set_year(2025);
  EXPECT_EQ(as_clock.CurrentYear(), 2025);
}

TEST(ClockTest, SystemClockGivesAPlausibleYear) {
  const int year = SystemClock().CurrentYear();
  EXPECT_GE(year, 2024);
  EXPECT_LE(year, 9999);
}

}  // namespace
}  // namespace brivo
