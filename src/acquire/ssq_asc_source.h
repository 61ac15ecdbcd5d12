#pragma once

#include <string>
#include <vector>

#include "acquire/draw_source.h"
#include "platform/base/status.h"

// The history file of 17500.cn (ssq_asc.txt): every draw since 2003001, oldest first, one line
// each, fields separated by blanks: issue, date, the six sorted red numbers, the blue one, then
// the reds in drawn order, sales, pool and the prizes ("-" while they are not out yet).
namespace brivo::acquire {

// The draws of the file in its order. Blank lines are skipped. A line whose numbers are missing
// or make no valid draw keeps its issue with zero numbers. Fails (kInvalidArgument, naming the
// line) on a line whose first field is not a seven-digit issue.
Status ParseSsqAsc(const std::string& text, std::vector<SourcedDraw>* draws);

// The history file at the base address followed by "/ssq_asc.txt", fetched once for the
// source's life.
class SsqAscSource final : public DrawSource {
 public:
  SsqAscSource(PageFetcher& fetcher, std::string base_address)
      : fetcher_(fetcher), base_address_(std::move(base_address)) {}
  std::string FileAddress() const { return base_address_ + "/ssq_asc.txt"; }
  std::string Name() const override { return "17500"; }
  const std::string& Base() const override { return base_address_; }
  Status YearDraws(int year, std::int32_t from_issue, std::vector<SourcedDraw>* draws) override;
  std::int32_t NewestIssue() const override;

 private:
  PageFetcher& fetcher_;
  std::string base_address_;
  bool fetched_ = false;
  Status file_status_;  // of the one fetch
  std::vector<SourcedDraw> file_;
};

}  // namespace brivo::acquire
