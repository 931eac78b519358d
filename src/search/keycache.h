#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "search/searchwalk.h"

namespace Duovue
{

/// A persistent store of what the search computes of each picture file, so that the next search
/// of an unchanged tree reads no picture: an SQLite database (Qt SQL's QSQLITE driver) in WAL mode.
///
/// One row per file: its path (in the file-name encoding), its FileIdentity and the day it was last
/// seen. Per file and per (kind, parameter) one entry: the version of the algorithm that computed
/// it, whether the file decoded, the picture's width and height, and the kind's own bytes, sealed
/// with a CRC-32 over all of it and the file's identity. An entry is used only when the file's
/// identity is the stored one and the version is the asked one; a file whose identity changed
/// loses every entry when its new ones are written, in the same transaction, so an entry is never
/// paired with another content than the one it was computed from.
///
/// The file is checked when opened (and, once a day, every page of it). A cache of an older layout
/// is made anew; a cache of ours that is damaged is set aside (renamed beside itself with a suffix)
/// and a new one started. Anything else at the path (a file that is not a cache of ours, one that
/// cannot be written, a link, which is never followed, a folder or a device) is left exactly as it
/// is, and the cache is not used. Writes are transactions that take the write lock first, so two
/// programs that use one cache at once, and an abort at any moment, leave a consistent cache.
///
/// Thread: one object per thread (Qt SQL connections belong to the thread that made them); several
/// objects, in one or more processes, may use one file at once.
class KeyCache final
{
public:
    /// What is kept of a file; the parameter says which variant (0 when there is one).
    enum Kind : int {
        Thumbnails = 1, // the bitmap method's ThumbnailSet of every precision (parameter 0)
        SimilarDescriptor = 2, // the similar method's descriptor
    };

    /// An entry as stored.
    struct Entry {
        bool decoded = false; // false: the file is not a picture Duovue decodes
        int width = 0;
        int height = 0;
        QByteArray data; // the kind's bytes, when decoded
    };

    /// What a search found of one file, to be stored.
    struct Record {
        QByteArray path; // in the file-name encoding
        FileIdentity identity;
        int kind = Thumbnails;
        int param = 0;
        qint64 version = 0;
        Entry entry;
    };

    struct Found {
        Entry entry;
        bool seenToday = false;
    };

    struct Stats {
        qint64 files = 0;
        qint64 entries = 0;
        qint64 bytesOnDisk = 0; // the database and its write-ahead log
        qint64 lastLookups = 0; // files the last search looked up (0: none recorded)
        qint64 lastHits = 0; // of them, found unchanged
    };

    /// Entries of files not seen for this many days are dropped.
    static constexpr int KeepDays = 90;

    /// The file named by DUOVUE_CACHE, else $XDG_CACHE_HOME/duovue/keys.db, else
    /// ~/.cache/duovue/keys.db.
    static QString defaultPath();
    /// Days since 1970 (UTC): the unit of "last seen".
    static int today();

    /// Opens the cache at @p path, creating it and its folder when missing, setting aside a damaged
    /// cache (see above) and starting a new one. Nothing is opened when the driver is missing, the
    /// folder cannot be made, the path holds anything but a usable cache of ours, the file is
    /// locked by another program for long or was made by a newer Duovue, or setting aside fails;
    /// the cache is then not used. Each of these
    /// events adds a line for the user to @p notices. With @p create false a missing file stays
    /// missing and nothing is opened. @p cancel cuts a wait for another program's lock short.
    static std::unique_ptr<KeyCache> open(
        const QString &path, QStringList &notices, bool create = true, const std::atomic<bool> *cancel = nullptr);
    /// Another connection to a cache that open() has just accepted, for a second thread: no checks.
    static std::unique_ptr<KeyCache> attach(const QString &path);

    ~KeyCache();
    KeyCache(const KeyCache &) = delete;
    KeyCache &operator=(const KeyCache &) = delete;

    /// The entry of @p path for (@p kind, @p param) in @p version, when the file's identity is
    /// still @p identity and the entry is intact; nothing otherwise (or on any error).
    std::optional<Found> find(
        const QByteArray &path, const FileIdentity &identity, int kind, int param, qint64 version);

    /// Writes @p records and marks the files of @p seen as seen today, in one transaction. Waits
    /// while another connection writes, until @p cancel is set or about ten seconds passed. False
    /// when nothing could be written.
    bool write(const std::vector<Record> &records,
        const std::vector<QByteArray> &seen,
        const std::atomic<bool> *cancel = nullptr);

    /// Records the figures of a search for stats(), and once a day drops the files not seen for
    /// KeepDays days.
    bool finishSearch(qint64 lookups, qint64 hits);

    Stats stats();
    /// Drops the files that no longer exist, or whose identity changed (their entries can never
    /// be used again), and gives the space back. Returns the number of files dropped, or -1.
    int prune();

    /// A query met a damaged file: the cache should be set aside once every connection is closed.
    bool damaged() const;
    QString path() const;

    /// Renames the key cache @p path (with its write-ahead log and shared-memory index) to a free
    /// name beside it ending in "." + @p reason + a time stamp. Only a regular file whose header
    /// says it is a cache of ours is moved; anything else at the path is left alone. Returns the
    /// new name, or an empty string and the reason in @p error.
    static QString setAside(const QString &path, const QString &reason, QString *error = nullptr);

private:
    struct Private;
    explicit KeyCache(std::unique_ptr<Private> d);

    std::unique_ptr<Private> d;
};

} // namespace Duovue
