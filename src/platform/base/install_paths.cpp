#include "platform/base/install_paths.h"

#include <QCoreApplication>
#include <filesystem>
#include <system_error>

#include "platform/base/native_file.h"

namespace brivo {
namespace {

bool IsFolder(const std::filesystem::path& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(path, ec);
}

}  // namespace

std::string InstalledShareFolderOf(const std::string& executable_folder) {
  if (executable_folder.empty()) return {};
  // BRIVO_SHARE_FROM_BIN is the share folder relative to the bin folder, as installed.
  const std::filesystem::path share =
      (NativePath(executable_folder) / BRIVO_SHARE_FROM_BIN).lexically_normal();
  return IsFolder(share) ? Utf8Path(share) : std::string();
}

std::string InstalledShareFolder() {
  if (QCoreApplication::instance() == nullptr) return {};
  return InstalledShareFolderOf(QCoreApplication::applicationDirPath().toStdString());
}

std::string HelpFolder() {
  if (const std::string share = InstalledShareFolder(); !share.empty()) {
    return Utf8Path(NativePath(share) / "help");
  }
  return BRIVO_SOURCE_HELP_DIR;
}

std::string ShippedHistoryFolder() {
  if (const std::string share = InstalledShareFolder(); !share.empty()) {
    return Utf8Path(NativePath(share) / "history");
  }
  return BRIVO_SOURCE_DATA_DIR;
}

}  // namespace brivo
