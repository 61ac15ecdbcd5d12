#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTcpServer;

namespace brivo::testing {

// A small HTTP server on 127.0.0.1 for tests. It runs in the calling thread's event loop, which
// the page fetcher spins while it waits, so no thread is needed.
class LoopbackHttpServer {
 public:
  struct Response {
    int status = 200;
    std::string content_type = "text/html; charset=utf-8";
    std::string body;
    bool never_answer = false;  // take the request, then say nothing
  };
  using Handler = std::function<Response(const std::string& path_and_query)>;

  LoopbackHttpServer();
  ~LoopbackHttpServer();
  bool Start();
  void Stop();
  std::string BaseUrl() const;  // "http://127.0.0.1:PORT"
  void SetHandler(Handler handler) { handler_ = std::move(handler); }
  const std::vector<std::string>& Requests() const { return requests_; }

 private:
  std::unique_ptr<QTcpServer> server_;
  Handler handler_;
  std::vector<std::string> requests_;
};

}  // namespace brivo::testing
