#pragma once

#include <string>
#include <vector>

#include "acquire/draw_source.h"
#include "platform/base/status.h"

// The answer of the official welfare-lottery results service (findDrawNotice), one page of
// draws newest first.
namespace brivo::acquire {

struct CwlNoticePage {
  int page_count = 0;  // "pageNum": how many pages the service has
  int page_no = 0;
  std::vector<SourcedDraw> draws;  // as listed: newest first
};

// Reads one answer: a JSON object with "state" 0 and a "result" array of records, each with a
// seven-digit "code", "red" (six numbers separated by commas) and "blue". A record whose numbers
// cannot be read, or make no valid draw, keeps its issue with zero numbers. Fails
// (kInvalidArgument, naming what is wrong) on anything else: not JSON, "state" not 0 (with the
// service's "message"), a record without a readable code.
Status ParseCwlNotices(const std::string& body, CwlNoticePage* page);

// The official results service: pages of 100 draws, newest first, at the base address followed
// by "/cwl_admin/front/cwlkj/search/kjxx/findDrawNotice?name=ssq&systemType=PC&pageNo=P&
// pageSize=100". It is asked as a browser asks it (the Referer page fetched once first, for its
// cookies); the pages fetched are kept for the source's life, so each is fetched once.
class CwlSource final : public DrawSource {
 public:
  CwlSource(PageFetcher& fetcher, std::string base_address)
      : fetcher_(fetcher), base_address_(std::move(base_address)) {}
  std::string PageAddress(int page_no) const;
  std::string Name() const override { return "cwl"; }
  const std::string& Base() const override { return base_address_; }
  Status YearDraws(int year, std::int32_t from_issue, std::vector<SourcedDraw>* draws) override;
  std::int32_t NewestIssue() const override;

 private:
  Status FetchPage(int page_no);

  PageFetcher& fetcher_;
  std::string base_address_;
  bool referer_fetched_ = false;
  std::vector<SourcedDraw> pages_;  // the draws of the pages fetched so far, newest first
  int pages_fetched_ = 0;
  bool exhausted_ = false;  // the last page fetched was the service's last
  Status unreachable_;
};

}  // namespace brivo::acquire
