#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/base/status.h"

namespace brivo {

// Fetches web pages over HTTP(S).
class PageFetcher {
 public:
  using Headers = std::vector<std::pair<std::string, std::string>>;

  virtual ~PageFetcher() = default;
  // Gets the page at url, sending the extra request headers, and returns its body decoded to
  // UTF-8 (from the charset the response or the page names; GBK and GB18030 included). Cookies
  // the server sets are sent back for the fetcher's life. While waiting the window's events are
  // processed; a page that has not arrived within the time limit, an HTTP error status, a
  // broken connection, a certificate that is not trusted or a Cancel fails (kIoError, with a
  // message naming the reason).
  virtual Status Fetch(const std::string& url, const Headers& headers, std::string* body) = 0;
  Status Fetch(const std::string& url, std::string* body) { return Fetch(url, {}, body); }
  // Makes the fetch under way, if any, fail at once; later fetches run as usual.
  virtual void Cancel() {}
};

}  // namespace brivo
