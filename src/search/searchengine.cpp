#include "search/searchengine.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <numeric>
#include <unistd.h>

#include <QFile>

#include "lists/textformats.h"
#include "search/crc32.h"
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
    row.size = FormatFileSize(file.size);
    row.order = order;
    return row;
}

bool canOpen(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
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
    if (m_params.method == SearchMethod::Hash)
        gatherHash(table);
    else
        gatherPictures(table);

    m_outcome.filesAborted = m_stopGathering.load();
    m_outcome.filesGathered = static_cast<int>(table.size());
    m_phase.store(SearchPhase::Compare);
    m_compareTotal.store(static_cast<int>(table.size()));

    if (m_params.method == SearchMethod::Hash && !m_params.computeAllKeys) {
        // Only files that share their size with another are read; each surviving set is
        // byte-identical to its end, and its members get the set's CRC as their key.
        std::vector<IdenticalFiles::Candidate> candidates;
        candidates.reserve(table.size());
        for (const SearchRow &row : table)
            candidates.push_back({row.folder + row.name, static_cast<quint64>(parseNumberText(row.size))});
        const IdenticalFiles::Outcome sets = IdenticalFiles::find(candidates, &m_stopCompare, [this](int settled) {
            m_compared.store(settled, std::memory_order_relaxed);
        });
        int setNumber = 0;
        for (const IdenticalFiles::Set &set : sets.sets) {
            const QString key = Crc32::keyText(set.crc);
            const QByteArray identity = QByteArray::number(setNumber++);
            for (int m : set.members) {
                table[std::size_t(m)].key = key;
                table[std::size_t(m)].identity = identity;
            }
        }
    }

    if (m_params.computeAllKeys)
        m_outcome.table = table;
    m_compared.store(0);
    const auto progress = [this](int done, int) {
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
    m_phase.store(SearchPhase::Done);
    std::lock_guard lock(m_mutex);
    m_finished.store(true, std::memory_order_release);
    m_finishedChanged.notify_all();
}

bool SearchEngine::waitForFinished(int milliseconds)
{
    std::unique_lock lock(m_mutex);
    return m_finishedChanged.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] {
        return m_finished.load(std::memory_order_acquire);
    });
}

void SearchEngine::gatherHash(SearchTable &table)
{
    SearchWalk::walk(m_params.folder, m_params.subfolders, m_stopGathering, [&](GatheredFile &&file) {
        const QString path = file.path();
        // An unopenable candidate is skipped entirely, as if never met.
        if (!file.regular || !canOpen(path))
            return;
        SearchRow row = rowFor(file, static_cast<int>(table.size()));
        if (m_params.computeAllKeys) {
            const std::optional<std::uint32_t> crc = IdenticalFiles::fileCrc(path);
            if (!crc)
                return;
            row.key = Crc32::keyText(*crc);
        }
        table.push_back(std::move(row));
        m_files.store(static_cast<int>(table.size()), std::memory_order_relaxed);
    });
    if (m_params.computeAllKeys) {
        // Every file has its key now, but an equal key is still no proof of equal bytes: the
        // groups come from the identical-content sets as in the search without a listing.
        std::vector<IdenticalFiles::Candidate> candidates;
        for (const SearchRow &row : table)
            candidates.push_back({row.folder + row.name, static_cast<quint64>(parseNumberText(row.size))});
        const IdenticalFiles::Outcome sets = IdenticalFiles::find(candidates, &m_stopCompare);
        for (std::size_t s = 0; s < sets.sets.size(); ++s) {
            for (int m : sets.sets[s].members)
                table[std::size_t(m)].identity = QByteArray::number(static_cast<qulonglong>(s));
        }
        // Rows in no set have an identity of their own.
        for (SearchRow &row : table) {
            if (row.identity.isEmpty())
                row.identity = "solo:" + QByteArray::number(row.order);
        }
    }
}

void SearchEngine::gatherPictures(SearchTable &table)
{
    {
        std::lock_guard lock(m_mutex);
        m_walkDone = false;
    }
    for (int i = 0; i < m_params.workers; ++i)
        m_workers.emplace_back([this] {
            decodeWorker();
        });

    const std::size_t queueLimit = std::size_t(m_params.workers) * 4;
    SearchWalk::walk(m_params.folder, m_params.subfolders, m_stopGathering, [&](GatheredFile &&file) {
        const int row = static_cast<int>(table.size());
        table.push_back(rowFor(file, row));
        std::unique_lock lock(m_mutex);
        // Keep the walk only a little ahead of the decoders: the table holds every gathered row
        // anyway, but a queue of paths for a whole disk is not needed to keep them busy.
        m_jobTaken.wait(lock, [&] {
            return m_jobs.size() < queueLimit || m_stopGathering.load();
        });
        m_jobs.push_back({row, file.path()});
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

    // Every worker has ended: the results are complete and no one else touches them now. In table
    // order, so that the similar method's grouping does not depend on which worker finished first.
    std::vector<std::size_t> byRow(m_done.size());
    std::iota(byRow.begin(), byRow.end(), std::size_t(0));
    std::sort(byRow.begin(), byRow.end(), [this](std::size_t a, std::size_t b) {
        return m_done[a].row < m_done[b].row;
    });
    SearchTable kept;
    kept.reserve(table.size());
    if (m_params.method == SearchMethod::Similar)
        m_descriptors.reserve(m_done.size());
    for (std::size_t i : byRow) {
        Done &d = m_done[i];
        const BitmapKey &key = d.keys.bitmap;
        if (key.outcome == BitmapKey::Outcome::Cancelled)
            continue; // stopped before it was keyed: not gathered
        SearchRow &row = kept.emplace_back(std::move(table[std::size_t(d.row)]));
        row.order = static_cast<int>(kept.size()) - 1;
        if (key.outcome != BitmapKey::Outcome::Ok)
            continue;
        row.width = FormatFileSize(static_cast<quint64>(key.width));
        row.height = FormatFileSize(static_cast<quint64>(key.height));
        if (d.keys.similar) {
            row.key = QString::number(d.keys.similar->hash, 16).rightJustified(16, QLatin1Char('0')).toUpper();
            m_descriptors.push_back(*d.keys.similar);
            m_descriptorRows.push_back(row.order);
        } else {
            row.key = key.key;
            row.identity = key.thumbnail;
        }
    }
    m_done.clear();
    m_done.shrink_to_fit();
    table = std::move(kept);
}

void SearchEngine::decodeWorker()
{
    const bool similar = m_params.method == SearchMethod::Similar;
    PictureKeyMaker maker(similar ? 0 : m_params.reductionSize, similar, &m_stopGathering, &m_budget);
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_jobReady.wait(lock, [&] {
                return !m_jobs.empty() || m_walkDone || m_stopGathering.load();
            });
            if (m_stopGathering.load()) {
                m_jobs.clear(); // not started: never gathered
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
        std::lock_guard lock(m_mutex);
        const bool counted = keys.bitmap.outcome != BitmapKey::Outcome::Cancelled;
        m_done.push_back({job.row, std::move(keys)});
        if (counted)
            m_files.fetch_add(1, std::memory_order_relaxed);
    }
}

} // namespace Duovue
