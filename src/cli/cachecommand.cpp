#include <QFileInfo>

#include "cli/clicommand.h"
#include "lists/textformats.h"
#include "search/keycache.h"

namespace Duovue::Cli
{

namespace
{

int run(const QStringList &args, Io &io);

const Command &command()
{
    static const Command c{"cache",
        "cache stats | cache prune",
        "The key cache of the bitmap and similar methods (DUOVUE_CACHE, else $XDG_CACHE_HOME/duovue/keys.db). "
        "stats: its files, entries, size on disk and the hit rate of the last search; prune: drops the entries of "
        "files that no longer exist or have changed since (entries of files not seen for 90 days go by themselves).",
        run};
    return c;
}

void printStats(QTextStream &out, KeyCache &cache)
{
    const KeyCache::Stats s = cache.stats();
    out << "files: " << s.files << '\n' << "entries: " << s.entries << '\n';
    out << "size on disk: " << FormatFileSize(quint64(s.bytesOnDisk)) << " bytes";
    if (s.files > 0)
        out << " (" << s.bytesOnDisk / s.files << " per file)";
    out << '\n';
    if (s.lastLookups > 0)
        out << "last search: " << s.lastHits << " of " << s.lastLookups << " files from the cache ("
            << QString::number(100.0 * double(s.lastHits) / double(s.lastLookups), 'f', 1) << "%)\n";
    else
        out << "last search: none recorded\n";
}

int run(const QStringList &args, Io &io)
{
    if (args.size() != 1 || (args[0] != QLatin1String("stats") && args[0] != QLatin1String("prune")))
        return usageError(io, command(), QStringLiteral("give stats or prune"));
    const QString path = KeyCache::defaultPath();
    io.out << "cache: " << escaped(path) << '\n';
    if (!QFileInfo::exists(path)) {
        io.out << "no key cache yet\n";
        return Success;
    }
    QStringList notices;
    std::unique_ptr<KeyCache> cache = KeyCache::open(path, notices, false);
    for (const QString &notice : notices)
        io.err << "duovue-cli cache: " << escaped(notice) << '\n';
    io.err.flush();
    if (!cache)
        return Failure;
    if (args[0] == QLatin1String("prune")) {
        const int dropped = cache->prune();
        if (dropped < 0) {
            io.err << "duovue-cli cache: the key cache could not be pruned\n";
            return Failure;
        }
        io.out << "dropped files: " << dropped << '\n';
    }
    printStats(io.out, *cache);
    return Success;
}

} // namespace

const Command &cacheCommand()
{
    return command();
}

} // namespace Duovue::Cli
