#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTcpServer;

namespace brivo::testing {

// A small HTTP/1.1 server on 127.0.0.1 for tests, one request per connection. It runs in the
// calling thread's event loop, which the page fetcher spins while it waits, so no thread is
// needed.
class LoopbackHttpServer {
 public:
  struct Response {
    int status = 200;
    std::string content_type = "text/html; charset=utf-8";  // no header when empty
    std::string body;
    bool never_answer = false;          // read the request, then keep the connection silent
    bool close_without_answer = false;  // read the request, then close the connection
    std::string location;               // a Location header, for redirects
    std::vector<std::string> headers;   // more header lines, such as "Set-Cookie: a=b"
  };
  // Given the request target exactly as sent ("/path?query"); it is recorded before the call.
  using Handler = std::function<Response(const std::string& path_and_query)>;

  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // Listens on an OS-chosen port; false when that fails.
  bool Start();
  // The same over TLS with the certificate and key of the PEM files (for 127.0.0.1).
  bool StartTls(const std::string& certificate_file, const std::string& key_file);
  // Stops listening (connections are then refused) and drops the open connections.
  void Stop();
  std::string BaseUrl() const;  // "http://127.0.0.1:PORT", or https
  // Without a handler every request gets a 404.
  void SetHandler(Handler handler) { handler_ = std::move(handler); }
  int RequestCount() const { return static_cast<int>(requests_.size()); }
  std::vector<std::string> Requests() const { return requests_; }
  // The header lines of each request ("Name: value"), in the order of Requests().
  std::vector<std::vector<std::string>> RequestHeaders() const { return headers_; }

 private:
  void Accept();

  std::unique_ptr<QTcpServer> server_;
  Handler handler_;
  std::vector<std::string> requests_;
  std::vector<std::vector<std::string>> headers_;
  int port_ = 0;
  bool tls_ = false;
};

}  // namespace brivo::testing
