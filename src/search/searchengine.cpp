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
    if (phase == SearchPhase::Files)
        m_stopGathering.store(true);
    else if (phase == SearchPhase::Compare)
        m_stopCompare.store(true);
    else
        return;
    // Wake a walk that waits for room in the queue, workers that wait for a job and decodes that
    // wait for memory; decodes in progress see the flag themselves.
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

void SearchEngine::run()
{
    SearchTable table;
    int gathered = 0;
    if (m_params.method == SearchMethod::Hash) {
        HashCandidates files;
        gatherHash(files);
        gathered = files.size();
        enterComparePhase(gathered);
        // Only files that share their size and first block with another are read again; each
        // surviving set is byte-identical to its end, and its members get the set's CRC as key.
        const IdenticalFiles::Outcome sets = IdenticalFiles::find(
            files.candidates(),
            [&files](int index) {
                return files.open(index);
            },
            &m_stopCompare,
            [this](int settled) {
                m_compared.store(settled, std::memory_order_relaxed);
            });
        table = files.table(sets, m_params.computeAllKeys);
    } else {
        gatherPictures(table);
        gathered = static_cast<int>(table.size());
        enterComparePhase(gathered);
    }

    if (m_params.computeAllKeys)
        m_outcome.table = table;
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
    if (!m_outcome.grouping.aborted && gathered >= 2)
        m_compared.store(gathered, std::memory_order_relaxed);
    m_phase.store(SearchPhase::Done);
    std::lock_guard lock(m_mutex);
    m_finished.store(true, std::memory_order_release);
    m_finishedChanged.notify_all();
}

void SearchEngine::enterComparePhase(int gathered)
{
    m_outcome.filesAborted = m_stopGathering.load();
    m_outcome.filesGathered = gathered;
    m_phase.store(SearchPhase::Compare);
    m_compareTotal.store(gathered);
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
    SearchWalk::walkEntries(m_params.folder, m_params.subfolders, true, m_stopGathering, [&](const WalkEntry &entry) {
        if (files.add(entry, m_params.computeAllKeys))
            m_files.store(files.size(), std::memory_order_relaxed);
    });
}

void SearchEngine::gatherPictures(SearchTable &table)
{
    {
        std::lock_guard lock(m_mutex);
        m_walkDone = false;
    }
    const bool similar = m_params.method == SearchMethod::Similar;
    if (!m_params.cachePath.isEmpty() && (similar || ThumbnailSet::covers(m_params.reductionSize)))
        m_cache = std::make_unique<KeyCacheSession>(m_params.cachePath,
            similar ? KeyCache::SimilarDescriptor : KeyCache::Thumbnails,
            m_params.reductionSize,
            m_params.cacheSettleMs,
            &m_stopCompare);
    for (int i = 0; i < m_params.workers; ++i)
        m_workers.emplace_back([this] {
            decodeWorker();
        });

    const std::size_t queueLimit = std::size_t(m_params.workers) * 4;
    SearchWalk::walk(m_params.folder, m_params.subfolders, m_stopGathering, [&](GatheredFile &&file) {
        const int row = static_cast<int>(table.size());
        table.push_back(rowFor(file, row));
        // The count is of files gathered, whether or not their keys are done.
        m_files.store(row + 1, std::memory_order_relaxed);
        std::optional<PictureKeys> known = m_cache ? m_cache->find(file) : std::nullopt;
        std::unique_lock lock(m_mutex);
        if (known) { // unchanged since it was keyed: no decode
            m_done.push_back({row, std::move(*known)});
            return;
        }
        // Keep the walk only a little ahead of the decoders: the table holds every gathered row
        // anyway, but a queue of paths for a whole disk is not needed to keep them busy.
        m_jobTaken.wait(lock, [&] {
            return m_jobs.size() < queueLimit || m_stopGathering.load();
        });
        m_jobs.push_back({row, file.path(), file.identity});
        m_jobReady.notify_one();
    });
    {
        std::lock_guard lock(m_mutex);
        m_walkDone = true;
        m_jobReady.notify_all();
    }
    for (std::thread &t : m_workers)
        t.join();
    m_workers.clear();

    // Every worker has ended: the results are complete and no one else touches them now. A file
    // whose key was stopped or never started by an abort stays gathered, without a key. In table
    // order, so that the similar method's grouping does not depend on which worker finished first.
    std::sort(m_done.begin(), m_done.end(), [](const Done &x, const Done &y) {
        return x.row < y.row;
    });
    if (m_params.method == SearchMethod::Similar)
        m_descriptors.reserve(m_done.size());
    for (Done &d : m_done) {
        const BitmapKey &key = d.keys.bitmap;
        if (key.outcome != BitmapKey::Outcome::Ok)
            continue;
        SearchRow &row = table[std::size_t(d.row)];
        row.width = key.width;
        row.height = key.height;
        if (d.keys.similar) {
            row.key = QString::number(d.keys.similar->hash, 16).rightJustified(16, QLatin1Char('0')).toUpper();
            m_descriptors.push_back(*d.keys.similar);
            m_descriptorRows.push_back(d.row);
        } else {
            row.key = key.key;
            row.identity = key.thumbnail;
        }
    }
    m_done.clear();
    m_done.shrink_to_fit();
    if (m_cache) {
        m_outcome.cache = m_cache->finish();
        m_cache.reset();
    }
}

void SearchEngine::decodeWorker()
{
    const bool similar = m_params.method == SearchMethod::Similar;
    // With a cache every precision is kept, so that a search at another one finds its keys too.
    const bool cached = m_cache && m_cache->isOpen();
    PictureKeyMaker maker(
        similar ? 0 : m_params.reductionSize, similar, &m_stopGathering, &m_budget, cached && !similar);
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_jobReady.wait(lock, [&] {
                return !m_jobs.empty() || m_walkDone || m_stopGathering.load();
            });
            if (m_stopGathering.load()) {
                m_jobs.clear(); // not started: gathered, left without a key
                m_jobTaken.notify_all();
                return;
            }
            if (m_jobs.empty())
                return; // walk done and nothing left
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_jobTaken.notify_one();
        }
        PictureKeys keys = maker.compute(job.path);
        if (cached)
            m_cache->store(job.path, job.identity, keys);
        std::lock_guard lock(m_mutex);
        m_done.push_back({job.row, std::move(keys)});
    }
}

} // namespace Duovue
