#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

namespace Duovue::Test
{

/// A one-purpose HTTP server on 127.0.0.1 for tests: answers every request with a scripted status
/// and body, or, when silent, accepts the connection and never answers. Records each request's
/// target and user agent. Thread: the test's thread.
class LocalHttpServer final : public QTcpServer
{
public:
    struct Request {
        QByteArray target; // "/cgi/upcheck.cgi?app=Duovue&ver=121"
        QByteArray userAgent;
    };

    LocalHttpServer();

    /// "http://127.0.0.1:<port>"
    QString baseUrl() const;

    /// A base URL on which nothing listens: connections to it are refused.
    static QString refusingBaseUrl();

    int status = 200;
    QByteArray body;
    bool silent = false;
    QList<Request> requests;

private:
    void serve();
};

} // namespace Duovue::Test
