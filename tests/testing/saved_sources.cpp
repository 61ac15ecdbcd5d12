#include "testing/saved_sources.h"

#include "testing/temp_dir.h"

namespace brivo::testing {

std::string SavedSource(const std::string& name) {
  return ReadFileBytes(std::string(BRIVO_TEST_DATA_DIR) + "/sources/" + name);
}
std::string SavedCwlPage() {
  return SavedSource("cwl_findDrawNotice_ssq_pageSize100_2026-01-20.json");
}
std::string SavedCwl302Body() { return SavedSource("cwl_findDrawNotice_302_nginx_body.html"); }
std::string SavedSsqAscFile() { return SavedSource("17500_ssq_asc_2023-04-06.txt"); }

std::vector<std::string> CwlRecords(const std::string& body) {
  std::vector<std::string> records;
  const std::size_t result = body.find("\"result\":[");
  if (result == std::string::npos) return records;
  int depth = 0;
  bool in_string = false;
  std::size_t start = 0;
  for (std::size_t i = result + 10; i < body.size(); ++i) {
    const char c = body[i];
    if (in_string) {
      if (c == '\\') ++i;
      if (c == '"') in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '{' || c == '[') {
      if (depth++ == 0) start = i;
    } else if (c == '}' || c == ']') {
      if (depth == 0) break;  // the end of the result array
      if (--depth == 0) records.push_back(body.substr(start, i + 1 - start));
    }
  }
  return records;
}

std::string CwlPage(const std::vector<std::string>& records, int page_no, int page_count,
                    int total) {
  std::string page = "{\"state\":0,\"message\":\"查询成功\",\"total\":" + std::to_string(total) +
                     ",\"pageNum\":" + std::to_string(page_count) +
                     ",\"pageNo\":" + std::to_string(page_no) +
                     ",\"pageSize\":100,\"Tflag\":0,\"result\":[";
  for (std::size_t i = 0; i < records.size(); ++i) page += (i > 0 ? "," : "") + records[i];
  return page + "]}";
}

}  // namespace brivo::testing
