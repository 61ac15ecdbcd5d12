// The workbook writer on grid texts of any bytes: it builds a workbook stream or refuses, never
// crashes, and the compound file around the stream gives the same bytes back when its FAT (or
// mini FAT) chain is followed.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/xls/compound_file.h"
#include "platform/xls/xls_writer.h"

namespace {

uint32_t U32(const std::string& file, std::size_t at) {
  uint32_t v;
  std::memcpy(&v, file.data() + at, 4);  // the fuzz builds run on little-endian machines
  return v;
}

// The stream of directory entry 1, read by following its chain; aborts on a broken chain.
std::string StreamOf(const std::string& file) {
  const auto sector = [](uint32_t n) { return 512 * (std::size_t{n} + 1); };
  const auto next = [&](uint32_t n) {
    const uint32_t fat_sector = U32(file, 76 + 4 * (n / 128));  // the header's DIFAT suffices here
    return U32(file, sector(fat_sector) + 4 * (n % 128));
  };
  const std::size_t directory = sector(U32(file, 48));
  const std::size_t size = U32(file, directory + 128 + 120);
  std::string regular;
  for (uint32_t n = U32(file, size < 4096 ? directory + 116 : directory + 128 + 116);
       n != 0xFFFFFFFE; n = next(n)) {
    if (sector(n) + 512 > file.size() || regular.size() > file.size()) std::abort();
    regular.append(file, sector(n), 512);
  }
  if (size >= 4096) return regular.substr(0, size);
  std::string mini;
  for (uint32_t n = U32(file, directory + 128 + 116); n != 0xFFFFFFFE && mini.size() < size;) {
    if (64 * (std::size_t{n} + 1) > regular.size()) std::abort();
    mini.append(regular, 64 * std::size_t{n}, 64);
    n = U32(file, sector(U32(file, 60)) + 4 * n);  // one mini FAT sector holds 128 entries
  }
  return mini.substr(0, size);
}

}  // namespace

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
  std::string stream;
  if (!brivo::BuildXlsWorkbookStream(cells, &stream).ok()) return 0;
  // Also the sizes of the mini stream, which a padded workbook never takes.
  const std::string_view part =
      std::string_view(stream).substr(0, size % 2 ? size * 37 : stream.size());
  const std::string file = brivo::BuildCompoundFile(u"Workbook", part);
  if (file.size() > 109 * 128 * 512) return 0;  // StreamOf reads no DIFAT sectors
  if (file.size() % 512 != 0 || StreamOf(file) != part) std::abort();
  return 0;
}
