#include "testing/python_reader.h"

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

namespace brivo::testing {
namespace {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

ReaderRun RunPythonReader(const std::string& script, const std::vector<std::string>& args) {
  std::string command =
      "/usr/bin/python3 " + ShellQuoted(std::string(BRIVO_TESTS_DIR) + "/platform/" + script);
  for (const std::string& arg : args) command += " " + ShellQuoted(arg);
  ReaderRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[65536];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::vector<std::vector<std::string>> TabSeparatedLines(const std::string& output) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    lines.push_back(std::move(fields));
  }
  return lines;
}

}  // namespace brivo::testing
