#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QString>
#include <QStringList>

#include "search/keycache.h"
#include "search/picturekeys.h"
#include "search/searchwalk.h"

namespace Duovue
{

/// What the key cache did for one search.
struct KeyCacheReport {
    bool used = false; // a cache was open for the search
    int lookups = 0; // files looked up
    int hits = 0; // of them, taken from the cache without a decode
    int stored = 0; // entries written
    QStringList notices; // for the user: a cache set aside, locked, unwritable, ...
};

/// The key cache as one search of the bitmap or the similar method uses it: the first keeps the
/// thumbnails of every precision (KeyCache::Thumbnails), the second the descriptor
/// (KeyCache::SimilarDescriptor). The search's coordinator looks every file up before it would hand
/// it to a decode worker, so a file found unchanged never reaches a worker; workers hand what they
/// decoded to this object's writer thread, which writes it in batches of one transaction each, off
/// the workers' way. A cache that fails during the search is given up for the rest of it (and set
/// aside at the end when it is damaged): the search goes on without it, and its result is the same.
///
/// Thread: made, used (find()) and finished on the search's coordinator thread; store() from any
/// thread. The destructor finishes.
class KeyCacheSession final
{
public:
    /// Opens the cache at @p path for entries of @p kind; @p n is the bitmap method's reduction
    /// size (which ThumbnailSet must cover). A file changed less than @p settleMs before the
    /// session began is decoded but not stored: a coarse file-system clock could give a change
    /// right after the decode the same time stamp. @p cancel (the search's cancel flag) cuts waits
    /// for another program's lock short.
    KeyCacheSession(const QString &path, KeyCache::Kind kind, int n, int settleMs, const std::atomic<bool> *cancel);
    ~KeyCacheSession();
    KeyCacheSession(const KeyCacheSession &) = delete;
    KeyCacheSession &operator=(const KeyCacheSession &) = delete;

    bool isOpen() const { return m_cache != nullptr; }

    /// What a decode of @p file would give (the bitmap key at n, or the descriptor, with the size;
    /// or the outcome of a file known not to decode) when the cache holds the file unchanged.
    std::optional<PictureKeys> find(const GatheredFile &file);
    /// Keeps what the decode of @p path (of @p identity, as the walk found it) gave.
    void store(const QString &path, const FileIdentity &identity, const PictureKeys &keys);
    /// Writes what is left and the search's figures, closes the cache and says what happened.
    KeyCacheReport finish();

private:
    void writerLoop();
    qint64 version() const;

    const QString m_path;
    const KeyCache::Kind m_kind;
    const int m_n;
    const std::atomic<bool> *m_cancel;
    qint64 m_settledBeforeNs = 0;
    std::unique_ptr<KeyCache> m_cache; // the coordinator's connection
    std::atomic<bool> m_broken{false};
    bool m_finished = false;
    KeyCacheReport m_report; // coordinator only

    // Handed to the writer, guarded by m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<KeyCache::Record> m_pending;
    std::vector<QByteArray> m_seen;
    bool m_finishing = false;
    // The writer's own; read after it was joined.
    int m_stored = 0;
    int m_dropped = 0;
    QStringList m_writerNotices;
    std::thread m_writer;
};

} // namespace Duovue
