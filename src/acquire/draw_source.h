#pragma once

#include <string>
#include <vector>

#include "platform/page_fetcher.h"
#include "platform/status.h"
#include "store/draw_record.h"

// Where the online update gets a year's draws from.
namespace brivo::acquire {

// A year in, that year's draws out.
class DrawSource {
 public:
  virtual ~DrawSource() = default;
  // The draws of the year as the source lists them, newest first; a row the source garbled is
  // an empty entry (all zero), so that the rows after it keep their places. A year without
  // draws yet gives no rows and is no failure. Fails when the year's draws cannot be had.
  virtual Status YearRows(int year, std::vector<store::DrawNumbers>* rows) = 0;
};

// The draw rows among a page's table body texts: a body of 16 to 20 characters whose 13th is a
// blank holds six red two-digit numbers (characters 1..12) and the blue one (14..15). A row
// whose numbers are not two digits each, or outside 1..33 and 1..16, comes out all zero. At
// most 365 rows are taken.
std::vector<store::DrawNumbers> DrawRowsOf(const std::vector<std::string>& table_bodies);

// The draw-list page of a results site: one page per year, at the base address followed by
// "/lottery/draw/list/50?type=range&start=" year "001&end=" year "365".
class ResultsPageSource final : public DrawSource {
 public:
  ResultsPageSource(PageFetcher& fetcher, std::string base_address)
      : fetcher_(fetcher), base_address_(std::move(base_address)) {}
  std::string PageAddress(int year) const;
  Status YearRows(int year, std::vector<store::DrawNumbers>* rows) override;

 private:
  PageFetcher& fetcher_;
  std::string base_address_;
};

}  // namespace brivo::acquire
