#include "testing/loopback_http_server.h"

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>

namespace brivo::testing {
namespace {

// Larger requests are answered 431; a test client never sends this much.
constexpr qsizetype kMaxRequestBytes = 64 * 1024;

QByteArray ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 307:
      return "Temporary Redirect";
    case 400:
      return "Bad Request";
    case 404:
      return "Not Found";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

QByteArray Serialize(const LoopbackHttpServer::Response& response) {
  QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + " " +
                   ReasonPhrase(response.status) + "\r\n";
  if (!response.content_type.empty()) {
    out += "Content-Type: " + QByteArray::fromStdString(response.content_type) + "\r\n";
  }
  if (!response.location.empty()) {
    out += "Location: " + QByteArray::fromStdString(response.location) + "\r\n";
  }
  for (const std::string& header : response.headers) {
    out += QByteArray::fromStdString(header) + "\r\n";
  }
  out += "Content-Length: " + QByteArray::number(static_cast<qsizetype>(response.body.size())) +
         "\r\n";
  out += "Connection: close\r\n\r\n";
  out += QByteArray::fromStdString(response.body);
  return out;
}

// Where the headers end (just past the blank line), or -1 while they have not all arrived.
qsizetype HeadersEnd(const QByteArray& request) {
  const qsizetype crlf = request.indexOf("\r\n\r\n");
  const qsizetype lf = request.indexOf("\n\n");
  if (crlf >= 0 && (lf < 0 || crlf < lf)) return crlf + 4;
  if (lf >= 0) return lf + 2;
  return -1;
}

// One connection's bytes so far; a request is answered once.
struct Connection {
  QByteArray received;
  bool handled = false;
};

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() : server_(std::make_unique<QTcpServer>()) {
  QObject::connect(server_.get(), &QTcpServer::newConnection, server_.get(), [this] { Accept(); });
}

LoopbackHttpServer::~LoopbackHttpServer() { Stop(); }

bool LoopbackHttpServer::Start() {
  if (server_->isListening()) return true;
  if (!server_->listen(QHostAddress(QHostAddress::LocalHost), 0)) return false;
  port_ = server_->serverPort();
  return true;
}

bool LoopbackHttpServer::StartTls(const std::string& certificate_file,
                                  const std::string& key_file) {
  QFile certificate(QString::fromStdString(certificate_file));
  QFile key(QString::fromStdString(key_file));
  if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly)) return false;
  QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
  configuration.setLocalCertificate(QSslCertificate(certificate.readAll(), QSsl::Pem));
  configuration.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa, QSsl::Pem));
  auto server = std::make_unique<QSslServer>();
  server->setSslConfiguration(configuration);
  server_ = std::move(server);
  // A TLS connection is pending only once its handshake is done, after newConnection.
  QObject::connect(server_.get(), &QTcpServer::pendingConnectionAvailable, server_.get(),
                   [this] { Accept(); });
  tls_ = true;
  return Start();
}

void LoopbackHttpServer::Stop() {
  server_->close();
  // deleteLater rather than delete: Stop may be called from a handler, inside a socket's signal.
  for (QTcpSocket* socket : server_->findChildren<QTcpSocket*>()) {
    socket->abort();
    socket->deleteLater();
  }
}

std::string LoopbackHttpServer::BaseUrl() const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_);
}

void LoopbackHttpServer::Accept() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    auto connection = std::make_shared<Connection>();
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, connection] {
      const QByteArray data = socket->readAll();
      if (connection->handled) return;  // a body or a pipelined request: ignored
      connection->received += data;
      const qsizetype end = HeadersEnd(connection->received);
      if (end < 0) {
        if (connection->received.size() > kMaxRequestBytes) {
          connection->handled = true;
          Response too_large;
          too_large.status = 431;
          too_large.content_type = "text/plain";
          socket->write(Serialize(too_large));
          socket->disconnectFromHost();
        }
        return;
      }
      connection->handled = true;
      qsizetype line_end = connection->received.indexOf('\n');
      QByteArray request_line = connection->received.left(line_end).trimmed();
      const QList<QByteArray> parts = request_line.split(' ');
      if (parts.size() != 3 || !parts[2].startsWith("HTTP/")) {
        Response bad;
        bad.status = 400;
        bad.content_type = "text/plain";
        socket->write(Serialize(bad));
        socket->disconnectFromHost();
        return;
      }
      const std::string target = parts[1].toStdString();
      requests_.push_back(target);
      std::vector<std::string> headers;
      for (const QByteArray& line : connection->received.left(end).split('\n').mid(1)) {
        if (!line.trimmed().isEmpty()) headers.push_back(line.trimmed().toStdString());
      }
      headers_.push_back(headers);
      Response response;
      if (handler_) {
        response = handler_(target);
      } else {
        response.status = 404;
        response.content_type = "text/plain";
      }
      // The handler may have stopped the server, which drops this connection.
      if (socket->state() != QAbstractSocket::ConnectedState) return;
      if (response.never_answer) return;
      if (response.close_without_answer) {
        socket->disconnectFromHost();
        return;
      }
      socket->write(Serialize(response));
      socket->disconnectFromHost();
    });
  }
}

}  // namespace brivo::testing
