#pragma once

#include <memory>
#include <optional>
#include <string>

// The per-user settings store: text values by key under application TarnwickSSQ, section
// IniSetting. Integers are kept as decimal text, booleans as "True" or "False".
namespace brivo {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text of a key, nullopt when the key is missing.
  virtual std::optional<std::string> Get(const std::string& key) const = 0;
  // Stores the text at once, so that nothing depends on the program ending normally.
  virtual void Set(const std::string& key, const std::string& text) = 0;

  // Typed reading: the default when the key is missing or its text does not convert.
  // Integers: optional blanks, an optional sign and decimal digits, within [low, high].
  int GetInt(const std::string& key, int default_value, int low, int high) const;
  // Booleans: "True" or "False", without regard to case.
  bool GetBool(const std::string& key, bool default_value) const;
  void SetInt(const std::string& key, int value) { Set(key, std::to_string(value)); }
  void SetBool(const std::string& key, bool value) { Set(key, value ? "True" : "False"); }
};

// The platform's own store (the per-user registry on Windows, an INI file under the user's
// configuration folder elsewhere), or, given a file path, an INI file there (for tests).
std::unique_ptr<SettingsStore> MakeSettingsStore(const std::string& ini_path = "");

}  // namespace brivo
