#include "platform/base/settings_store.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <string_view>

#include "platform/base/ascii.h"
#include "platform/base/log.h"

namespace brivo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Any magnitude beyond this is outside every int range, so the digits after it need not be
// accumulated (and cannot overflow).
constexpr std::int64_t kBeyondInt = std::int64_t{1} << 40;

std::optional<std::int64_t> ParseDecimal(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    if (magnitude < kBeyondInt) magnitude = magnitude * 10 + (c - '0');
  }
  return negative ? -magnitude : magnitude;
}

class QtSettingsStore final : public SettingsStore {
 public:
  // Without a path: the store named after the application TarnwickSSQ, ~/.config/TarnwickSSQ.conf
  // on Linux and the registry key HKEY_CURRENT_USER\Software\TarnwickSSQ on Windows (an
  // organization without an application name would put it under OrganizationDefaults there).
  QtSettingsStore()
#ifdef _WIN32
      : settings_(QStringLiteral("HKEY_CURRENT_USER\\Software\\TarnwickSSQ"),
                  QSettings::NativeFormat){}
#else
      : settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("TarnwickSSQ")) {
  }
#endif
        explicit QtSettingsStore(const std::string& ini_path)
      : settings_(QString::fromStdString(ini_path), QSettings::IniFormat) {
  }

  std::optional<std::string> Get(const std::string& key) const override {
    const QString full_key = FullKey(key);
    if (!settings_.contains(full_key)) return std::nullopt;
    const QVariant value = settings_.value(full_key);
    // A hand-edited INI value with unquoted commas reads back as a list; keep its text.
    if (value.typeId() == QMetaType::QStringList) {
      return value.toStringList().join(QLatin1Char(',')).toStdString();
    }
    return value.toString().toStdString();
  }

  void Set(const std::string& key, const std::string& text) override {
    // Any write makes QSettings rewrite the whole file from what it read, which loses what the
    // user wrote there by hand (comments, text after a ';'): a value it already holds is not
    // written again.
    if (Get(key) == text) return;
    settings_.setValue(FullKey(key), QString::fromStdString(text));
    settings_.sync();
    if (settings_.status() != QSettings::NoError) {
      LogWarning("settings: could not save " + key + " to " + settings_.fileName().toStdString());
    }
  }

 private:
  static QString FullKey(const std::string& key) {
    return QStringLiteral("IniSetting/") + QString::fromStdString(key);
  }

  QSettings settings_;
};

}  // namespace

int SettingsStore::GetInt(const std::string& key, int default_value, int low, int high) const {
  const std::optional<std::string> text = Get(key);
  if (!text) return default_value;
  const std::optional<std::int64_t> value = ParseDecimal(*text);
  if (!value || *value < low || *value > high) return default_value;
  return static_cast<int>(*value);
}

bool SettingsStore::GetBool(const std::string& key, bool default_value) const {
  const std::optional<std::string> text = Get(key);
  if (!text) return default_value;
  if (EqualsIgnoringAsciiCase(*text, "True")) return true;
  if (EqualsIgnoringAsciiCase(*text, "False")) return false;
  return default_value;
}

std::unique_ptr<SettingsStore> MakeSettingsStore(const std::string& ini_path) {
  if (ini_path.empty()) return std::make_unique<QtSettingsStore>();
  return std::make_unique<QtSettingsStore>(ini_path);
}

}  // namespace brivo
