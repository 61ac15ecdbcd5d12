#include "app/import_folder.h"

#include <filesystem>
#include <system_error>

#include "platform/base/ascii.h"
#include "platform/base/install_paths.h"
#include "platform/base/native_file.h"
#include "store/history_db.h"

namespace brivo {
namespace {

// Whether the folder holds a file the import takes: a name ending in "txt" in any case.
bool HoldsTextFile(const std::string& folder) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(NativePath(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = Utf8Path(it->path().filename());
    if (name.size() < 3 || !it->is_regular_file(ec)) continue;
    if (EndsWithIgnoringAsciiCase(name, "txt")) return true;
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
