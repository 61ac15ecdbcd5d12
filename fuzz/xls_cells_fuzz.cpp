// The workbook writer on grid texts of any bytes: it writes a file or refuses, never crashes.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/xls/xls_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Bytes 0x00 end a cell, 0x01 a row: any text, any shape of grid.
  brivo::SheetCells cells(1);
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\x01') {
      cells.emplace_back();
    } else if (c == '\0' || cells.back().empty()) {
      cells.back().emplace_back(c == '\0' ? "" : std::string(1, c));
    } else {
      cells.back().back().push_back(c);
    }
  }
  static const std::string path = "/tmp/brivo-fuzz-" + std::to_string(getpid()) + ".xls";
  brivo::WriteXlsWorkbook(path, cells);
  return 0;
}
