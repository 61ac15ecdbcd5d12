#pragma once

#include <memory>
#include <string>
#include <vector>

#include "acquire/draw_source.h"
#include "platform/web/page_fetcher.h"

// The ordered list of draw sources the online update tries, as the settings keep it.
namespace brivo::acquire {

// The sources in their order of trial: the official service, then the 17500 history file.
inline constexpr char kDefaultUpdateSources[] =
    "cwl=https://www.cwl.gov.cn;17500=https://data.17500.cn";

struct SourceAddress {
  std::string name;  // "cwl", "17500" or "page"
  std::string base;  // without a final "/"
  bool operator==(const SourceAddress&) const = default;
};

// The entries of "name=base;name=base", blanks around them and final slashes of a base
// dropped. Entries without "=", with an empty base or an unknown name are left out (and
// logged).
std::vector<SourceAddress> ParseSourceList(const std::string& text);

// The source of that name at its base, fetching through the fetcher; null for an unknown name.
std::unique_ptr<DrawSource> MakeDrawSource(const SourceAddress& address, PageFetcher& fetcher);

}  // namespace brivo::acquire
