#include <chrono>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/clicommand.h"
#include "core/nativepath.h"
#include "search/checkrules.h"
#include "search/keycache.h"
#include "search/searchengine.h"
#include "search/searchresults.h"

namespace Duovue::Cli
{

namespace
{

int run(const QStringList &args, Io &io);

const Command &command()
{
    static const Command c{"dupes",
        "dupes [--method hash|bitmap|similar] [--precision N] [--grey-copies] [--subfolders] [--check RULE] [--keys] "
        "[--workers N] [--no-cache] FOLDER",
        "Find duplicate pictures in FOLDER as the similar-image search does; print the result rows "
        "(label, name, folder, created, modified, size, width, height) and a summary. --precision sets N of the "
        "bitmap method and the strictness of the similar method (10-20, default 15); --grey-copies makes the "
        "similar method take a grey copy of a colour picture for the same picture. RULE: none, "
        "largest, smallest, newest, oldest, widest, narrowest or 0-6. --keys lists every file with "
        "its key instead. Files that cannot be read are named on stderr and counted in the summary. "
        "--workers sets the number of decode threads (1-8; default one per processor plus one). "
        "The default method is similar; the bitmap method also groups different pictures that are dark or flat. "
        "The bitmap and similar methods keep what they decoded in the key cache (DUOVUE_CACHE, else "
        "$XDG_CACHE_HOME/duovue/keys.db); --no-cache neither reads nor writes it.",
        run};
    return c;
}

QString progressText(const SearchProgress &p)
{
    if (p.phase == SearchPhase::Files)
        return QStringLiteral("files: %1").arg(p.files);
    if (p.phase == SearchPhase::Keys)
        return QStringLiteral("reading: %1/%2").arg(p.read).arg(p.files);
    return QStringLiteral("comparing: %1/%2").arg(p.compared).arg(p.compareTotal);
}

// Runs the engine, reporting progress on stderr once the search has taken more than a second.
SearchOutcome runWithProgress(const SearchParams &params, Io &io)
{
    SearchEngine engine(params);
    engine.start();
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    const auto started = std::chrono::steady_clock::now();
    auto lastReport = started;
    bool reported = false;
    while (!engine.waitForFinished(100)) {
        const auto now = std::chrono::steady_clock::now();
        const auto interval = terminal ? std::chrono::milliseconds(250) : std::chrono::milliseconds(5000);
        if (now - started < std::chrono::seconds(1) || now - lastReport < interval)
            continue;
        lastReport = now;
        io.err << progressText(engine.progress()) << (terminal ? "\x1b[K\r" : "\n");
        io.err.flush();
        reported = true;
    }
    if (reported && terminal) {
        io.err << "\x1b[K";
        io.err.flush();
    }
    return engine.takeOutcome();
}

int run(const QStringList &args, Io &io)
{
    SearchParams params;
    params.method = SearchMethod::Similar;
    params.reductionSize = 15;
    int rule = CheckRules::None;
    bool keys = false;
    bool cached = true;
    QString folder;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&]() -> QString {
            return i + 1 < args.size() ? args[++i] : QString();
        };
        if (a == QLatin1String("--method")) {
            const QString m = value();
            if (m == QLatin1String("hash"))
                params.method = SearchMethod::Hash;
            else if (m == QLatin1String("bitmap"))
                params.method = SearchMethod::Bitmap;
            else if (m == QLatin1String("similar"))
                params.method = SearchMethod::Similar;
            else
                return usageError(io, command(), QStringLiteral("--method takes hash, bitmap or similar"));
        } else if (a == QLatin1String("--precision")) {
            bool ok = false;
            const int n = value().toInt(&ok);
            if (!ok || n < 10 || n > 20)
                return usageError(io, command(), QStringLiteral("--precision takes a number from 10 to 20"));
            params.reductionSize = n;
        } else if (a == QLatin1String("--workers")) {
            bool ok = false;
            const int n = value().toInt(&ok);
            if (!ok || n < 1 || n > 8)
                return usageError(io, command(), QStringLiteral("--workers takes a number from 1 to 8"));
            params.workers = n;
        } else if (a == QLatin1String("--grey-copies")) {
            params.greyCopies = true;
        } else if (a == QLatin1String("--subfolders")) {
            params.subfolders = true;
        } else if (a == QLatin1String("--check")) {
            rule = CheckRules::ruleFromName(value());
            if (rule < 0)
                return usageError(io, command(), QStringLiteral("unknown --check rule"));
        } else if (a == QLatin1String("--keys")) {
            keys = true;
        } else if (a == QLatin1String("--no-cache")) {
            cached = false;
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(io, command(), QStringLiteral("unknown option ") + a);
        } else if (folder.isEmpty()) {
            folder = a;
        } else {
            return usageError(io, command(), QStringLiteral("only one FOLDER"));
        }
    }
    if (folder.isEmpty())
        return usageError(io, command(), QStringLiteral("FOLDER missing"));
    struct stat st {
    };
    if (::stat(NativePath::encode(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        io.err << "duovue-cli dupes: " << escaped(folder) << ": not a folder\n";
        return Failure;
    }
    params.folder = NativePath::absolute(folder);
    params.computeAllKeys = keys;
    if (cached)
        params.cachePath = KeyCache::defaultPath();

    SearchOutcome outcome = runWithProgress(params, io);
    for (const QString &notice : outcome.cache.notices)
        io.err << "duovue-cli dupes: " << escaped(notice) << '\n';
    for (const UnreadFile &file : outcome.unreadable)
        io.err << "duovue-cli dupes: " << escaped(file.path) << ": " << escaped(file.reason) << '\n';
    io.err.flush();
    if (keys) {
        for (const SearchRow &row : outcome.table)
            io.out << (row.key.isEmpty() ? QStringLiteral("-") : row.key) << '\t' << escaped(row.folder + row.name)
                   << '\n';
        return Success;
    }

    std::vector<FileList::Entry> &rows = outcome.grouping.rows;
    if (rule != CheckRules::None) {
        // The rules work on the two result lists; only the labels they change are printed.
        FileList left;
        FileList right;
        SearchGrouping::appendToLists(rows, left, right);
        CheckRules::apply(rule, left, right);
        for (qsizetype i = 0; i < left.size(); ++i)
            rows[std::size_t(i)].primary = left.primary(i);
    }
    for (const FileList::Entry &row : rows) {
        io.out << row.primary;
        for (const QString &column : row.columns)
            io.out << '\t' << escaped(column);
        io.out << '\n';
    }
    const SearchResults::Applied applied = SearchResults::summarize(outcome.grouping, params.method);
    // The files that could not be read are named on stderr above; the summary counts them.
    io.out << SearchResults::message(applied, outcome, 0) << '\n';
    return Success;
}

} // namespace

const Command &dupesCommand()
{
    return command();
}

} // namespace Duovue::Cli
