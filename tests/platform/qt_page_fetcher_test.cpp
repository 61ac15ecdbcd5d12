// The Qt page fetcher against a real HTTP server on loopback.

#include "platform/qt/qt_page_fetcher.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTcpSocket>
#include <QTimer>
#include <string>
#include <vector>

#include "testing/loopback_http_server.h"

namespace brivo {
namespace {

using testing::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;

// The same text in UTF-8 and in GBK bytes.
const std::string kText = "双色球第2016001期开奖号码：红球 蓝球";
const std::string kGbkText =
    "\xcb\xab\xc9\xab\xc7\xf2\xb5\xda\x32\x30\x31\x36\x30\x30\x31\xc6\xda\xbf\xaa\xbd\xb1\xba\xc5"
    "\xc2\xeb\xa3\xba\xba\xec\xc7\xf2\x20\xc0\xb6\xc7\xf2";

Response Page(std::string body, std::string content_type = "text/html; charset=utf-8") {
  Response r;
  r.body = std::move(body);
  r.content_type = std::move(content_type);
  return r;
}

class QtPageFetcherTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.Start()); }
  std::string Url(const std::string& path) const { return server_.BaseUrl() + path; }
  void Serve(Response response) {
    server_.SetHandler([response](const std::string&) { return response; });
  }

  LoopbackHttpServer server_;
  // Long enough for a loaded machine; only the time-out tests wait for it.
  QtPageFetcher fetcher_{10000};
};

TEST_F(QtPageFetcherTest, Utf8PageComesBackAsIs) {
  Serve(Page("<html><body>" + kText + "</body></html>"));
  std::string body;
  ASSERT_TRUE(fetcher_.Fetch(Url("/"), &body).ok());
  EXPECT_EQ(body, "<html><body>" + kText + "</body></html>");
}

TEST_F(QtPageFetcherTest, GbkNamedInTheHeaderIsDecoded) {
  Serve(Page("<html><body>" + kGbkText + "</body></html>", "text/html; charset=gbk"));
  std::string body;
  ASSERT_TRUE(fetcher_.Fetch(Url("/"), &body).ok());
  EXPECT_EQ(body, "<html><body>" + kText + "</body></html>");
}

TEST_F(QtPageFetcherTest, QuotedUpperCaseCharsetInTheHeaderIsDecoded) {
  Serve(Page(kGbkText, "text/html;charset=\"GB18030\""));
  std::string body;
  ASSERT_TRUE(fetcher_.Fetch(Url("/"), &body).ok());
  EXPECT_EQ(body, kText);
}

TEST_F(QtPageFetcherTest, MetaCharsetIsUsedWhenTheHeaderNamesNone) {
  const std::string head = "<html><head><meta charset=\"gb2312\"><title>t</title></head>";
  Serve(Page(head + "<body>" + kGbkText + "</body></html>", "text/html"));
  std::string body;
  ASSERT_TRUE(fetcher_.Fetch(Url("/"), &body).ok());
  EXPECT_EQ(body, head + "<body>" + kText + "</body></html>");
}

TEST_F(QtPageFetcherTest, MetaHttpEquivCharsetIsUsed) {
  const std::string head =
      "<html><head><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GBK\">"
      "</head>";
  Serve(Page(head + kGbkText, ""));
  std::string body;
  ASSERT_TRUE(fetcher_.Fetch(Url("/"), &body).ok());
  EXPECT_EQ(body, head + kText);
}

TEST_F(QtPageFetcherTest, PageLabelledGb2312MayUseGbkCharacters) {
  // U+9555 is in GBK but not in GB2312; pages labelled GB2312 use such characters anyway.
  Serve(Page("\xe9\x46", "text/html; charset=gb2312"));
  std::string body;
  ASSERT_TRUE(fetcher_.Fetch(Url("/"), &body).ok());
  EXPECT_EQ(body, "镕");
}

TEST_F(QtPageFetcherTest, UnknownCharsetFallsBackToUtf8) {
  Serve(Page(kText, "text/html; charset=no-such-charset"));
  std::string body;
  ASSERT_TRUE(fetcher_.Fetch(Url("/"), &body).ok());
  EXPECT_EQ(body, kText);
}

TEST_F(QtPageFetcherTest, BytesInvalidInTheirCharsetBecomeReplacementCharacters) {
  const std::string replacement = "\xef\xbf\xbd";
  Serve(
      Page("ab\xff\xfe"
           "cd\xe5\x8f"));
  std::string body;
  ASSERT_TRUE(fetcher_.Fetch(Url("/"), &body).ok());
  EXPECT_EQ(body.substr(0, 2), "ab");
  EXPECT_NE(body.find(replacement + "cd"), std::string::npos);

  Serve(
      Page("\xcb\xab\xff\xff"
           "ab\xcb",
           "text/html; charset=gbk"));
  ASSERT_TRUE(fetcher_.Fetch(Url("/"), &body).ok());
  EXPECT_EQ(body.substr(0, 3), "双");
  EXPECT_NE(body.find(replacement), std::string::npos);
  EXPECT_NE(body.find("ab"), std::string::npos);
}

TEST_F(QtPageFetcherTest, LargePageComesBackWhole) {
  std::string page;
  while (page.size() < 1000000) page += kText + "\n";
  Serve(Page(page));
  std::string body;
  ASSERT_TRUE(fetcher_.Fetch(Url("/big"), &body).ok());
  EXPECT_EQ(body, page);
}

TEST_F(QtPageFetcherTest, EmptyPageIsEmpty) {
  Serve(Page(""));
  std::string body = "stale";
  ASSERT_TRUE(fetcher_.Fetch(Url("/"), &body).ok());
  EXPECT_EQ(body, "");
}

TEST_F(QtPageFetcherTest, NotFoundFailsWithTheCode) {
  Response r = Page("no such page");
  r.status = 404;
  Serve(r);
  std::string body;
  const Status s = fetcher_.Fetch(Url("/missing"), &body);
  EXPECT_EQ(s.code(), Status::Code::kIoError);
  EXPECT_NE(s.message().find("404"), std::string::npos) << s.message();
}

TEST_F(QtPageFetcherTest, ServerErrorFailsWithTheCode) {
  Response r = Page("broken");
  r.status = 500;
  Serve(r);
  std::string body;
  const Status s = fetcher_.Fetch(Url("/"), &body);
  EXPECT_EQ(s.code(), Status::Code::kIoError);
  EXPECT_NE(s.message().find("500"), std::string::npos) << s.message();
}

TEST_F(QtPageFetcherTest, RedirectIsFollowed) {
  server_.SetHandler([](const std::string& target) {
    if (target == "/old?year=2016") {
      Response r = Page("moved");
      r.status = 302;
      r.location = "/new?year=2016";
      return r;
    }
    return Page(kText);
  });
  std::string body;
  ASSERT_TRUE(fetcher_.Fetch(Url("/old?year=2016"), &body).ok());
  EXPECT_EQ(body, kText);
  EXPECT_EQ(server_.Requests(), (std::vector<std::string>{"/old?year=2016", "/new?year=2016"}));
}

TEST_F(QtPageFetcherTest, EndlessRedirectsFail) {
  server_.SetHandler([](const std::string&) {
    Response r;
    r.status = 302;
    r.location = "/again";
    return r;
  });
  std::string body;
  const Status s = fetcher_.Fetch(Url("/"), &body);
  EXPECT_EQ(s.code(), Status::Code::kIoError);
  EXPECT_FALSE(s.message().empty());
}

TEST_F(QtPageFetcherTest, ServerThatNeverAnswersTimesOut) {
  Response r;
  r.never_answer = true;
  Serve(r);
  QtPageFetcher fetcher(500);
  std::string body;
  const Status s = fetcher.Fetch(Url("/"), &body);
  EXPECT_EQ(s.code(), Status::Code::kIoError);
  EXPECT_NE(s.message().find("timed out"), std::string::npos) << s.message();
  EXPECT_GE(server_.RequestCount(), 1);
}

TEST_F(QtPageFetcherTest, ConnectionClosedWithoutAnswerFails) {
  Response r;
  r.close_without_answer = true;
  Serve(r);
  std::string body;
  const Status s = fetcher_.Fetch(Url("/"), &body);
  EXPECT_EQ(s.code(), Status::Code::kIoError);
  EXPECT_FALSE(s.message().empty());
}

TEST_F(QtPageFetcherTest, StoppedServerFails) {
  const std::string url = Url("/");
  server_.Stop();
  std::string body;
  const Status s = fetcher_.Fetch(url, &body);
  EXPECT_EQ(s.code(), Status::Code::kIoError);
  EXPECT_NE(s.message().find("refused"), std::string::npos) << s.message();
}

TEST_F(QtPageFetcherTest, SecondFetchAfterAFailureWorks) {
  QtPageFetcher fetcher(500);
  server_.SetHandler([this](const std::string&) {
    Response r = Page(kText);
    r.never_answer = server_.RequestCount() == 1;
    return r;
  });
  std::string body;
  EXPECT_FALSE(fetcher.Fetch(Url("/first"), &body).ok());
  ASSERT_TRUE(fetcher.Fetch(Url("/second"), &body).ok());
  EXPECT_EQ(body, kText);

  Response missing;
  missing.status = 404;
  Serve(missing);
  EXPECT_FALSE(fetcher.Fetch(Url("/third"), &body).ok());
  Serve(Page("again"));
  ASSERT_TRUE(fetcher.Fetch(Url("/fourth"), &body).ok());
  EXPECT_EQ(body, "again");
}

TEST_F(QtPageFetcherTest, PathAndQueryAreRecordedExactly) {
  Serve(Page("ok"));
  std::string body;
  const std::string target = "/lottery/draw/list/50?type=range&start=2016001&end=2016365";
  ASSERT_TRUE(fetcher_.Fetch(Url(target), &body).ok());
  EXPECT_EQ(server_.Requests(), std::vector<std::string>{target});
  EXPECT_EQ(server_.RequestCount(), 1);
}

TEST_F(QtPageFetcherTest, AddressThatIsNotHttpIsRefused) {
  std::string body;
  EXPECT_EQ(fetcher_.Fetch("file:///etc/hostname", &body).code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(fetcher_.Fetch("not an address", &body).code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(server_.RequestCount(), 0);
}

// The real sources are HTTPS: a loopback server with a certificate for 127.0.0.1.
class QtPageFetcherTlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the loopback HTTPS server would run on Wine's Schannel, which cannot serve "
                    "with a certificate and key from files (GnuTLS: data not available)";
#endif
    const std::string tls = std::string(BRIVO_TEST_DATA_DIR) + "/tls/";
    ASSERT_TRUE(server_.StartTls(tls + "loopback.crt", tls + "loopback.key"));
    server_.SetHandler([](const std::string&) { return Page(kText); });
    certificate_ = QSslCertificate::fromPath(QString::fromStdString(tls + "loopback.crt"));
    ASSERT_EQ(certificate_.size(), 1);
  }
  void TearDown() override { QSslConfiguration::setDefaultConfiguration(saved_); }

  LoopbackHttpServer server_;
  QList<QSslCertificate> certificate_;
  const QSslConfiguration saved_ = QSslConfiguration::defaultConfiguration();
};

TEST_F(QtPageFetcherTlsTest, PageFromAServerWithATrustedCertificate) {
  QSslConfiguration trusting = saved_;
  trusting.addCaCertificates(certificate_);
  QSslConfiguration::setDefaultConfiguration(trusting);
  QtPageFetcher fetcher(10000);
  std::string body;
  const Status s = fetcher.Fetch(server_.BaseUrl() + "/ssq_asc.txt", &body);
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_EQ(body, kText);
  EXPECT_EQ(server_.Requests(), std::vector<std::string>{"/ssq_asc.txt"});
}

TEST_F(QtPageFetcherTlsTest, CertificateNotTrustedFails) {
  QtPageFetcher fetcher(10000);
  std::string body;
  const Status s = fetcher.Fetch(server_.BaseUrl() + "/ssq_asc.txt", &body);
  EXPECT_EQ(s.code(), Status::Code::kIoError);
  EXPECT_NE(s.message().find("SSL handshake failed"), std::string::npos) << s.message();
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(server_.RequestCount(), 0);  // nothing was asked over the untrusted connection
}

// Runs the event loop until done() holds or limit_ms pass.
template <typename Done>
void SpinUntil(Done done, int limit_ms = 10000) {
  QEventLoop loop;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  limit.start(limit_ms);
  poll.start(5);
  if (!done()) loop.exec();
}

TEST_F(QtPageFetcherTest, ServerReadsARequestSentInPieces) {
  Serve(Page("pieces"));
  QTcpSocket client;
  QByteArray answer;
  bool closed = false;
  QObject::connect(&client, &QTcpSocket::readyRead, [&] { answer += client.readAll(); });
  QObject::connect(&client, &QTcpSocket::disconnected, [&] { closed = true; });
  client.connectToHost("127.0.0.1", static_cast<quint16>(std::stoi(server_.BaseUrl().substr(17))));
  SpinUntil([&] { return client.state() == QAbstractSocket::ConnectedState; });
  ASSERT_EQ(client.state(), QAbstractSocket::ConnectedState);
  client.write("GET /in/pie");
  SpinUntil([&] { return client.bytesToWrite() == 0; });
  SpinUntil([] { return false; }, 100);  // lets the server read the first piece on its own
  client.write("ces?x=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n");
  SpinUntil([&] { return client.bytesToWrite() == 0; });
  EXPECT_EQ(server_.RequestCount(), 0);
  client.write("\r\n");
  SpinUntil([&] { return closed; });
  EXPECT_EQ(server_.Requests(), std::vector<std::string>{"/in/pieces?x=1"});
  EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK\r\n")) << answer.toStdString();
  EXPECT_TRUE(answer.contains("Content-Length: 6\r\n"));
  EXPECT_TRUE(answer.contains("Connection: close\r\n"));
  EXPECT_TRUE(answer.endsWith("\r\n\r\npieces"));
}

}  // namespace
}  // namespace brivo

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QCoreApplication app(argc, argv);
  // Whatever the environment says, the tests talk to 127.0.0.1 directly.
  QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
