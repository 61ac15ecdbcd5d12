#pragma once

#include <memory>

#include "platform/page_fetcher.h"

class QNetworkAccessManager;

namespace brivo {

// Pages fetched with Qt Network, redirects followed, within a time limit.
class QtPageFetcher final : public PageFetcher {
 public:
  explicit QtPageFetcher(int timeout_ms = 30000);
  ~QtPageFetcher() override;
  Status Fetch(const std::string& url, std::string* body) override;

 private:
  int timeout_ms_;
  std::unique_ptr<QNetworkAccessManager> network_;
};

}  // namespace brivo
