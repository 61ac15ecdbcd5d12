#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/status.h"
#include "platform/web/page_fetcher.h"
#include "store/draw_record.h"

// Where the online update gets a year's draws from.
namespace brivo::acquire {

// A draw as a source gives it: its issue and numbers; a row the source garbled has zeros.
struct SourcedDraw {
  std::int32_t issue = 0;
  store::DrawNumbers numbers{};
  bool operator==(const SourcedDraw&) const = default;
};

// Six distinct red numbers 1..33 and a blue one 1..16.
bool IsValidDraw(const store::DrawNumbers& numbers);

// What the sources send as User-Agent: some answer only browsers.
inline constexpr char kBrowserUserAgent[] =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/120.0.0.0 Safari/537.36";

// A year in, that year's draws out.
class DrawSource {
 public:
  virtual ~DrawSource() = default;
  // The source's name in the source list ("cwl", "17500", "page") and its base address.
  virtual std::string Name() const = 0;
  virtual const std::string& Base() const = 0;
  // The draws of the year the source has, oldest first, at least those from from_issue on
  // (a source that pages may stop there). A year without draws gives none. Fails when the
  // source cannot be fetched or does not answer in its format; a source that could not be
  // fetched is not asked again during its life (the same failure comes back at once).
  virtual Status YearDraws(int year, std::int32_t from_issue, std::vector<SourcedDraw>* draws) = 0;
  // The newest issue the source has shown so far; 0 when it cannot tell.
  virtual std::int32_t NewestIssue() const { return 0; }
};

// The draw rows among a page's table body texts: a body of 16 to 20 characters whose 13th is a
// blank holds six red two-digit numbers (characters 1..12) and the blue one (14..15). A row
// whose numbers are not two digits each, or outside 1..33 and 1..16, comes out all zero. At
// most 365 rows are taken.
std::vector<store::DrawNumbers> DrawRowsOf(const std::vector<std::string>& table_bodies);

// The draw-list page of a results site: one page per year, at the base address followed by
// "/lottery/draw/list/50?type=range&start=" year "001&end=" year "365". The page lists the
// year newest first; the j-th row from the bottom is issue year * 1000 + j.
class ResultsPageSource final : public DrawSource {
 public:
  ResultsPageSource(PageFetcher& fetcher, std::string base_address)
      : fetcher_(fetcher), base_address_(std::move(base_address)) {}
  std::string PageAddress(int year) const;
  std::string Name() const override { return "page"; }
  const std::string& Base() const override { return base_address_; }
  Status YearDraws(int year, std::int32_t from_issue, std::vector<SourcedDraw>* draws) override;

 private:
  PageFetcher& fetcher_;
  std::string base_address_;
  Status unreachable_;  // the fetch that failed, once one has
};

}  // namespace brivo::acquire
