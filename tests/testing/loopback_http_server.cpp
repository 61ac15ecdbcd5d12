#include "testing/loopback_http_server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace brivo::testing {

LoopbackHttpServer::LoopbackHttpServer() : server_(std::make_unique<QTcpServer>()) {}

LoopbackHttpServer::~LoopbackHttpServer() { Stop(); }

bool LoopbackHttpServer::Start() {
  if (!server_->listen(QHostAddress::LocalHost, 0)) return false;
  QObject::connect(server_.get(), &QTcpServer::newConnection, server_.get(), [this] {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
      auto request = std::make_shared<QByteArray>();
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
        request->append(socket->readAll());
        const qsizetype end = request->indexOf("\r\n\r\n");
        if (end < 0) return;  // the headers are not all here yet
        const QList<QByteArray> line = request->left(request->indexOf("\r\n")).split(' ');
        const std::string target = line.size() >= 2 ? line[1].toStdString() : "";
        requests_.push_back(target);
        const Response response = handler_ ? handler_(target) : Response{404, "text/plain", ""};
        if (response.never_answer) return;
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " X\r\n";
        reply += "Content-Type: " + QByteArray::fromStdString(response.content_type) + "\r\n";
        reply += "Content-Length: " + QByteArray::number(qsizetype(response.body.size())) + "\r\n";
        if (response.status == 302) reply += "Location: /moved\r\n";
        reply += "Connection: close\r\n\r\n";
        reply += QByteArray::fromStdString(response.body);
        socket->write(reply);
        socket->disconnectFromHost();
      });
    }
  });
  return true;
}

void LoopbackHttpServer::Stop() {
  if (server_) server_->close();
}

std::string LoopbackHttpServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(server_->serverPort());
}

}  // namespace brivo::testing
