#pragma once

#include <string>
#include <vector>

namespace brivo::testing {

struct ReaderRun {
  int exit_code = -1;  // -1 when the script could not be run or was killed
  std::string output;  // what it printed on standard output; its standard error is the test's
};

// Runs tests/platform/`script` under Debian's /usr/bin/python3 (whose python3-xlrd and
// python3-olefile are the independent readers of the tests) with `args`.
ReaderRun RunPythonReader(const std::string& script, const std::vector<std::string>& args);

// The fields of each line of `output`, split at tabs.
std::vector<std::vector<std::string>> TabSeparatedLines(const std::string& output);

}  // namespace brivo::testing
