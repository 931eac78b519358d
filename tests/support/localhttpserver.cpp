#include "support/localhttpserver.h"

#include <memory>

#include <QTcpSocket>

namespace Duovue::Test
{

LocalHttpServer::LocalHttpServer()
{
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, &LocalHttpServer::serve);
}

QString LocalHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(serverPort());
}

QString LocalHttpServer::refusingBaseUrl()
{
    // A port just released by a listener is free, so a connection to it is refused at once.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

void LocalHttpServer::serve()
{
    while (QTcpSocket *socket = nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto head = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
            *head += socket->readAll();
            const qsizetype end = head->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            Request request;
            const QList<QByteArray> lines = head->first(end).split('\n');
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            request.target = requestLine.value(1);
            for (const QByteArray &line : lines) {
                if (line.toLower().startsWith("user-agent:"))
                    request.userAgent = line.mid(11).trimmed();
            }
            requests.append(request);
            head->clear();
            if (silent)
                return;
            const QByteArray reason = status == 200 ? "OK" : "Error";
            socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Type: text/plain\r\n"
                + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }
}

} // namespace Duovue::Test
