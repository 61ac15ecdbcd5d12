#include "export/grid_export.h"

#include <filesystem>

namespace brivo::exports {

Status ExportWorkbook(const std::string& program_folder, const std::string& file_name,
                      const SheetCells& cells, Launcher& launcher) {
  const std::string path = (std::filesystem::path(program_folder) / file_name).string();
  if (Status s = WriteXlsWorkbook(path, cells); !s.ok()) return s;
  launcher.OpenFile(path);
  return Status::Ok();
}

}  // namespace brivo::exports
