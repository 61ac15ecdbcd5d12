#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/base/settings_store.h"
#include "search/criteria.h"
#include "store/attributes.h"
#include "store/by_position.h"

// The settings mirrors of the main window and how each key reads from the settings store.
namespace brivo {

// Keys of the settings store (section IniSetting).
namespace keys {
inline constexpr char kBolZyw[] = "bolZyw";
inline constexpr char kBolSq[] = "bolSq";
inline constexpr char kIntPreQi[] = "intPreQi";
inline constexpr char kIntLei[] = "intLei";
inline constexpr char kIntXianshiLei[] = "intXianshiLei";
inline constexpr char kIntConsqSort[] = "intConsqSort";
inline constexpr char kIntIdfTm[] = "intIdfTm";
inline constexpr char kBolZhpm[] = "bolZhpm";
inline constexpr char kIntZhWSetup[] = "intZhWSetup";
inline constexpr char kSxIni[] = "SxIni";
inline constexpr char kDsIni[] = "DsIni";
inline constexpr char kSxSetup[] = "SxSetup";
inline constexpr char kIniSerchDay[] = "IniSerchDay";
// The base address of a results site of the user's own that serves the year pages; when set,
// the online update tries it before the sources.
inline constexpr char kTxtUpdateSite[] = "txtUpdateSite";
// The draw sources of the online update in their order: "name=base,name=base".
inline constexpr char kTxtUpdateSources[] = "txtUpdateSources";
// Where the window was closed: its normal geometry in logical pixels, and whether it was
// maximised (see window_placement.h).
inline constexpr char kIntWinLeft[] = "intWinLeft";
inline constexpr char kIntWinTop[] = "intWinTop";
inline constexpr char kIntWinWidth[] = "intWinWidth";
inline constexpr char kIntWinHeight[] = "intWinHeight";
inline constexpr char kBolWinMax[] = "bolWinMax";
}  // namespace keys

// The valid values of the integer settings; a stored text outside them reads as the default.
inline constexpr int kMinPreQi = 1, kMaxPreQi = 9;  // one digit; 0 looks back nowhere
inline constexpr int kMinZhWSetup = 1, kMaxZhWSetup = 6;
inline constexpr int kMinSerchDay = 2, kMaxSerchDay = 16;

// The window's working copy of the settings (read once at start, written by the handlers),
// the search pattern and what goes with it.
struct WindowState {
  bool bolZyw = true;        // 自由位: free-position mode (false: 固定位)
  bool bolSq = true;         // 上期: the previous draw is the basis (false: 前N期)
  int intLei = 0;            // 搜索类型: the search kind, 0..5
  int intXianshiLei = 0;     // 结果类型: the result kind, 0..5
  char result_letter = 'A';  // column letter of the result kind
  int intConsqSort = 0;      // 结果统计: the result scope (search::ResultScope)
  int intPreQi = 2;          // N of 前N期, the look-back distance
  int intZhWSetup = 2;       // 组合位数: the combination size
  bool bolZhpm = false;      // the combination pool is the red numbers only
  int SxIni = 1;             // 生肖参数: the zodiac offset
  int DsIni = 1;             // 段数参数: the segment offset
  bool SxSetup = false;      // 生肖取值: the zodiac coding
  int IniSerchDay = 6;       // the years of history the online update keeps

  // The search pattern.
  store::ByPosition<std::int16_t> pattern{};
  bool manual_tab = false;          // the pattern comes from the 手动输入号 tab
  std::int32_t proposed_issue = 0;  // the proposed issue as Text1 last showed it (0: none)

  // The settings above as the searches take them (their readings keep them in range).
  store::Kind SearchKind() const { return store::KindOfIndex(intLei).value_or(store::Kind::kHm); }
  store::Kind ResultKind() const {
    return store::KindOfIndex(intXianshiLei).value_or(store::Kind::kHm);
  }
  search::Basis PatternBasis() const {
    return bolSq ? search::Basis::kPreceding : search::Basis::kEarlier;
  }
  search::ResultScope Scope() const { return static_cast<search::ResultScope>(intConsqSort); }
};

// Each key's reading with its default and range.
bool ReadBolZyw(const SettingsStore& s);
bool ReadBolSq(const SettingsStore& s);
int ReadIntLei(const SettingsStore& s);
int ReadIntXianshiLei(const SettingsStore& s);
int ReadIntConsqSort(const SettingsStore& s);
int ReadIntPreQi(const SettingsStore& s);
int ReadIntIdfTm(const SettingsStore& s);
bool ReadBolZhpm(const SettingsStore& s);
int ReadIntZhWSetup(const SettingsStore& s);
int ReadSxIni(const SettingsStore& s);
int ReadDsIni(const SettingsStore& s);
bool ReadSxSetup(const SettingsStore& s);
int ReadIniSerchDay(const SettingsStore& s);
std::string ReadTxtUpdateSite(const SettingsStore& s);     // "" when none is set
std::string ReadTxtUpdateSources(const SettingsStore& s);  // the default list when missing

}  // namespace brivo
