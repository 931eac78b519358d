#pragma once

#include <chrono>

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace Duovue
{

/// What the update server's answer means for the user.
struct UpdateAnswer {
    enum class Kind {
        ConnectionError, // no answer at all: refused, unknown host, time-out
        NoVersionInformation, // an answer that does not start with the program's name, or whose
                              // newer version is not plain digits
        NoUpdate, // the offered version is not newer
        NewerVersion // a newer version exists
    };
    Kind kind = Kind::ConnectionError;
    int version = 0;
    QString displayVersion; // "1.22"
    QString detail; // why a connection failed, for diagnostics

    /// Applies the answer rules to the first line of the response body.
    static UpdateAnswer fromLine(const QByteArray &line);
};

/// Asks the product's web server whether a newer version of the program exists: one GET of
/// "/cgi/upcheck.cgi?app=Duovue&ver=121" on the update host, whose first answer line
/// ("Duovue-122") is compared with the program's own version.
///
/// The request runs in the event loop, so the window stays responsive; it ends with finished()
/// after an answer, a failure or the time-out (15 s by default), whichever comes first. Never
/// follows redirects. Thread: GUI thread (it owns a QNetworkAccessManager).
class CMyMain final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMyMain)

public:
    static constexpr int OwnVersion = 121;
    static constexpr int MaxLineLength = 99;
    static constexpr std::chrono::milliseconds DefaultTimeout{15000};

    static QString applicationName() { return QStringLiteral("Duovue"); }
    static QByteArray userAgent() { return QByteArrayLiteral("Kestrel_UpChecker"); }

    /// @p baseUrl is the update host ("App"/"UpdateBase"), for example "https://duovue.example.org".
    explicit CMyMain(const QString &baseUrl, QObject *parent = nullptr);
    ~CMyMain() override;

    /// The endpoint asked: the base with the path "/cgi/upcheck.cgi" and the query app, ver.
    QUrl requestUrl() const;
    /// The product web page offered when a newer version exists: the base with "/duovue.html".
    QUrl productPageUrl() const;

    /// Bounds the whole request; tests pass a short value.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    /// Starts the check; does nothing while one is running.
    void check();
    bool isRunning() const { return !m_reply.isNull(); }
    /// Stops a running check without a finished() signal.
    void abort();

Q_SIGNALS:
    void finished(const Duovue::UpdateAnswer &answer);

private:
    void readAvailable();
    void replyFinished();
    void timedOut();
    void finish(const UpdateAnswer &answer);

    QString m_base;
    std::chrono::milliseconds m_timeout = DefaultTimeout;
    QNetworkAccessManager *m_manager = nullptr;
    QTimer *m_timer = nullptr;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_line;
    bool m_lineComplete = false;
};

} // namespace Duovue

Q_DECLARE_METATYPE(Duovue::UpdateAnswer)
