#include "platform/qt/qt_page_fetcher.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/ascii.h"
#include "platform/base/gb_text.h"
#include "platform/base/log.h"

namespace brivo {
namespace {

// Pages name their charset near the top; browsers look at the first 1 KB, some pages need more.
constexpr qsizetype kMetaScanBytes = 2048;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The value after "charset" and "=" in text (a Content-Type value or a <meta> tag), unquoted;
// empty when there is none.
std::string CharsetParameter(std::string_view text) {
  const std::string lower = AsciiLower(text);
  for (size_t at = lower.find("charset"); at != std::string::npos;
       at = lower.find("charset", at + 1)) {
    size_t i = at + 7;
    while (i < lower.size() && IsSpace(lower[i])) ++i;
    if (i >= lower.size() || lower[i] != '=') continue;
    ++i;
    while (i < lower.size() && (IsSpace(lower[i]) || lower[i] == '"' || lower[i] == '\'')) ++i;
    size_t end = i;
    while (end < lower.size() &&
           (std::isalnum(static_cast<unsigned char>(lower[end])) || lower[end] == '-' ||
            lower[end] == '_' || lower[end] == '.' || lower[end] == ':')) {
      ++end;
    }
    if (end > i) return lower.substr(i, end - i);
  }
  return {};
}

// The charset named by the first <meta> tag of the page's head that names one.
std::string MetaCharset(const QByteArray& body) {
  const std::string head = AsciiLower(std::string_view(
      body.constData(), static_cast<size_t>(std::min(body.size(), kMetaScanBytes))));
  for (size_t at = head.find("<meta"); at != std::string::npos; at = head.find("<meta", at + 5)) {
    const size_t end = head.find('>', at);
    const std::string charset = CharsetParameter(
        std::string_view(head).substr(at, end == std::string::npos ? end : end - at));
    if (!charset.empty()) return charset;
  }
  return {};
}

// Pages labelled GB2312 or GBK routinely use characters only GBK has; GB18030 decodes all of
// them the same way (as browsers do).
std::string DecoderName(const std::string& label) {
  static const char* const kGbLabels[] = {"gb2312",      "gbk",     "x-gbk",     "gb_2312-80",
                                          "csgb2312",    "chinese", "iso-ir-58", "cp936",
                                          "windows-936", "ms936",   "euc-cn"};
  for (const char* gb : kGbLabels) {
    if (label == gb) return "GB18030";
  }
  return label;
}

// The body in UTF-8: a byte order mark decides first, then the Content-Type header, then a
// <meta> tag, else UTF-8. Bytes invalid in the charset become U+FFFD.
std::string DecodeBody(const QByteArray& body, const QString& content_type) {
  QByteArray bytes = body;
  std::string name;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    name = "UTF-8";
  } else if (bytes.startsWith("\xFF\xFE")) {
    name = "UTF-16LE";
  } else if (bytes.startsWith("\xFE\xFF")) {
    name = "UTF-16BE";
  }
  std::vector<std::string> candidates;
  if (!name.empty()) {
    candidates.push_back(name);
  } else {
    const std::string from_header = CharsetParameter(content_type.toStdString());
    if (!from_header.empty()) candidates.push_back(from_header);
    const std::string from_meta = MetaCharset(bytes);
    if (!from_meta.empty()) candidates.push_back(from_meta);
  }
  for (const std::string& label : candidates) {
#ifdef _WIN32
    if (DecoderName(label) == "GB18030" || label == "gb18030") {
      return DecodeGb18030(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
#endif
    QStringDecoder decoder(DecoderName(label).c_str(), QStringConverter::Flag::Stateless);
    if (decoder.isValid()) {
      const QString text = decoder(bytes);
      return text.toStdString();
    }
    LogWarning("page charset \"" + label + "\" is unknown; trying the next hint or UTF-8");
  }
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  const QString text = utf8(bytes);
  return text.toStdString();
}

// The system's proxy settings (Qt leaves them unused unless asked), except for this computer's
// own addresses, which no proxy can reach.
class SystemProxies final : public QNetworkProxyFactory {
 public:
  QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
    const QString host = query.peerHostName();
    if (host.compare("localhost", Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback()) {
      return {QNetworkProxy(QNetworkProxy::NoProxy)};
    }
    return systemProxyForQuery(query);
  }
};

}  // namespace

QtPageFetcher::QtPageFetcher(int timeout_ms) : timeout_ms_(std::max(timeout_ms, 1)) {}

QtPageFetcher::~QtPageFetcher() = default;

// Called from a handler of the window's events, which the waiting loop runs.
void QtPageFetcher::Cancel() {
  cancelled_ = true;
  if (waiting_ != nullptr) waiting_->quit();
}

Status QtPageFetcher::Fetch(const std::string& url, const Headers& headers, std::string* body) {
  body->clear();
  const QUrl qurl(QString::fromStdString(url), QUrl::StrictMode);
  const QString scheme = qurl.scheme().toLower();
  if (!qurl.isValid() || (scheme != "http" && scheme != "https") || qurl.host().isEmpty()) {
    return Status::InvalidArgument("not an http(s) address: " + url);
  }
  // Without an application object there is no event dispatcher, and the wait would never end.
  if (QCoreApplication::instance() == nullptr) {
    return Status::IoError("fetching " + url + ": no Qt application object to wait in");
  }
  // Created on first use so the manager lives in the thread that fetches.
  if (network_ == nullptr) {
    network_ = std::make_unique<QNetworkAccessManager>();
    network_->setProxyFactory(new SystemProxies);  // the manager owns it
  }

  QNetworkRequest request(qurl);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  for (const auto& [name, value] : headers) {
    request.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
  }
  std::unique_ptr<QNetworkReply> reply(network_->get(request));

  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire up to 5% early
  bool timed_out = false;
  QObject::connect(&timer, &QTimer::timeout, &loop, [&loop, &timed_out] {
    timed_out = true;
    loop.quit();
  });
  cancelled_ = false;
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  timer.start(timeout_ms_);
  waiting_ = &loop;
  if (!reply->isFinished()) loop.exec();
  waiting_ = nullptr;
  timer.stop();

  if (!reply->isFinished()) {
    // abort() finishes the reply at once; the loop it would quit has already returned.
    QObject::disconnect(reply.get(), nullptr, &loop, nullptr);
    reply->abort();
    if (cancelled_) return Status::IoError("fetching " + url + ": cancelled");
    if (timed_out) {
      return Status::IoError("fetching " + url + ": timed out after " +
                             std::to_string(timeout_ms_) + " ms");
    }
    // Only the application quitting ends every event loop early.
    return Status::IoError("fetching " + url + ": cancelled, the application is quitting");
  }

  const int http_status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (http_status >= 400) {
    const QString reason =
        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
    return Status::IoError("fetching " + url + ": HTTP " + std::to_string(http_status) +
                           (reason.isEmpty() ? "" : " " + reason.toStdString()));
  }
  // A redirect still here was not followed: no target, or one less safe than the page.
  if (http_status >= 300) {
    return Status::IoError("fetching " + url + ": HTTP " + std::to_string(http_status) +
                           " redirect not followed (" + reply->errorString().toStdString() + ")");
  }
  if (reply->error() != QNetworkReply::NoError) {
    return Status::IoError("fetching " + url + ": " + reply->errorString().toStdString());
  }
  *body =
      DecodeBody(reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toString());
  return Status::Ok();
}

}  // namespace brivo
