#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QString>

#include "imaging/picturedecoder.h"
#include "search/keycachesession.h"
#include "search/picturekeys.h"
#include "search/searchtable.h"
#include "search/searchwalk.h"
#include "search/similarmatch.h"

namespace Duovue
{

class HashCandidates;

/// The values are those of the setting "比較"/"方式".
enum class SearchMethod { Hash = 0, Bitmap = 1, Similar = 2 };

struct SearchParams {
    QString folder;
    bool subfolders = false;
    SearchMethod method = SearchMethod::Similar;
    int reductionSize = 15; // the precision trackbar, 10 to 20: N of the bitmap method, the similar method's strictness
    bool greyCopies = false; // similar method: a grey copy of a colour picture is the same picture
    int workers = 0; // decode workers of the bitmap and similar methods, 1 to 8; 0 picks one per processor
    bool computeAllKeys = false; // also key files that cannot have a duplicate (for listings)
    /// The key cache of the bitmap and similar methods (KeyCache::defaultPath() in the program);
    /// empty: none.
    QString cachePath;
    /// Files changed less than this before the search are not stored in the cache (see
    /// KeyCacheSession).
    int cacheSettleMs = 2000;
};

enum class SearchPhase { Idle, Files, Compare, Done };

struct SearchProgress {
    SearchPhase phase = SearchPhase::Idle;
    int files = 0; // files gathered so far (rows of the table, keyed or not)
    int compared = 0; // comparison phase: done of total
    int compareTotal = 0;
};

struct SearchOutcome {
    GroupingResult grouping;
    int filesGathered = 0; // rows of the table the comparison ran over
    bool filesAborted = false; // the gathering was stopped early
    SearchTable table; // every gathered row with its key, in walk order (for listings)
    KeyCacheReport cache;
};

/// Runs one similar-image search on threads of its own: a coordinator thread walks the folder and
/// (hash method) finds identical files, up to eight decode workers make bitmap keys or similar
/// descriptors, and the grouping runs on the coordinator once every worker has been joined. Workers never touch the
/// table: each returns its key by value into a queue that only the coordinator reads, so no table
/// moves under a writer and no late result can arrive after the grouping starts. The workers share
/// one MemoryBudget of DecodeLimits::maxDecodeBytes, so their decodes together never hold more
/// however many run: giant pictures make the others wait rather than add up.
///
/// Thread: create, start, abort, cancel, progress and take the outcome from one thread (the GUI
/// thread in the program). The destructor cancels and joins every thread it started.
class SearchEngine
{
public:
    explicit SearchEngine(SearchParams params);
    ~SearchEngine();
    SearchEngine(const SearchEngine &) = delete;
    SearchEngine &operator=(const SearchEngine &) = delete;

    void start();
    /// The abort button: in the file phase it ends the gathering (the files gathered so far are
    /// still compared); in the comparison phase it ends the comparison after the current group.
    void abort();
    /// Stops everything as soon as possible; the outcome is then incomplete.
    void cancel();

    SearchProgress progress() const;
    bool isFinished() const { return m_finished.load(std::memory_order_acquire); }
    /// Waits up to @p milliseconds for the search to end; true when it has.
    bool waitForFinished(int milliseconds);
    /// Waits for the threads and returns the outcome; call once.
    SearchOutcome takeOutcome();

    static int defaultWorkerCount();

private:
    struct Job {
        int row;
        QString path;
        FileIdentity identity;
    };
    struct Done {
        int row;
        PictureKeys keys;
    };

    void run();
    void enterComparePhase(int gathered);
    void gatherHash(HashCandidates &files);
    void gatherPictures(SearchTable &table);
    void decodeWorker();

    SearchParams m_params;
    std::thread m_coordinator;
    std::vector<std::thread> m_workers;

    std::atomic<SearchPhase> m_phase{SearchPhase::Idle};
    std::atomic<bool> m_stopGathering{false};
    std::atomic<bool> m_stopCompare{false};
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_files{0};
    std::atomic<int> m_compared{0};
    std::atomic<int> m_compareTotal{0};

    // Decode queue of the bitmap method, guarded by m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_jobReady;
    std::condition_variable m_jobTaken;
    std::condition_variable m_finishedChanged;
    std::deque<Job> m_jobs;
    std::vector<Done> m_done;
    bool m_walkDone = false;

    MemoryBudget m_budget{DecodeLimits().maxDecodeBytes};
    // Open during the bitmap method's file phase when a cache was asked for; workers store into it.
    std::unique_ptr<KeyCacheSession> m_cache;

    // Similar method: the descriptors of the decoded pictures, in table order, and their rows.
    std::vector<SimilarDescriptor> m_descriptors;
    std::vector<int> m_descriptorRows;

    SearchOutcome m_outcome; // written by the coordinator, read after it is joined
};

} // namespace Duovue
