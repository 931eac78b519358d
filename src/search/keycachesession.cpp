#include "search/keycachesession.h"

#include <chrono>

#include <QDir>

#include "core/nativepath.h"

namespace Duovue
{

namespace
{

// Entries per transaction: large enough that a commit's cost spreads thin, small enough that an
// abort loses little and another program's writes are not held up.
constexpr std::size_t Batch = 64;

} // namespace

KeyCacheSession::KeyCacheSession(
    const QString &path, KeyCache::Kind kind, int n, int settleMs, const std::atomic<bool> *cancel)
    : m_path(path)
    , m_kind(kind)
    , m_n(n)
    , m_cancel(cancel)
{
    const auto now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch());
    m_settledBeforeNs = qint64(now.count()) - qint64(settleMs) * 1000000;
    m_cache = KeyCache::open(path, m_report.notices, true, cancel);
    if (!m_cache)
        return;
    m_report.used = true;
    m_writer = std::thread([this] {
        writerLoop();
    });
}

KeyCacheSession::~KeyCacheSession()
{
    finish();
}

qint64 KeyCacheSession::version() const
{
    return m_kind == KeyCache::Thumbnails ? ThumbnailSet::Version : SimilarDescriptor::Version;
}

std::optional<PictureKeys> KeyCacheSession::find(const GatheredFile &file)
{
    if (!m_cache || !file.regular || m_broken.load(std::memory_order_relaxed))
        return std::nullopt;
    ++m_report.lookups;
    const QByteArray native = NativePath::encode(file.path());
    const std::optional<KeyCache::Found> found = m_cache->find(native, file.identity, m_kind, 0, version());
    if (m_cache->damaged()) {
        m_broken.store(true);
        return std::nullopt;
    }
    if (!found)
        return std::nullopt;
    const KeyCache::Entry &entry = found->entry;
    PictureKeys keys;
    keys.settled = true;
    keys.bitmap.outcome = BitmapKey::Outcome::Undecodable;
    if (entry.decoded && m_kind == KeyCache::Thumbnails) {
        const std::optional<ThumbnailSet> set = ThumbnailSet::fromBytes(entry.data);
        if (!set)
            return std::nullopt;
        keys.thumbnails = *set;
        keys.bitmap = set->key(m_n, entry.width, entry.height);
    } else if (entry.decoded) {
        keys.similar = SimilarDescriptor::fromCompactBytes(entry.data);
        if (!keys.similar)
            return std::nullopt;
        keys.bitmap.outcome = BitmapKey::Outcome::Ok;
        keys.bitmap.width = entry.width;
        keys.bitmap.height = entry.height;
    }
    ++m_report.hits;
    if (!found->seenToday) {
        std::lock_guard lock(m_mutex);
        m_seen.push_back(native);
        if (m_seen.size() >= Batch)
            m_wake.notify_one();
    }
    return keys;
}

void KeyCacheSession::store(const QString &path, const FileIdentity &identity, const PictureKeys &keys)
{
    if (!m_cache || !keys.settled || identity.changedNs >= m_settledBeforeNs
        || m_broken.load(std::memory_order_relaxed))
        return;
    KeyCache::Record record;
    record.path = NativePath::encode(path);
    record.identity = identity;
    record.kind = m_kind;
    record.version = version();
    record.entry.decoded = keys.bitmap.outcome == BitmapKey::Outcome::Ok;
    if (record.entry.decoded) {
        record.entry.width = keys.bitmap.width;
        record.entry.height = keys.bitmap.height;
        if (m_kind == KeyCache::Thumbnails)
            record.entry.data = keys.thumbnails.bytes();
        else if (keys.similar)
            record.entry.data = keys.similar->toCompactBytes();
        if (record.entry.data.isEmpty())
            return; // the maker was not asked for what this cache keeps
    }
    std::lock_guard lock(m_mutex);
    m_pending.push_back(std::move(record));
    if (m_pending.size() >= Batch)
        m_wake.notify_one();
}

void KeyCacheSession::writerLoop()
{
    std::unique_ptr<KeyCache> cache = KeyCache::attach(m_path);
    if (!cache)
        m_writerNotices << QStringLiteral("the key cache %1 cannot be written").arg(QDir::toNativeSeparators(m_path));
    for (;;) {
        std::vector<KeyCache::Record> records;
        std::vector<QByteArray> seen;
        bool last = false;
        {
            std::unique_lock lock(m_mutex);
            // A batch, or what has come within a second, or the end.
            m_wake.wait_for(lock, std::chrono::seconds(1), [this] {
                return m_finishing || m_pending.size() >= Batch || m_seen.size() >= Batch;
            });
            records.swap(m_pending);
            seen.swap(m_seen);
            last = m_finishing;
        }
        if (records.empty() && seen.empty()) {
            if (last)
                break;
            continue;
        }
        const bool cancelled = m_cancel && m_cancel->load();
        if (!cache || cancelled || m_broken.load()) {
            m_dropped += static_cast<int>(records.size());
        } else if (cache->write(records, seen, m_cancel)) {
            m_stored += static_cast<int>(records.size());
        } else {
            m_dropped += static_cast<int>(records.size());
            if (cache->damaged())
                m_broken.store(true);
        }
        if (last)
            break;
    }
}

KeyCacheReport KeyCacheSession::finish()
{
    if (m_finished)
        return m_report;
    m_finished = true;
    if (m_writer.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_finishing = true;
        }
        m_wake.notify_one();
        m_writer.join();
    }
    const bool cancelled = m_cancel && m_cancel->load();
    if (m_cache) {
        if (!m_broken.load() && !cancelled && !m_cache->finishSearch(m_report.lookups, m_report.hits)
            && m_cache->damaged())
            m_broken.store(true);
        m_cache.reset();
    }
    m_report.notices << m_writerNotices;
    m_report.stored = m_stored;
    if (m_broken.load()) {
        // Every connection is closed now, so the file can be moved; the next search starts anew.
        QString error;
        const QString moved = KeyCache::setAside(m_path, QStringLiteral("damaged"), &error);
        const QString shown = QDir::toNativeSeparators(m_path);
        m_report.notices << (moved.isEmpty()
                ? QStringLiteral("the key cache %1 is damaged and cannot be set aside: %2").arg(shown, error)
                : QStringLiteral("the key cache %1 is damaged; it was set aside as %2")
                      .arg(shown, QDir::toNativeSeparators(moved)));
    } else if (m_dropped > 0 && !cancelled) {
        m_report.notices << QStringLiteral("%1 keys could not be written to the key cache %2 (busy or unwritable)")
                                .arg(m_dropped)
                                .arg(QDir::toNativeSeparators(m_path));
    }
    return m_report;
}

} // namespace Duovue
