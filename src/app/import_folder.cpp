#include "app/import_folder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/install_paths.h"
#include "store/history_db.h"

namespace brivo {
namespace {

// Whether the folder holds a file the import takes: a name ending in "txt" in any case.
bool HoldsTextFile(const std::string& folder) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() < 3 || !it->is_regular_file(ec)) continue;
    std::transform(name.end() - 3, name.end(), name.end() - 3,
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name.ends_with("txt")) return true;
  }
  return false;
}

}  // namespace

std::string ImportStartFolder(const std::string& program_folder) {
  const std::string named = store::ProgramFile(program_folder, "历史号码");
  if (HoldsTextFile(named)) return named;
  if (HoldsTextFile(program_folder)) return program_folder;
  return ShippedHistoryFolder();
}

}  // namespace brivo
