#include "search/searchdriver.h"

#include "core/logging.h"

namespace Duovue
{

SearchDriver::SearchDriver(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(50);
    connect(&m_timer, &QTimer::timeout, this, &SearchDriver::poll);
}

SearchDriver::~SearchDriver()
{
    cancel();
}

bool SearchDriver::start(const SearchParams &params)
{
    if (m_engine)
        return false;
    m_outcome = {};
    m_lastProgress = {};
    m_engine = std::make_unique<SearchEngine>(params);
    m_engine->start();
    m_timer.start();
    return true;
}

void SearchDriver::abort()
{
    if (m_engine)
        m_engine->abort();
}

void SearchDriver::cancel()
{
    m_timer.stop();
    if (m_engine) {
        m_engine->cancel();
        m_engine.reset(); // joins
    }
}

void SearchDriver::poll()
{
    if (!m_engine)
        return;
    const SearchProgress p = m_engine->progress();
    if (p.phase != m_lastProgress.phase || p.files != m_lastProgress.files || p.read != m_lastProgress.read
        || p.compared != m_lastProgress.compared || p.compareTotal != m_lastProgress.compareTotal) {
        m_lastProgress = p;
        Q_EMIT progressChanged(p);
    }
    if (!m_engine->isFinished())
        return;
    m_timer.stop();
    m_outcome = m_engine->takeOutcome();
    m_engine.reset();
    for (const QString &notice : m_outcome.cache.notices)
        qCWarning(lcSearch).noquote() << notice;
    // The result's message names only the first few.
    for (const UnreadFile &file : m_outcome.unreadable)
        qCWarning(lcSearch).noquote() << file.path + QStringLiteral(": ") + file.reason;
    Q_EMIT finished();
}

} // namespace Duovue
