#include "testing/python_reader.h"

#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/base/native_file.h"
#include "testing/temp_dir.h"
#else
#include <sys/wait.h>
#endif

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

namespace brivo::testing {
namespace {

#ifdef _WIN32

// The host's name of a Windows path, through Wine's own kernel32 export; empty outside Wine.
std::string UnixPathOf(const std::filesystem::path& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unix_name == nullptr) return {};
  char* name = unix_name(std::filesystem::absolute(path).wstring().c_str());
  if (name == nullptr) return {};
  std::string result = name;
  // Wine allocated the name on the process heap; a failed free only leaks a few bytes.
  static_cast<void>(HeapFree(GetProcessHeap(), 0, name));
  return result;
}

// One argument of a Windows command line, quoted so that Wine splits it back into the same
// argument for the host program (backslashes double only before a quote).
std::wstring QuotedArgument(const std::string& arg) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : NativePath(arg).wstring()) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

// Under Wine a Windows process can start a host program, which Wine execs directly, but it gets
// neither a handle to wait for nor a pipe that carries the output. So the host's shell runs the
// command with its standard output to a file and leaves its exit code in a second file, renamed
// into place once the command has finished.
ReaderRun RunOnHost(const std::string& command) {
  ReaderRun run;
  TempDir exchange;
  const std::string folder = UnixPathOf(exchange.path());
  if (folder.empty()) {
    std::cerr << "host programs can be reached only under Wine\n";
    return run;
  }
  const std::string out = ShellQuoted(folder + "/out"), part = ShellQuoted(folder + "/code.part");
  const std::string script = "(" + command + ") >" + out + "; echo $? >" + part + "; mv " + part +
                             " " + ShellQuoted(folder + "/code");
  std::wstring command_line = L"Z:\\bin\\sh -c " + QuotedArgument(script);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(L"Z:\\bin\\sh", command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    std::cerr << "cannot start the host's /bin/sh (error " << GetLastError() << ")\n";
    return run;
  }
  // Wine gives no handles for a host process; should it ever, they are not needed.
  if (process.hProcess != nullptr) static_cast<void>(CloseHandle(process.hProcess));
  if (process.hThread != nullptr) static_cast<void>(CloseHandle(process.hThread));
  // A reader takes about a second, LibreOffice some more; one that has not finished after five
  // minutes never will.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  const std::filesystem::path code = exchange.path() / "code";
  while (!std::filesystem::exists(code)) {
    if (std::chrono::steady_clock::now() > give_up) {
      std::cerr << "the host's command did not finish: " << command << "\n";
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.output = ReadFileBytes(Utf8Path(exchange.path() / "out"));
  run.exit_code = std::atoi(ReadFileBytes(Utf8Path(code)).c_str());
  return run;
}

#else

ReaderRun RunOnHost(const std::string& command) {
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

#endif

}  // namespace

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string HostPath(const std::string& path) {
#ifdef _WIN32
  const bool drive_path = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                          path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  if (!drive_path) return path;
  const std::string host = UnixPathOf(NativePath(path));
  return host.empty() ? path : host;
#else
  return path;
#endif
}

ReaderRun RunPythonReader(const std::string& script, const std::vector<std::string>& args) {
  std::string command =
      "/usr/bin/python3 " + ShellQuoted(std::string(BRIVO_TESTS_DIR) + "/platform/" + script);
  for (const std::string& arg : args) command += " " + ShellQuoted(HostPath(arg));
  return RunOnHost(command);
}

ReaderRun RunHostShell(const std::string& command) { return RunOnHost(command); }

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
