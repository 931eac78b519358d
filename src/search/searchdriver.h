#pragma once

#include <memory>

#include <QObject>
#include <QTimer>

#include "search/searchengine.h"

namespace Duovue
{

/// Runs a SearchEngine for the GUI: starts it, polls its progress a few times a second (the
/// engine's threads never call into Qt objects) and reports on the GUI thread.
///
/// Thread: GUI thread (any thread with an event loop). Destroying the driver mid-run cancels the
/// search and waits for its threads.
class SearchDriver final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchDriver)

public:
    explicit SearchDriver(QObject *parent = nullptr);
    ~SearchDriver() override;

    /// Starts a search; false when one is running already.
    bool start(const SearchParams &params);
    bool isRunning() const { return m_engine != nullptr; }
    /// The abort button (see SearchEngine::abort).
    void abort();
    /// Stops and forgets the running search; finished() is not emitted.
    void cancel();

    /// Interval of the progress polling, in milliseconds.
    void setPollInterval(int ms) { m_timer.setInterval(ms); }

    SearchOutcome takeOutcome() { return std::move(m_outcome); }

Q_SIGNALS:
    /// Emitted when the shown figures change, at most once per poll.
    void progressChanged(const Duovue::SearchProgress &progress);
    /// The search ended; takeOutcome() returns its result.
    void finished();

private:
    void poll();

    std::unique_ptr<SearchEngine> m_engine;
    QTimer m_timer;
    SearchProgress m_lastProgress;
    SearchOutcome m_outcome;
};

} // namespace Duovue

Q_DECLARE_METATYPE(Duovue::SearchProgress)
