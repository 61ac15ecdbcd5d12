#include "testing/cfb_reader.h"

#include <gtest/gtest.h>

#include "testing/python_reader.h"
#include "testing/temp_dir.h"

namespace brivo::testing {

std::optional<CompoundFileReading> ReadCompoundFile(const std::string& path,
                                                    const std::string& stream_name) {
  TempDir dir;
  const std::string out = dir.File("stream");
  const ReaderRun run = RunPythonReader("read_cfb.py", {path, stream_name, out});
  if (run.exit_code != 0) {
    ADD_FAILURE() << "olefile refused " << path << " (exit " << run.exit_code
                  << (run.exit_code == 3 ? ": apt-get install python3-olefile" : ", reason above")
                  << ")";
    return std::nullopt;
  }
  CompoundFileReading reading;
  for (const std::vector<std::string>& fields : TabSeparatedLines(run.output)) {
    if (fields[0] == "sectors" && fields.size() == 4) {
      reading.fat_sectors = std::stoi(fields[1]);
      reading.difat_sectors = std::stoi(fields[2]);
      reading.mini_fat_sectors = std::stoi(fields[3]);
    } else if (fields[0] == "entry" && fields.size() == 4) {
      reading.entries.push_back(fields[1] + "\t" + fields[2] + "\t" + fields[3]);
    }
  }
  reading.stream = ReadFileBytes(out);
  return reading;
}

}  // namespace brivo::testing
