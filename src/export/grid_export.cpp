#include "export/grid_export.h"

#include "platform/base/native_file.h"

namespace brivo::exports {

Status ExportWorkbook(const std::string& program_folder, const std::string& file_name,
                      const SheetCells& cells, Launcher& launcher) {
  const std::string path = Utf8Path(NativePath(program_folder) / NativePath(file_name));
  if (Status s = WriteXlsWorkbook(path, cells); !s.ok()) return s;
  launcher.OpenFile(path);
  return Status::Ok();
}

}  // namespace brivo::exports
