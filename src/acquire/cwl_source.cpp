#include "acquire/cwl_source.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace brivo::acquire {
namespace {

// The service keeps about 20 pages of 100 draws (back to 2013001); more is not its answer.
constexpr int kMostPages = 60;

// A whole number of 1 to `digits` decimal digits, or -1.
int Decimal(const QString& text, int digits) {
  if (text.isEmpty() || text.size() > digits) return -1;
  int value = 0;
  for (QChar c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c.unicode() - '0');
  }
  return value;
}

// The numbers of a record; zeros when they make no valid draw.
store::DrawNumbers NumbersOf(const QJsonObject& record) {
  const QStringList reds = record.value("red").toString().split(',');
  store::DrawNumbers numbers{};
  if (reds.size() != 6) return numbers;
  for (std::size_t k = 0; k < 6; ++k) numbers[k] = Decimal(reds[static_cast<qsizetype>(k)], 2);
  numbers[6] = Decimal(record.value("blue").toString(), 2);
  return IsValidDraw(numbers) ? numbers : store::DrawNumbers{};
}

}  // namespace

Status ParseCwlNotices(const std::string& body, CwlNoticePage* page) {
  *page = CwlNoticePage{};
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(body), &error);
  if (!document.isObject()) {
    return Status::InvalidArgument("not a JSON answer (" + error.errorString().toStdString() + ")");
  }
  const QJsonObject top = document.object();
  const QJsonValue state = top.value("state");
  if (!state.isDouble() || state.toDouble() != 0) {
    const std::string shown = state.isDouble() ? std::to_string(state.toInt()) : "none";
    return Status::InvalidArgument("the service answered state " + shown + " (" +
                                   top.value("message").toString().toStdString() + ")");
  }
  if (!top.value("result").isArray()) return Status::InvalidArgument("the answer has no result");
  page->page_count = top.value("pageNum").toInt();
  page->page_no = top.value("pageNo").toInt();
  for (const QJsonValue& value : top.value("result").toArray()) {
    const QJsonObject record = value.toObject();
    const QString code = record.value("code").toString();
    if (code.size() != 7 || Decimal(code, 7) < 1000000) {
      *page = CwlNoticePage{};
      return Status::InvalidArgument("a record without a readable code");
    }
    page->draws.push_back({Decimal(code, 7), NumbersOf(record)});
  }
  return Status::Ok();
}

std::string CwlSource::PageAddress(int page_no) const {
  return base_address_ +
         "/cwl_admin/front/cwlkj/search/kjxx/findDrawNotice?name=ssq&systemType=PC&pageNo=" +
         std::to_string(page_no) + "&pageSize=100";
}

Status CwlSource::FetchPage(int page_no) {
  const std::string referer = base_address_ + "/ygkj/wqkjgg/ssq/";
  PageFetcher::Headers headers = {{"User-Agent", kBrowserUserAgent}};
  std::string body;
  // The service turns away callers that do not come the way a browser does.
  if (!referer_fetched_) {
    if (Status s = fetcher_.Fetch(referer, headers, &body); !s.ok()) return s;
    referer_fetched_ = true;
  }
  headers.insert(headers.end(), {{"Referer", referer},
                                 {"X-Requested-With", "XMLHttpRequest"},
                                 {"Accept", "application/json"}});
  if (Status s = fetcher_.Fetch(PageAddress(page_no), headers, &body); !s.ok()) return s;
  CwlNoticePage page;
  if (Status s = ParseCwlNotices(body, &page); !s.ok()) {
    return Status::InvalidArgument(PageAddress(page_no) + ": " + s.message());
  }
  // A page that brings nothing older ends the paging, as does the last page: the service may
  // answer every page number with the same draws.
  const bool older =
      !page.draws.empty() && (pages_.empty() || page.draws.back().issue < pages_.back().issue);
  if (older) pages_.insert(pages_.end(), page.draws.begin(), page.draws.end());
  pages_fetched_ = page_no;
  exhausted_ = !older || page_no >= std::min(page.page_count, kMostPages);
  return Status::Ok();
}

Status CwlSource::YearDraws(int year, std::int32_t from_issue, std::vector<SourcedDraw>* draws) {
  draws->clear();
  // Range parameters may be ignored by the service: page on until from_issue is covered.
  auto covered = [&] { return !pages_.empty() && pages_.back().issue <= from_issue; };
  while (unreachable_.ok() && !exhausted_ && !covered()) {
    unreachable_ = FetchPage(pages_fetched_ + 1);
  }
  if (!unreachable_.ok() && !covered()) return unreachable_;
  for (auto it = pages_.rbegin(); it != pages_.rend(); ++it) {
    if (it->issue / 1000 == year) draws->push_back(*it);
  }
  return Status::Ok();
}

std::int32_t CwlSource::NewestIssue() const { return pages_.empty() ? 0 : pages_.front().issue; }

}  // namespace brivo::acquire
