#include "testing/xls_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "platform/base/utf8.h"

namespace brivo::testing {
namespace {

// A JSON string literal ("..." with escapes) as UTF-8.
std::string DecodeJsonString(const std::string& literal) {
  std::string out;
  for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
    if (literal[i] != '\\') {
      out.push_back(literal[i]);
      continue;
    }
    const char e = literal[++i];
    if (e == 'u') {
      char32_t c = static_cast<char32_t>(std::stoul(literal.substr(i + 1, 4), nullptr, 16));
      i += 4;
      if (c >= 0xD800 && c < 0xDC00 && literal.compare(i + 1, 2, "\\u") == 0) {
        const auto low = static_cast<char32_t>(std::stoul(literal.substr(i + 3, 4), nullptr, 16));
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 6;
      }
      AppendUtf8(c, &out);
    } else {
      const std::string plain = "\"\\/bfnrt";
      const std::string meant = "\"\\/\b\f\n\r\t";
      const std::size_t k = plain.find(e);
      out.push_back(k == std::string::npos ? e : meant[k]);
    }
  }
  return out;
}

}  // namespace

std::map<std::pair<int, int>, std::string> ReadXlsCells(const std::string& path) {
  std::map<std::pair<int, int>, std::string> cells;
  const std::string command = "/usr/bin/python3 " + std::string(BRIVO_TESTS_DIR) +
                              "/platform/read_xls.py '" + path + "' 2>&1";
#ifdef _WIN32
  FILE* pipe = _popen(command.c_str(), "rb");
#else
  FILE* pipe = popen(command.c_str(), "r");
#endif
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return cells;
  }
  std::string output;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
#ifdef _WIN32
  const int status = _pclose(pipe);
#else
  const int status = pclose(pipe);
#endif
  if (status != 0) {
    ADD_FAILURE() << "the reader refused " << path << ": " << output;
    return cells;
  }
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t a = line.find('\t');
    const std::size_t b = line.find('\t', a + 1);
    if (a == std::string::npos || b == std::string::npos) continue;
    const std::string first = line.substr(0, a);
    if (first.empty() || first.find_first_not_of("0123456789") != std::string::npos) continue;
    cells[{std::stoi(first), std::stoi(line.substr(a + 1, b - a - 1))}] =
        DecodeJsonString(line.substr(b + 1));
  }
  return cells;
}

}  // namespace brivo::testing
