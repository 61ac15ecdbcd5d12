#include "platform/base/install_paths.h"

#include <QCoreApplication>
#include <filesystem>
#include <system_error>

namespace brivo {
namespace {

std::filesystem::path ExecutableFolder() {
  if (QCoreApplication::instance() == nullptr) return {};
  return QCoreApplication::applicationDirPath().toStdString();
}

bool IsFolder(const std::filesystem::path& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(path, ec);
}

}  // namespace

std::string InstalledShareFolder() {
  const std::filesystem::path exe = ExecutableFolder();
  if (exe.empty()) return {};
  // BRIVO_SHARE_FROM_BIN is the share folder relative to the bin folder, as installed.
  const std::filesystem::path share = (exe / BRIVO_SHARE_FROM_BIN).lexically_normal();
  return IsFolder(share) ? share.string() : std::string();
}

std::string HelpFolder() {
  if (const std::string share = InstalledShareFolder(); !share.empty()) {
    return (std::filesystem::path(share) / "help").string();
  }
  return BRIVO_SOURCE_HELP_DIR;
}

std::string ShippedHistoryFolder() {
  if (const std::string share = InstalledShareFolder(); !share.empty()) {
    return (std::filesystem::path(share) / "history").string();
  }
  return BRIVO_SOURCE_DATA_DIR;
}

}  // namespace brivo
