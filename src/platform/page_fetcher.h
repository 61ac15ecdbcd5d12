#pragma once

#include <string>

#include "platform/status.h"

namespace brivo {

// Fetches web pages over HTTP(S).
class PageFetcher {
 public:
  virtual ~PageFetcher() = default;
  // Gets the page at url and returns its body decoded to UTF-8 (from the charset the response
  // or the page names; GBK and GB18030 included). While waiting the window's events are
  // processed; a page that has not arrived within the time limit, an HTTP error status or a
  // broken connection fails (kIoError, with a message naming the reason).
  virtual Status Fetch(const std::string& url, std::string* body) = 0;
};

}  // namespace brivo
