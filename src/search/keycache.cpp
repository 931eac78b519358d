#include "search/keycache.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include "core/nativepath.h"
#include "search/crc32.h"
#include "search/keycachefile.h"

namespace Duovue
{

using namespace KeyCacheFile;

namespace
{

// The layout of the tables; an older one is dropped and made anew, a newer one left alone.
constexpr int SchemaVersion = 3;
// Each wait for another connection's lock is this long; a write retries until WriteWaitMs.
constexpr int BusyTimeoutMs = 250;
constexpr int WriteWaitMs = 10000;

const QString Driver = QStringLiteral("QSQLITE");

std::atomic<int> s_connections{0};

// Files are found by a 64-bit FNV-1a hash of their path: its index holds 8 bytes a file where an
// index of the paths would hold each path a second time. The path is still compared, so two
// paths of one hash can never be taken for each other; the later one only replaces the earlier.
qint64 pathKey(const QByteArray &path)
{
    quint64 h = 0xcbf29ce484222325ULL;
    for (char c : path) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    return static_cast<qint64>(h);
}

void putLe32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

quint32 le32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return quint32(u[0]) | (quint32(u[1]) << 8) | (quint32(u[2]) << 16) | (quint32(u[3]) << 24);
}

// The seal binds an entry to the file it was computed from: a damaged byte, or an entry met under
// another identity, fails it.
quint32 seal(const QByteArray &body, const FileIdentity &id, int kind, int param, qint64 version)
{
    QByteArray all = body;
    for (quint64 v : {id.device,
             id.inode,
             id.size,
             quint64(id.modifiedNs),
             quint64(id.changedNs),
             quint64(kind),
             quint64(param),
             quint64(version)}) {
        putLe32(all, quint32(v));
        putLe32(all, quint32(v >> 32));
    }
    return Crc32::of(all);
}

// Stored form of an entry: decoded flag, width, height (4 bytes each, little-endian), the kind's
// bytes, then the seal.
QByteArray pack(const KeyCache::Record &r)
{
    QByteArray body;
    body.reserve(13 + r.entry.data.size() + 4);
    body.append(r.entry.decoded ? '\1' : '\0');
    putLe32(body, quint32(r.entry.width));
    putLe32(body, quint32(r.entry.height));
    if (r.entry.decoded)
        body.append(r.entry.data);
    putLe32(body, seal(body, r.identity, r.kind, r.param, r.version));
    return body;
}

std::optional<KeyCache::Entry> unpack(
    const QByteArray &stored, const FileIdentity &id, int kind, int param, qint64 version)
{
    if (stored.size() < 13)
        return std::nullopt;
    const QByteArray body = stored.left(stored.size() - 4);
    if (le32(stored.constData() + body.size()) != seal(body, id, kind, param, version))
        return std::nullopt;
    KeyCache::Entry e;
    e.decoded = body[0] == '\1';
    e.width = static_cast<int>(le32(body.constData() + 1));
    e.height = static_cast<int>(le32(body.constData() + 5));
    e.data = body.mid(9);
    return e;
}

// The identity stored in columns @p first to @p first + 4 of the current row.
FileIdentity identityFrom(const QSqlQuery &q, int first)
{
    FileIdentity id;
    id.device = quint64(q.value(first).toLongLong());
    id.inode = quint64(q.value(first + 1).toLongLong());
    id.size = quint64(q.value(first + 2).toLongLong());
    id.modifiedNs = q.value(first + 3).toLongLong();
    id.changedNs = q.value(first + 4).toLongLong();
    return id;
}

} // namespace

struct KeyCache::Private {
    QString path;
    QString name; // of the Qt SQL connection
    QSqlDatabase db;
    std::optional<QSqlQuery> find;
    bool damaged = false;

    ~Private()
    {
        find.reset();
        if (db.isValid())
            db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }

    bool exec(QSqlQuery &q)
    {
        if (q.exec())
            return true;
        if (problemOf(q.lastError()) == Problem::Damaged)
            damaged = true;
        return false;
    }

    bool exec(const QString &sql, Problem *problem = nullptr)
    {
        QSqlQuery q(db);
        if (q.exec(sql))
            return true;
        if (problem)
            *problem = problemOf(q.lastError());
        if (problemOf(q.lastError()) == Problem::Damaged)
            damaged = true;
        return false;
    }

    QVariant value(const QString &sql, Problem *problem = nullptr)
    {
        QSqlQuery q(db);
        if (q.exec(sql) && q.next())
            return q.value(0);
        if (problem)
            *problem = problemOf(q.lastError());
        return {};
    }

    // Takes the write lock, waiting while others hold it.
    bool begin(const std::atomic<bool> *cancel, Problem *problem = nullptr)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(WriteWaitMs);
        for (;;) {
            Problem p = Problem::None;
            if (exec(QStringLiteral("BEGIN IMMEDIATE"), &p))
                return true;
            if (p != Problem::Locked || (cancel && cancel->load()) || std::chrono::steady_clock::now() > until) {
                if (problem)
                    *problem = p;
                return false;
            }
        }
    }

    bool commit()
    {
        if (exec(QStringLiteral("COMMIT")))
            return true;
        exec(QStringLiteral("ROLLBACK"));
        return false;
    }

    qint64 meta(const QString &name)
    {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT value FROM meta WHERE name = ?"));
        q.addBindValue(name);
        return exec(q) && q.next() ? q.value(0).toLongLong() : -1;
    }

    bool setMeta(const QString &name, qint64 value)
    {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO meta(name, value) VALUES(?, ?)"));
        q.addBindValue(name);
        q.addBindValue(value);
        return exec(q);
    }

    bool connect()
    {
        name = QStringLiteral("duovue-keycache-%1").arg(s_connections.fetch_add(1));
        db = QSqlDatabase::addDatabase(Driver, name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        return db.open();
    }

    bool prepareFind()
    {
        find.emplace(db);
        find->setForwardOnly(true);
        return find->prepare(
            QStringLiteral("SELECT f.device, f.inode, f.size, f.mtime, f.ctime, f.seen, k.data "
                           "FROM files AS f JOIN keys AS k ON k.file = f.id "
                           "WHERE f.pathKey = ? AND f.path = ? AND k.kind = ? AND k.param = ? AND k.version = ?"));
    }

    Problem createTables()
    {
        for (const char *sql : {"DROP TABLE IF EXISTS keys",
                 "DROP TABLE IF EXISTS files",
                 "DROP TABLE IF EXISTS meta",
                 "CREATE TABLE files(id INTEGER PRIMARY KEY, pathKey INTEGER NOT NULL UNIQUE, path BLOB NOT NULL, "
                 "device INTEGER NOT NULL, "
                 "inode INTEGER NOT NULL, size INTEGER NOT NULL, mtime INTEGER NOT NULL, ctime INTEGER NOT NULL, "
                 "seen INTEGER NOT NULL)",
                 "CREATE TABLE keys(file INTEGER NOT NULL, kind INTEGER NOT NULL, param INTEGER NOT NULL, "
                 "version INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(file, kind, param)) WITHOUT ROWID",
                 "CREATE TABLE meta(name TEXT PRIMARY KEY, value INTEGER) WITHOUT ROWID"}) {
            Problem p = Problem::Other;
            if (!exec(QString::fromLatin1(sql), &p))
                return p;
        }
        Problem p = Problem::Other;
        if (!exec(QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId), &p)
            || !exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion), &p))
            return p;
        return Problem::None;
    }

    // What the file is: Problem::None for a cache of this layout or an empty file, which
    // @p fresh then tells.
    Problem identify(bool *fresh)
    {
        Problem p = Problem::Other;
        const QVariant app = value(QStringLiteral("PRAGMA application_id"), &p);
        const QVariant version = value(QStringLiteral("PRAGMA user_version"), &p);
        const QVariant tables = value(QStringLiteral("SELECT count(*) FROM sqlite_master"), &p);
        if (!app.isValid() || !version.isValid() || !tables.isValid())
            return p;
        *fresh = app.toLongLong() == 0 && tables.toLongLong() == 0;
        if (*fresh)
            return Problem::None;
        if (app.toLongLong() != ApplicationId)
            return Problem::Foreign;
        if (version.toInt() > SchemaVersion)
            return Problem::Newer;
        // An older layout is made anew: it is a cache.
        *fresh = version.toInt() < SchemaVersion;
        return Problem::None;
    }

    // Opens the connection and makes sure the file is a cache of this layout, making it one when
    // it is new. Nothing is written to a file that is not.
    Problem accept(const std::atomic<bool> *cancel)
    {
        if (!connect())
            return problemOf(db.lastError());
        bool fresh = false;
        Problem p = identify(&fresh);
        if (p != Problem::None)
            return p;
        // With 8 KiB pages an entry of any picture stays on its leaf: at 4 KiB a descriptor that
        // does not compress would spill into an overflow page of its own. Only a new file takes
        // it, and only before the vacuum mode is set.
        if (fresh && !exec(QStringLiteral("PRAGMA page_size = 8192"), &p))
            return p;
        // Free pages go back to the file system after a prune; only possible before any table.
        if (fresh && !exec(QStringLiteral("PRAGMA auto_vacuum = INCREMENTAL"), &p))
            return p;
        const QVariant mode = value(QStringLiteral("PRAGMA journal_mode = WAL"), &p);
        if (!mode.isValid())
            return p;
        if (mode.toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            return Problem::Unwritable;
        exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
        if (!begin(cancel, &p))
            return p;
        // Again under the write lock: another program may have made the tables meanwhile.
        p = identify(&fresh);
        if (p == Problem::None && fresh)
            p = createTables();
        if (p != Problem::None) {
            exec(QStringLiteral("ROLLBACK"));
            return p;
        }
        // Once a day every page is read: damage that no query has met yet is found here, before
        // it can cost a search its cache.
        const int day = KeyCache::today();
        if (meta(QStringLiteral("checked")) != day) {
            const QVariant check = value(QStringLiteral("PRAGMA quick_check"), &p);
            if (!check.isValid() || check.toString() != QLatin1String("ok")) {
                exec(QStringLiteral("ROLLBACK"));
                return check.isValid() ? Problem::Damaged : p;
            }
            setMeta(QStringLiteral("checked"), day);
        }
        if (!commit())
            return damaged ? Problem::Damaged : Problem::Other;
        return prepareFind() ? Problem::None : Problem::Other;
    }
};

KeyCache::KeyCache(std::unique_ptr<Private> d)
    : d(std::move(d))
{
}

KeyCache::~KeyCache() = default;

QString KeyCache::defaultPath()
{
    const QString named = qEnvironmentVariable("DUOVUE_CACHE");
    if (!named.isEmpty())
        return named;
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    // A relative XDG path is invalid and to be ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/duovue/keys.db");
}

int KeyCache::today()
{
    return static_cast<int>(QDateTime::currentSecsSinceEpoch() / 86400);
}

std::unique_ptr<KeyCache> KeyCache::open(
    const QString &path, QStringList &notices, bool create, const std::atomic<bool> *cancel)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!QSqlDatabase::isDriverAvailable(Driver)) {
        notices << QStringLiteral("the key cache needs Qt's SQLite driver (package libqt6sql6-sqlite)");
        return nullptr;
    }
    const QByteArray native = NativePath::encode(path);
    const auto refuse = [&](Problem problem) -> std::unique_ptr<KeyCache> {
        notices << QStringLiteral("the key cache %1 %2; the search runs without it").arg(shown, describe(problem));
        return nullptr;
    };
    struct stat st {
    };
    if (!create && ::lstat(native.constData(), &st) != 0)
        return nullptr;
    const QString folder = QFileInfo(path).absolutePath();
    const bool made = !QFileInfo::exists(folder);
    if (!QDir().mkpath(folder)) {
        notices << QStringLiteral("the key cache's folder %1 cannot be made").arg(QDir::toNativeSeparators(folder));
        return nullptr;
    }
    // The cache lists the user's pictures: a folder of our own is the user's alone.
    if (made)
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (int attempt = 0; attempt < 2; ++attempt) {
        // SQLite follows links and opens whatever it is given: what is there is looked at first.
        std::optional<std::pair<dev_t, ino_t>> before;
        Problem problem = inspect(native, &before);
        if (problem != Problem::None)
            return refuse(problem);
        auto d = std::make_unique<Private>();
        d->path = path;
        problem = d->accept(cancel);
        if (problem == Problem::None) {
            // Still the file that was looked at (or the one SQLite made), not something put in
            // its place meanwhile.
            std::optional<std::pair<dev_t, ino_t>> after;
            if (inspect(native, &after) == Problem::None && after && (!before || *before == *after))
                return std::unique_ptr<KeyCache>(new KeyCache(std::move(d)));
            problem = Problem::Other;
        }
        d.reset(); // closes the connection before the file is moved
        if (problem != Problem::Damaged || attempt > 0 || !isOurs(native))
            return refuse(problem);
        QString error;
        const QString moved = setAside(path, QStringLiteral("damaged"), &error);
        if (moved.isEmpty()) {
            notices << QStringLiteral("the key cache %1 %2 and cannot be set aside: %3")
                           .arg(shown, describe(problem), error);
            return nullptr;
        }
        notices << QStringLiteral("the key cache %1 %2; it was set aside as %3 and a new one started")
                       .arg(shown, describe(problem), QDir::toNativeSeparators(moved));
    }
    return nullptr;
}

std::unique_ptr<KeyCache> KeyCache::attach(const QString &path)
{
    auto d = std::make_unique<Private>();
    d->path = path;
    if (!d->connect())
        return nullptr;
    d->exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    if (!d->prepareFind())
        return nullptr;
    return std::unique_ptr<KeyCache>(new KeyCache(std::move(d)));
}

std::optional<KeyCache::Found> KeyCache::find(
    const QByteArray &path, const FileIdentity &identity, int kind, int param, qint64 version)
{
    QSqlQuery &q = *d->find;
    q.addBindValue(pathKey(path));
    q.addBindValue(path);
    q.addBindValue(kind);
    q.addBindValue(param);
    q.addBindValue(version);
    if (!d->exec(q))
        return std::nullopt;
    std::optional<Found> found;
    if (q.next()) {
        if (identityFrom(q, 0) == identity) {
            if (std::optional<Entry> entry = unpack(q.value(6).toByteArray(), identity, kind, param, version))
                found = Found{std::move(*entry), q.value(5).toInt() == today()};
        }
    }
    q.finish(); // ends the read, so that the log can be folded back into the database
    return found;
}

bool KeyCache::write(
    const std::vector<Record> &records, const std::vector<QByteArray> &seen, const std::atomic<bool> *cancel)
{
    if (records.empty() && seen.empty())
        return true;
    if (!d->begin(cancel))
        return false;
    const qint64 day = today();
    QSqlQuery select(d->db);
    QSqlQuery insert(d->db);
    QSqlQuery update(d->db);
    QSqlQuery drop(d->db);
    QSqlQuery put(d->db);
    QSqlQuery touch(d->db);
    const bool prepared = select.prepare(QStringLiteral(
                              "SELECT id, device, inode, size, mtime, ctime, path FROM files WHERE pathKey = ?"))
        && insert.prepare(QStringLiteral(
            "INSERT INTO files(pathKey, path, device, inode, size, mtime, ctime, seen) VALUES(?, ?, ?, ?, ?, ?, ?, ?)"))
        && update.prepare(QStringLiteral(
            "UPDATE files SET path = ?, device = ?, inode = ?, size = ?, mtime = ?, ctime = ?, seen = ? WHERE id = ?"))
        && drop.prepare(QStringLiteral("DELETE FROM keys WHERE file = ?"))
        && put.prepare(
            QStringLiteral("INSERT OR REPLACE INTO keys(file, kind, param, version, data) VALUES(?, ?, ?, ?, ?)"))
        && touch.prepare(QStringLiteral("UPDATE files SET seen = ? WHERE pathKey = ? AND path = ?"));
    bool ok = prepared;
    for (const Record &r : records) {
        if (!ok)
            break;
        const FileIdentity &id = r.identity;
        select.addBindValue(pathKey(r.path));
        if (!d->exec(select)) {
            ok = false;
            break;
        }
        qint64 file = -1;
        bool same = false;
        if (select.next()) {
            file = select.value(0).toLongLong();
            // Another path of the same hash is replaced like a changed file.
            same = identityFrom(select, 1) == id && select.value(6).toByteArray() == r.path;
        }
        select.finish();
        if (file < 0) {
            for (const QVariant &v : {QVariant(pathKey(r.path)),
                     QVariant(r.path),
                     QVariant(qint64(id.device)),
                     QVariant(qint64(id.inode)),
                     QVariant(qint64(id.size)),
                     QVariant(id.modifiedNs),
                     QVariant(id.changedNs),
                     QVariant(day)})
                insert.addBindValue(v);
            ok = d->exec(insert);
            file = insert.lastInsertId().toLongLong();
        } else {
            if (!same) {
                // Entries of other kinds were computed from the old content.
                drop.addBindValue(file);
                ok = d->exec(drop);
            }
            for (const QVariant &v : {QVariant(r.path),
                     QVariant(qint64(id.device)),
                     QVariant(qint64(id.inode)),
                     QVariant(qint64(id.size)),
                     QVariant(id.modifiedNs),
                     QVariant(id.changedNs),
                     QVariant(day),
                     QVariant(file)})
                update.addBindValue(v);
            ok = ok && d->exec(update);
        }
        if (!ok)
            break;
        put.addBindValue(file);
        put.addBindValue(r.kind);
        put.addBindValue(r.param);
        put.addBindValue(r.version);
        put.addBindValue(pack(r));
        ok = d->exec(put);
    }
    for (const QByteArray &path : seen) {
        if (!ok)
            break;
        touch.addBindValue(day);
        touch.addBindValue(pathKey(path));
        touch.addBindValue(path);
        ok = d->exec(touch);
    }
    if (!ok) {
        d->exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return d->commit();
}

bool KeyCache::finishSearch(qint64 lookups, qint64 hits)
{
    if (!d->begin(nullptr))
        return false;
    const qint64 day = today();
    bool ok = d->setMeta(QStringLiteral("lookups"), lookups) && d->setMeta(QStringLiteral("hits"), hits);
    bool pruned = false;
    if (ok && d->meta(QStringLiteral("pruned")) != day) {
        const QString old = QString::number(day - KeepDays);
        ok = d->exec(QStringLiteral("DELETE FROM keys WHERE file IN (SELECT id FROM files WHERE seen < %1)").arg(old))
            && d->exec(QStringLiteral("DELETE FROM files WHERE seen < %1").arg(old))
            && d->setMeta(QStringLiteral("pruned"), day);
        pruned = true;
    }
    if (!ok) {
        d->exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (!d->commit())
        return false;
    if (pruned)
        d->exec(QStringLiteral("PRAGMA incremental_vacuum"));
    return true;
}

KeyCache::Stats KeyCache::stats()
{
    Stats s;
    s.files = d->value(QStringLiteral("SELECT count(*) FROM files")).toLongLong();
    s.entries = d->value(QStringLiteral("SELECT count(*) FROM keys")).toLongLong();
    s.lastLookups = std::max<qint64>(0, d->meta(QStringLiteral("lookups")));
    s.lastHits = std::max<qint64>(0, d->meta(QStringLiteral("hits")));
    for (const char *suffix : {"", "-wal"})
        s.bytesOnDisk += QFileInfo(d->path + QLatin1String(suffix)).size();
    return s;
}

int KeyCache::prune()
{
    // Read the list first: the file system is asked outside the write lock.
    std::vector<qint64> gone;
    {
        QSqlQuery q(d->db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT id, path, device, inode, size, mtime, ctime FROM files")))
            return -1;
        while (q.next()) {
            const QByteArray path = q.value(1).toByteArray();
            const std::optional<FileIdentity> now = SearchWalk::identityOf(path);
            if (!now) {
                if (errno == ENOENT || errno == ENOTDIR)
                    gone.push_back(q.value(0).toLongLong());
                continue;
            }
            if (!(*now == identityFrom(q, 2)))
                gone.push_back(q.value(0).toLongLong());
        }
    }
    if (gone.empty())
        return 0;
    if (!d->begin(nullptr))
        return -1;
    QSqlQuery keys(d->db);
    QSqlQuery files(d->db);
    bool ok = keys.prepare(QStringLiteral("DELETE FROM keys WHERE file = ?"))
        && files.prepare(QStringLiteral("DELETE FROM files WHERE id = ?"));
    for (const qint64 id : gone) {
        if (!ok)
            break;
        keys.addBindValue(id);
        files.addBindValue(id);
        ok = d->exec(keys) && d->exec(files);
    }
    if (!ok) {
        d->exec(QStringLiteral("ROLLBACK"));
        return -1;
    }
    if (!d->commit())
        return -1;
    d->exec(QStringLiteral("PRAGMA incremental_vacuum"));
    d->exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    return static_cast<int>(gone.size());
}

bool KeyCache::damaged() const
{
    return d->damaged;
}

QString KeyCache::path() const
{
    return d->path;
}

QString KeyCache::setAside(const QString &path, const QString &reason, QString *error)
{
    const QString stem = path + QLatin1Char('.') + reason + QLatin1Char('-')
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = stem;
    for (int i = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++i)
        target = stem + QLatin1Char('-') + QString::number(i);
    const QByteArray from = NativePath::encode(path);
    const QByteArray to = NativePath::encode(target);
    // Only a cache of ours is moved away: a picture, another program's database, a folder or a
    // link named by mistake stays where it is.
    if (!isOurs(from)) {
        if (error)
            *error = QStringLiteral("it is not recognisably a Duovue key cache");
        return {};
    }
    if (::rename(from.constData(), to.constData()) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    // The log and index belong to the old file; left in place, a new database would take them
    // for its own.
    for (const char *suffix : {"-wal", "-shm"}) {
        const QByteArray side = from + suffix;
        const QByteArray sideTarget = to + suffix;
        if (::rename(side.constData(), sideTarget.constData()) != 0 && errno != ENOENT)
            ::unlink(side.constData());
    }
    return target;
}

} // namespace Duovue
