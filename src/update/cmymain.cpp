#include "update/cmymain.h"

#include <algorithm>
#include <limits>

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrlQuery>

namespace Duovue
{

namespace
{

// The desktop's proxy settings (http_proxy, no_proxy and the like) for this manager only, without
// changing the application-wide proxy.
class SystemProxyFactory final : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override { return systemProxyForQuery(query); }
};

bool isTrailingSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

QString stripTrailingSlashes(QString path)
{
    while (path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

UpdateAnswer UpdateAnswer::fromLine(const QByteArray &firstLine)
{
    UpdateAnswer answer;
    QByteArray line = firstLine.left(CMyMain::MaxLineLength);
    const qsizetype newline = line.indexOf('\n');
    if (newline >= 0)
        line.truncate(newline);
    if (!line.startsWith(CMyMain::applicationName().toLatin1())) {
        answer.kind = Kind::NoVersionInformation;
        return answer;
    }
    const qsizetype dash = line.indexOf('-');
    QByteArray text = dash < 0 ? line : line.mid(dash + 1);
    while (!text.isEmpty() && isTrailingSpace(text.back()))
        text.chop(1);
    // Leading digits; an absurdly long number saturates rather than wraps.
    qint64 value = 0;
    for (const char c : std::as_const(text)) {
        if (c < '0' || c > '9')
            break;
        value = std::min<qint64>(value * 10 + (c - '0'), std::numeric_limits<int>::max());
    }
    answer.version = int(value);
    // A version the user is shown is digits and nothing else: the answer ends up in a message box,
    // and whatever a server (or anyone between it and us) appends must not reach it as markup.
    const bool digitsOnly = std::all_of(text.cbegin(), text.cend(), [](char c) {
        return c >= '0' && c <= '9';
    });
    if (answer.version > CMyMain::OwnVersion && !digitsOnly) {
        answer.kind = Kind::NoVersionInformation;
        return answer;
    }
    QString display = QString::fromUtf8(text);
    display.insert(std::max<qsizetype>(display.size() - 2, 0), u'.');
    answer.displayVersion = display;
    answer.kind = answer.version <= CMyMain::OwnVersion ? Kind::NoUpdate : Kind::NewerVersion;
    return answer;
}

CMyMain::CMyMain(const QString &baseUrl, QObject *parent)
    : QObject(parent)
    , m_base(baseUrl)
    , m_manager(new QNetworkAccessManager(this))
    , m_timer(new QTimer(this))
{
    qRegisterMetaType<Duovue::UpdateAnswer>();
    m_manager->setProxyFactory(new SystemProxyFactory);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CMyMain::timedOut);
}

CMyMain::~CMyMain()
{
    abort();
}

QUrl CMyMain::requestUrl() const
{
    QUrl url(m_base);
    url.setPath(stripTrailingSlashes(url.path()) + QStringLiteral("/cgi/upcheck.cgi"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("app"), applicationName());
    query.addQueryItem(QStringLiteral("ver"), QString::number(OwnVersion));
    url.setQuery(query);
    return url;
}

QUrl CMyMain::productPageUrl() const
{
    QUrl url(m_base);
    url.setPath(stripTrailingSlashes(url.path()) + QStringLiteral("/duovue.html"));
    return url;
}

void CMyMain::check()
{
    if (isRunning())
        return;
    m_line.clear();
    m_lineComplete = false;

    QNetworkRequest request(requestUrl());
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_reply = m_manager->get(request);
    // Only the first line is wanted; a server that streams more cannot fill the memory.
    m_reply->setReadBufferSize(4096);
    connect(m_reply, &QNetworkReply::readyRead, this, &CMyMain::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &CMyMain::replyFinished);
    m_timer->start(m_timeout);
}

void CMyMain::abort()
{
    m_timer->stop();
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void CMyMain::readAvailable()
{
    if (!m_reply || m_lineComplete)
        return;
    while (m_reply->bytesAvailable() > 0) {
        const QByteArray chunk = m_reply->read(MaxLineLength + 1 - m_line.size());
        if (chunk.isEmpty())
            break;
        m_line += chunk;
        const qsizetype newline = m_line.indexOf('\n');
        if (newline >= 0 || m_line.size() >= MaxLineLength) {
            m_lineComplete = true;
            finish(UpdateAnswer::fromLine(m_line));
            return;
        }
    }
}

void CMyMain::replyFinished()
{
    if (!m_reply)
        return;
    readAvailable();
    if (!m_reply)
        return; // the first line completed the check
    // Any HTTP answer counts as an answer, an error page included; only no answer at all is a
    // connection error.
    if (m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        finish(UpdateAnswer::fromLine(m_line));
        return;
    }
    UpdateAnswer answer;
    answer.kind = UpdateAnswer::Kind::ConnectionError;
    answer.detail = m_reply->errorString();
    finish(answer);
}

void CMyMain::timedOut()
{
    UpdateAnswer answer;
    answer.kind = UpdateAnswer::Kind::ConnectionError;
    answer.detail = QStringLiteral("No answer within %1 ms").arg(m_timeout.count());
    finish(answer);
}

void CMyMain::finish(const UpdateAnswer &answer)
{
    abort();
    Q_EMIT finished(answer);
}

} // namespace Duovue
