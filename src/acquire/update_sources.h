#pragma once

#include <memory>
#include <string>
#include <vector>

#include "acquire/draw_source.h"
#include "platform/web/page_fetcher.h"

// The ordered list of draw sources the online update tries, as the settings keep it.
namespace brivo::acquire {

// Entries are separated by ',': the settings file (an INI file outside Windows) reads a ';' as
// the start of a comment and drops the rest of a hand-written line, but keeps a ',' (it reads an
// unquoted one as a list, which the settings store joins again with ','). A ';' is still taken
// where it arrives intact: the Windows registry, or a quoted INI value.
inline constexpr char kSourceSeparators[] = ",;";

// The sources in their order of trial: the official service, then the 17500 history file.
inline constexpr char kDefaultUpdateSources[] =
    "cwl=https://www.cwl.gov.cn,17500=https://data.17500.cn";

struct SourceAddress {
  std::string name;  // "cwl", "17500" or "page"
  std::string base;  // without a final "/"
  bool operator==(const SourceAddress&) const = default;
};

// The entries of "name=base,name=base" (or separated by ';'), blanks around them and final
// slashes of a base dropped. Entries without "=", with an empty base or an unknown name are left
// out (and logged).
std::vector<SourceAddress> ParseSourceList(const std::string& text);

// The source of that name at its base, fetching through the fetcher; null for an unknown name.
// The sources as a user writes them in the setting: "name=base,name=base".
std::string SourceListText(const std::vector<SourceAddress>& sources);

std::unique_ptr<DrawSource> MakeDrawSource(const SourceAddress& address, PageFetcher& fetcher);

}  // namespace brivo::acquire
