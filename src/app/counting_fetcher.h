#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/web/page_fetcher.h"

namespace brivo {

// A page fetcher that passes every call on to another and tells of each page it has asked for
// once the answer (or the failure) is in: what a progress bar moves with.
class CountingFetcher final : public PageFetcher {
 public:
  // REQUIRES: `inner` outlives this fetcher.
  CountingFetcher(PageFetcher& inner, std::function<void()> page_done)
      : inner_(inner), page_done_(std::move(page_done)) {}

  Status Fetch(const std::string& url, const Headers& headers, std::string* body) override {
    Status s = inner_.Fetch(url, headers, body);
    if (page_done_) page_done_();
    return s;
  }
  void Cancel() override { inner_.Cancel(); }

 private:
  PageFetcher& inner_;
  std::function<void()> page_done_;
};

}  // namespace brivo
