#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brivo::testing {

// A compound file as Debian's python3-olefile reads it (through tests/platform/read_cfb.py).
struct CompoundFileReading {
  int fat_sectors = 0;
  int difat_sectors = 0;
  int mini_fat_sectors = 0;
  // Every used directory entry in order: "name<TAB>type<TAB>size", the name a JSON string, the
  // type 5 for the root and 2 for a stream.
  std::vector<std::string> entries;
  std::string stream;  // the bytes of the stream asked for
};

// Reads `path` and its stream `stream_name`; fails the current test and returns nothing when
// olefile refuses the file or finds any defect in it.
std::optional<CompoundFileReading> ReadCompoundFile(const std::string& path,
                                                    const std::string& stream_name);

}  // namespace brivo::testing
