#include "acquire/update_sources.h"

#include "acquire/cwl_source.h"
#include "acquire/ssq_asc_source.h"
#include "platform/base/log.h"

namespace brivo::acquire {
namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::vector<SourceAddress> ParseSourceList(const std::string& text) {
  std::vector<SourceAddress> sources;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find_first_of(kSourceSeparators, start);
    if (end == std::string::npos) end = text.size();
    const std::string entry = Trimmed(text.substr(start, end - start));
    start = end + 1;
    if (entry.empty()) continue;
    const std::size_t equals = entry.find('=');
    SourceAddress address;
    if (equals != std::string::npos) {
      address.name = Trimmed(entry.substr(0, equals));
      address.base = Trimmed(entry.substr(equals + 1));
      while (!address.base.empty() && address.base.back() == '/') address.base.pop_back();
    }
    const bool known = address.name == "cwl" || address.name == "17500" || address.name == "page";
    if (!known || address.base.empty()) {
      LogWarning("update source \"" + entry +
                 "\" left out: not name=address of cwl, 17500 or page");
      continue;
    }
    sources.push_back(address);
  }
  return sources;
}

std::string SourceListText(const std::vector<SourceAddress>& sources) {
  std::string text;
  for (const SourceAddress& source : sources) {
    if (!text.empty()) text += kSourceSeparators[0];
    text += source.name + "=" + source.base;
  }
  return text;
}

std::unique_ptr<DrawSource> MakeDrawSource(const SourceAddress& address, PageFetcher& fetcher) {
  if (address.name == "cwl") return std::make_unique<CwlSource>(fetcher, address.base);
  if (address.name == "17500") return std::make_unique<SsqAscSource>(fetcher, address.base);
  if (address.name == "page") return std::make_unique<ResultsPageSource>(fetcher, address.base);
  return nullptr;
}

}  // namespace brivo::acquire
