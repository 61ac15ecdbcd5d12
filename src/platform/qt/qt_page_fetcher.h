#pragma once

#include <memory>

#include "platform/web/page_fetcher.h"

class QEventLoop;
class QNetworkAccessManager;

namespace brivo {

// Pages fetched with Qt Network, redirects followed, within a time limit, through the system's
// proxy settings (never for loopback addresses).
class QtPageFetcher final : public PageFetcher {
 public:
  explicit QtPageFetcher(int timeout_ms = 30000);
  ~QtPageFetcher() override;
  using PageFetcher::Fetch;
  Status Fetch(const std::string& url, const Headers& headers, std::string* body) override;
  void Cancel() override;

 private:
  int timeout_ms_;
  std::unique_ptr<QNetworkAccessManager> network_;
  QEventLoop* waiting_ = nullptr;  // the loop a fetch waits in
  bool cancelled_ = false;
};

}  // namespace brivo
