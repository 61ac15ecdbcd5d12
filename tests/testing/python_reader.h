#pragma once

#include <string>
#include <vector>

namespace brivo::testing {

struct ReaderRun {
  int exit_code = -1;  // -1 when the script could not be run or was killed
  std::string output;  // what it printed on standard output; its standard error is the test's
};

// Runs tests/platform/`script` under Debian's /usr/bin/python3 (whose python3-xlrd and
// python3-olefile are the independent readers of the tests) with `args`; an argument that is a
// Windows path (under Wine) reaches it as the host's name of that path.
ReaderRun RunPythonReader(const std::string& script, const std::vector<std::string>& args);

// Runs `command` in the host's /bin/sh, also from a test under Wine, where the readers and
// LibreOffice are host programs.
ReaderRun RunHostShell(const std::string& command);

// The host's name of a path a test made: the same path on Linux, the Unix path under Wine.
std::string HostPath(const std::string& path);

// `text` quoted for the shell.
std::string ShellQuoted(const std::string& text);

// The fields of each line of `output`, split at tabs.
std::vector<std::vector<std::string>> TabSeparatedLines(const std::string& output);

}  // namespace brivo::testing
