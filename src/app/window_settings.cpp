#include "app/window_settings.h"

#include "acquire/update_sources.h"

namespace brivo {

bool ReadBolZyw(const SettingsStore& s) { return s.GetBool(keys::kBolZyw, true); }
bool ReadBolSq(const SettingsStore& s) { return s.GetBool(keys::kBolSq, true); }
int ReadIntLei(const SettingsStore& s) { return s.GetInt(keys::kIntLei, 0, 0, 5); }
int ReadIntXianshiLei(const SettingsStore& s) { return s.GetInt(keys::kIntXianshiLei, 0, 0, 5); }
int ReadIntConsqSort(const SettingsStore& s) { return s.GetInt(keys::kIntConsqSort, 0, 0, 2); }
int ReadIntPreQi(const SettingsStore& s) {
  return s.GetInt(keys::kIntPreQi, 2, kMinPreQi, kMaxPreQi);
}
int ReadIntIdfTm(const SettingsStore& s) { return s.GetInt(keys::kIntIdfTm, 1, 0, 1); }
bool ReadBolZhpm(const SettingsStore& s) { return s.GetBool(keys::kBolZhpm, false); }
int ReadIntZhWSetup(const SettingsStore& s) {
  return s.GetInt(keys::kIntZhWSetup, 2, kMinZhWSetup, kMaxZhWSetup);
}
int ReadSxIni(const SettingsStore& s) { return s.GetInt(keys::kSxIni, 1, 0, 1); }
int ReadDsIni(const SettingsStore& s) { return s.GetInt(keys::kDsIni, 1, 0, 1); }
bool ReadSxSetup(const SettingsStore& s) { return s.GetBool(keys::kSxSetup, false); }
int ReadIniSerchDay(const SettingsStore& s) {
  return s.GetInt(keys::kIniSerchDay, 6, kMinSerchDay, kMaxSerchDay);
}

}  // namespace brivo

namespace brivo {

std::string ReadTxtUpdateSite(const SettingsStore& s) {
  std::string site = s.Get(keys::kTxtUpdateSite).value_or("");
  while (!site.empty() && (site.back() == '/' || site.back() == ' ')) site.pop_back();
  return site;
}

std::string ReadTxtUpdateSources(const SettingsStore& s) {
  return s.Get(keys::kTxtUpdateSources).value_or(acquire::kDefaultUpdateSources);
}

}  // namespace brivo
