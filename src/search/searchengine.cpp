#include "search/searchengine.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "lists/textformats.h"
#include "search/hashcandidates.h"
#include "search/identicalfiles.h"

namespace Duovue
{

namespace
{

SearchRow rowFor(const GatheredFile &file, int order)
{
    SearchRow row;
    row.name = file.name;
    row.folder = file.folder;
    row.created = FormatFileTime(file.created);
    row.modified = FormatFileTime(file.modified);
    row.size = file.size;
    row.order = order;
    return row;
}

} // namespace

SearchEngine::SearchEngine(SearchParams params)
    : m_params(std::move(params))
{
    m_params.reductionSize = std::clamp(m_params.reductionSize, 1, 64);
    if (m_params.workers <= 0)
        m_params.workers = defaultWorkerCount();
    m_params.workers = std::clamp(m_params.workers, 1, 8);
}

SearchEngine::~SearchEngine()
{
    cancel();
    if (m_coordinator.joinable())
        m_coordinator.join();
}

int SearchEngine::defaultWorkerCount()
{
    // One decoder per processor keeps every core decoding; more only adds switching, except while
    // files come from a cold disk, which one extra worker covers.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<int>(std::clamp(cores + 1, 2u, 8u));
}

void SearchEngine::start()
{
    if (m_coordinator.joinable() || m_finished.load())
        return;
    m_phase.store(SearchPhase::Files);
    m_coordinator = std::thread([this] {
        run();
    });
}

void SearchEngine::abort()
{
    const SearchPhase phase = m_phase.load();
    if (phase == SearchPhase::Files || phase == SearchPhase::Keys)
        m_stopGathering.store(true);
    else if (phase == SearchPhase::Compare)
        m_stopCompare.store(true);
    else
        return;
    // Wake a coordinator that waits for room in the queue, workers that wait for a job and decodes
    // that wait for memory; decodes in progress see the flag themselves.
    m_budget.wake();
    std::lock_guard lock(m_mutex);
    m_jobReady.notify_all();
    m_jobTaken.notify_all();
}

void SearchEngine::cancel()
{
    m_stopGathering.store(true);
    m_stopCompare.store(true);
    m_budget.wake();
    std::lock_guard lock(m_mutex);
    m_jobReady.notify_all();
    m_jobTaken.notify_all();
}

SearchProgress SearchEngine::progress() const
{
    SearchProgress p;
    p.phase = m_phase.load();
    p.files = m_files.load(std::memory_order_relaxed);
    p.read = m_read.load(std::memory_order_relaxed);
    p.compared = m_compared.load(std::memory_order_relaxed);
    p.compareTotal = m_compareTotal.load(std::memory_order_relaxed);
    return p;
}

SearchOutcome SearchEngine::takeOutcome()
{
    if (m_coordinator.joinable())
        m_coordinator.join();
    return std::move(m_outcome);
}

void SearchEngine::noteUnreadable(const QString &path, int error)
{
    // No error at all: the file changed between its listing and its opening.
    m_outcome.unreadable.push_back(
        {path, error != 0 ? qt_error_string(error) : QStringLiteral("the file changed while it was read")});
}

void SearchEngine::run()
{
    SearchTable table;
    if (m_params.method == SearchMethod::Hash) {
        HashCandidates files;
        gatherHash(files);
        const int gathered = files.size();
        m_outcome.filesGathered = gathered;
        m_outcome.filesRead = gathered;
        enterComparePhase(gathered);
        // Only files that share their size and first block with another are read again; each
        // surviving set is byte-identical to its end, and its members get the set's CRC as key.
        IdenticalFiles::Outcome sets = IdenticalFiles::find(
            files.candidates(),
            [&files](int index) {
                return files.open(index);
            },
            &m_stopCompare,
            [this](int settled) {
                m_compared.store(settled, std::memory_order_relaxed);
            });
        // A file that failed only now was gathered and counted: it is named with the others, in
        // walk order.
        std::sort(sets.failed.begin(), sets.failed.end());
        for (int index : sets.failed)
            m_outcome.unreadable.push_back({files.path(index), QStringLiteral("the file could not be read")});
        if (sets.cancelled && m_outcome.abortedIn == SearchPhase::Idle) {
            m_outcome.abortedIn = SearchPhase::Compare;
            m_outcome.compared = m_compared.load();
            m_outcome.compareTotal = gathered;
        }
        table = files.table(sets, m_params.computeAllKeys);
    } else {
        gatherPictures(table);
        enterComparePhase(static_cast<int>(table.size()));
    }

    if (m_params.computeAllKeys)
        m_outcome.table = table;
    const int total = m_compareTotal.load();
    if (m_outcome.abortedIn != SearchPhase::Compare)
        m_compared.store(0);
    // The hash method's table holds only the members of its sets (no other row can join a group);
    // the count still runs over every gathered file.
    const auto progress = [this](int done, int total) {
        if (done < total)
            m_compared.store(done, std::memory_order_relaxed);
    };
    if (m_params.method == SearchMethod::Similar) {
        SimilarOptions options;
        options.strictness = m_params.reductionSize;
        options.greyCopies = m_params.greyCopies;
        m_outcome.grouping =
            SearchGrouping::groupSimilar(table, m_descriptors, m_descriptorRows, options, &m_stopCompare, progress);
        m_descriptors = {};
        m_descriptorRows = {};
    } else {
        m_outcome.grouping = SearchGrouping::group(table, &m_stopCompare, progress);
    }
    if (m_outcome.grouping.aborted && m_outcome.abortedIn == SearchPhase::Idle) {
        m_outcome.abortedIn = SearchPhase::Compare;
        // The hash method's grouping counts its own rows: the files it compared are those settled.
        m_outcome.compared = m_params.method == SearchMethod::Hash ? total : m_compared.load();
        m_outcome.compareTotal = total;
    }
    // A comparison that ran to its end (of what was read) shows its whole count.
    if (m_outcome.abortedIn != SearchPhase::Compare && total >= 2)
        m_compared.store(total, std::memory_order_relaxed);
    m_phase.store(SearchPhase::Done);
    std::lock_guard lock(m_mutex);
    m_finished.store(true, std::memory_order_release);
    m_finishedChanged.notify_all();
}

void SearchEngine::enterComparePhase(int total)
{
    m_phase.store(SearchPhase::Compare);
    m_compareTotal.store(total);
}

bool SearchEngine::waitForFinished(int milliseconds)
{
    std::unique_lock lock(m_mutex);
    return m_finishedChanged.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] {
        return m_finished.load(std::memory_order_acquire);
    });
}

void SearchEngine::gatherHash(HashCandidates &files)
{
    const auto unreadableFolder = [this](const QString &folder, int error) {
        noteUnreadable(folder, error);
    };
    SearchWalk::walkEntries(
        m_params.folder,
        m_params.subfolders,
        true,
        m_stopGathering,
        [&](const WalkEntry &entry) {
            switch (files.add(entry, m_params.computeAllKeys)) {
            case HashCandidates::Added::Yes:
                m_files.store(files.size(), std::memory_order_relaxed);
                m_read.store(files.size(), std::memory_order_relaxed);
                break;
            case HashCandidates::Added::Unreadable: {
                const int error = errno;
                noteUnreadable(entry.folderText + entry.name, error);
                break;
            }
            case HashCandidates::Added::NotAFile:
                break;
            }
        },
        unreadableFolder);
    if (m_stopGathering.load())
        m_outcome.abortedIn = SearchPhase::Files;
}

void SearchEngine::gatherPictures(SearchTable &table)
{
    // The walk ends before any picture is read: a picture's key costs a hundred times its listing,
    // and only a known total lets the reading say how far it is.
    std::vector<GatheredFile> files;
    SearchWalk::walk(
        m_params.folder,
        m_params.subfolders,
        m_stopGathering,
        [&](GatheredFile &&file) {
            table.push_back(rowFor(file, static_cast<int>(table.size())));
            files.push_back(std::move(file));
            m_files.store(static_cast<int>(files.size()), std::memory_order_relaxed);
        },
        [this](const QString &folder, int error) {
            noteUnreadable(folder, error);
        });
    m_outcome.filesGathered = static_cast<int>(files.size());
    if (m_stopGathering.load()) {
        m_outcome.abortedIn = SearchPhase::Files;
    } else {
        m_phase.store(SearchPhase::Keys);
        readPictures(files);
        if (m_stopGathering.load())
            m_outcome.abortedIn = SearchPhase::Keys;
    }

    // Every worker has ended: the results are complete and no one else touches them now. In table
    // order, so that the similar method's grouping does not depend on which worker finished first.
    std::sort(m_done.begin(), m_done.end(), [](const Done &x, const Done &y) {
        return x.row < y.row;
    });
    // A file whose reading an abort stopped or never started was not read: it leaves the table
    // (but for a listing of every key), so that the comparison and its count run over what was.
    std::vector<int> newRow(table.size(), -1);
    for (const Done &d : m_done)
        newRow[std::size_t(d.row)] = 0;
    m_outcome.filesRead = static_cast<int>(m_done.size());
    SearchTable kept;
    kept.reserve(m_params.computeAllKeys ? table.size() : m_done.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (newRow[i] < 0 && !m_params.computeAllKeys)
            continue;
        newRow[i] = static_cast<int>(kept.size());
        kept.push_back(std::move(table[i]));
    }
    table = std::move(kept);

    if (m_params.method == SearchMethod::Similar)
        m_descriptors.reserve(m_done.size());
    for (Done &d : m_done) {
        const BitmapKey &key = d.keys.bitmap;
        const GatheredFile &file = files[std::size_t(d.row)];
        if (key.outcome != BitmapKey::Outcome::Ok) {
            // Folders and special files named like pictures are no pictures; everything else
            // the user expected to be compared.
            if (file.regular)
                m_outcome.unreadable.push_back({file.path(),
                    d.keys.failure.isEmpty() ? QStringLiteral("not a picture Duovue decodes (known from the key cache)")
                                             : d.keys.failure});
            continue;
        }
        SearchRow &row = table[std::size_t(newRow[std::size_t(d.row)])];
        row.width = key.width;
        row.height = key.height;
        if (d.keys.similar) {
            row.key = QString::number(d.keys.similar->hash, 16).rightJustified(16, QLatin1Char('0')).toUpper();
            m_descriptors.push_back(*d.keys.similar);
            m_descriptorRows.push_back(newRow[std::size_t(d.row)]);
        } else {
            row.key = key.key;
            row.identity = key.thumbnail;
        }
    }
    m_done.clear();
    m_done.shrink_to_fit();
}

void SearchEngine::readPictures(const std::vector<GatheredFile> &files)
{
    const bool similar = m_params.method == SearchMethod::Similar;
    if (!m_params.cachePath.isEmpty() && (similar || ThumbnailSet::covers(m_params.reductionSize)))
        m_cache = std::make_unique<KeyCacheSession>(m_params.cachePath,
            similar ? KeyCache::SimilarDescriptor : KeyCache::Thumbnails,
            m_params.reductionSize,
            m_params.cacheSettleMs,
            &m_stopCompare);
    {
        std::lock_guard lock(m_mutex);
        m_queueDone = false;
    }
    for (int i = 0; i < m_params.workers; ++i)
        m_workers.emplace_back([this, &files] {
            decodeWorker(files);
        });

    // Keep the queue only a little ahead of the decoders: a file found in the cache is done here,
    // without waiting for them.
    const std::size_t queueLimit = std::size_t(m_params.workers) * 4;
    for (int row = 0; row < static_cast<int>(files.size()) && !m_stopGathering.load(); ++row) {
        const GatheredFile &file = files[std::size_t(row)];
        std::optional<PictureKeys> known;
        if (!file.regular) // a folder named like a picture: nothing to read
            known.emplace();
        else if (m_cache)
            known = m_cache->find(file);
        std::unique_lock lock(m_mutex);
        if (known) {
            m_done.push_back({row, std::move(*known)});
            m_read.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        m_jobTaken.wait(lock, [&] {
            return m_jobs.size() < queueLimit || m_stopGathering.load();
        });
        m_jobs.push_back(row);
        m_jobReady.notify_one();
    }
    {
        std::lock_guard lock(m_mutex);
        m_queueDone = true;
        m_jobReady.notify_all();
    }
    for (std::thread &t : m_workers)
        t.join();
    m_workers.clear();
    if (m_cache) {
        m_outcome.cache = m_cache->finish();
        m_cache.reset();
    }
}

void SearchEngine::decodeWorker(const std::vector<GatheredFile> &files)
{
    const bool similar = m_params.method == SearchMethod::Similar;
    // With a cache every precision is kept, so that a search at another one finds its keys too.
    const bool cached = m_cache && m_cache->isOpen();
    PictureKeyMaker maker(
        similar ? 0 : m_params.reductionSize, similar, &m_stopGathering, &m_budget, cached && !similar);
    for (;;) {
        int row = 0;
        {
            std::unique_lock lock(m_mutex);
            m_jobReady.wait(lock, [&] {
                return !m_jobs.empty() || m_queueDone || m_stopGathering.load();
            });
            if (m_stopGathering.load()) {
                m_jobs.clear(); // not started: not read
                m_jobTaken.notify_all();
                return;
            }
            if (m_jobs.empty())
                return; // every file handed out and nothing left
            row = m_jobs.front();
            m_jobs.pop_front();
            m_jobTaken.notify_one();
        }
        // The files do not change while workers run: reading them needs no lock.
        const GatheredFile &file = files[std::size_t(row)];
        const QString path = file.path();
        PictureKeys keys = maker.compute(path);
        if (keys.bitmap.outcome == BitmapKey::Outcome::Cancelled)
            continue; // stopped by the abort: not read
        if (cached)
            m_cache->store(path, file.identity, keys);
        std::lock_guard lock(m_mutex);
        m_done.push_back({row, std::move(keys)});
        m_read.fetch_add(1, std::memory_order_relaxed);
    }
}

} // namespace Duovue
