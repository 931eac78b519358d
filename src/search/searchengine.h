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

/// Files: the walk gathers files (the hash method reads their heads on the way); Keys: the
/// bitmap and similar methods read the gathered pictures; Compare: the grouping.
enum class SearchPhase { Idle, Files, Keys, Compare, Done };

struct SearchProgress {
    SearchPhase phase = SearchPhase::Idle;
    int files = 0; // files gathered so far (rows of the table, keyed or not)
    int read = 0; // of them, read: pictures decoded or refused (bitmap and similar methods)
    int compared = 0; // comparison phase: done of total
    int compareTotal = 0;
};

/// A file (or folder) the search could not read, so that it took no part in the comparison.
struct UnreadFile {
    QString path;
    QString reason; // in plain words (English), for the command line and the log
};

struct SearchOutcome {
    GroupingResult grouping;
    int filesGathered = 0; // files the walk gathered
    int filesRead = 0; // of them, read: their pictures decoded or refused, or (hash method) their heads
    /// Where the abort button cut the search short: Files (the walk: more files may be in the
    /// folder), Keys (the reading of the pictures), Compare; Idle when the search ran to its end.
    SearchPhase abortedIn = SearchPhase::Idle;
    int compared = 0; // the comparison's count when it ended, of compareTotal
    int compareTotal = 0;
    /// Candidates that could not be opened, read or decoded (not files that are no pictures at all,
    /// such as a folder named like one), and folders that could not be listed; in walk order.
    std::vector<UnreadFile> unreadable;
    SearchTable table; // computeAllKeys: every gathered row with its key, in walk order
    KeyCacheReport cache;
};
/// Runs one similar-image search on threads of its own: a coordinator thread walks the folder and
/// (hash method) finds identical files; in the bitmap and similar methods the walk ends before any
/// picture is read, so that the reading can count against the whole, and then up to eight decode
/// workers make bitmap keys or similar descriptors of the gathered files, which stay unchanged
/// while they run. The grouping runs on the coordinator once every worker has been joined. Workers
/// never touch the table: each returns its key by value into a queue that only the coordinator
/// reads, so no late result can arrive after the grouping starts. The workers share one
/// MemoryBudget of DecodeLimits::maxDecodeBytes, so their decodes together never hold more however
/// many run: giant pictures make the others wait rather than add up.
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
    /// The abort button: in the file phase it ends the gathering (the hash method still compares
    /// the files gathered so far); in the bitmap and similar methods' reading it stops the reading
    /// (the pictures read so far are compared); in the comparison phase it ends the comparison
    /// after the current group.
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
    struct Done {
        int row;
        PictureKeys keys;
    };

    void run();
    void enterComparePhase(int total);
    void noteUnreadable(const QString &path, int error);
    void gatherHash(HashCandidates &files);
    void gatherPictures(SearchTable &table);
    void readPictures(const std::vector<GatheredFile> &files);
    void decodeWorker(const std::vector<GatheredFile> &files);

    SearchParams m_params;
    std::thread m_coordinator;
    std::vector<std::thread> m_workers;

    std::atomic<SearchPhase> m_phase{SearchPhase::Idle};
    std::atomic<bool> m_stopGathering{false};
    std::atomic<bool> m_stopCompare{false};
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_files{0};
    std::atomic<int> m_read{0};
    std::atomic<int> m_compared{0};
    std::atomic<int> m_compareTotal{0};

    // Decode queue of the bitmap and similar methods (rows of the gathered files), guarded by
    // m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_jobReady;
    std::condition_variable m_jobTaken;
    std::condition_variable m_finishedChanged;
    std::deque<int> m_jobs;
    std::vector<Done> m_done;
    bool m_queueDone = false;

    MemoryBudget m_budget{DecodeLimits().maxDecodeBytes};
    // Open while the pictures are read when a cache was asked for; workers store into it.
    std::unique_ptr<KeyCacheSession> m_cache;

    // Similar method: the descriptors of the decoded pictures, in table order, and their rows.
    std::vector<SimilarDescriptor> m_descriptors;
    std::vector<int> m_descriptorRows;

    SearchOutcome m_outcome; // written by the coordinator, read after it is joined
};

} // namespace Duovue
