// Speed of filling and sorting a file list, measured side by side with a bare enumeration.
//
//   duovue-bench-lists fill DIR [--rounds N] [--make FILES FOLDERS]
//   duovue-bench-lists sort [--rows N] [--rounds N]
//
// "fill" times a subfolder fill of DIR (scan, then the entries join the document's list and its
// model at once) against `find DIR -type f -printf '%s %T@\n'` run as a child process, alternating the two
// so that both see the same cache state; it prints the medians and their ratio. "--make" first
// creates FILES empty .jpg files spread over FOLDERS folders under DIR.
// "sort" times the column-click sort of N rows by name and by size.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "document/cduovuedoc.h"
#include "document/filelistmodel.h"
#include "document/listfill.h"
#include "lists/columnsort.h"
#include "lists/textformats.h"

extern char **environ;

using namespace Duovue;
using Clock = std::chrono::steady_clock;

namespace
{

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of this thread: less disturbed than the wall clock when other work shares the machine.
double cpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The window's part of a fill, measuring how often the event loop would get to run and, when
// asked, pressing the abort button after a while.
class QuietProgress final : public FillProgress
{
public:
    void begin() override { m_last = m_start = Clock::now(); }
    void end() override { }
    void pump() override
    {
        const auto now = Clock::now();
        maxGapMs = std::max(maxGapMs, std::chrono::duration<double, std::milli>(now - m_last).count());
        m_last = now;
        ++pumps;
        if (abortAfterMs > 0 && !abortRequested
            && std::chrono::duration<double, std::milli>(now - m_start).count() >= abortAfterMs) {
            abortRequested = true;
            abortedAt = now;
        }
    }

    std::atomic<bool> abortRequested{false};
    int pumps = 0;
    double maxGapMs = 0;
    double abortAfterMs = 0;
    Clock::time_point abortedAt{};

private:
    Clock::time_point m_start{};
    Clock::time_point m_last{};
};

bool makeTree(const QString &root, int files, int folders)
{
    // Folders nested two deep (f000/g00) so that the walk also recurses, files spread evenly.
    const int perFolder = (files + folders - 1) / folders;
    int made = 0;
    for (int f = 0; f < folders && made < files; ++f) {
        const QString folder = QStringLiteral("%1/f%2/g%3").arg(root).arg(f / 10, 3, 10, QLatin1Char('0')).arg(f % 10);
        if (!QDir().mkpath(folder))
            return false;
        const QByteArray base = QFile::encodeName(folder);
        for (int i = 0; i < perFolder && made < files; ++i, ++made) {
            char name[64];
            std::snprintf(name, sizeof name, "/Picture_%04d.jpg", i);
            const int fd = ::open(QByteArray(base + name).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0)
                return false;
            ::close(fd);
        }
    }
    return true;
}

double timeFind(const QByteArray &root, double *cpu)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const char *argv[] = {"find", root.constData(), "-type", "f", "-printf", "%s %T@\\n", nullptr};
    const auto start = Clock::now();
    pid_t pid;
    if (posix_spawnp(&pid, "find", &actions, nullptr, const_cast<char **>(argv), environ) != 0)
        return -1;
    int status = 0;
    struct rusage usage {
    };
    ::wait4(pid, &status, 0, &usage);
    const double ms = msSince(start);
    *cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    posix_spawn_file_actions_destroy(&actions);
    return ms;
}

double timeFill(const QString &root, int *rows, int *pumps, double *cpu)
{
    CDuovueDoc document;
    FileListModel model(document, 0);
    QuietProgress progress;
    FillOptions options;
    options.includeSubfolders = true;
    const auto start = Clock::now();
    const double cpuStart = cpuMs();
    FillFromFolder(document, progress.abortRequested, progress, 0, options, root);
    const double ms = msSince(start);
    *cpu = cpuMs() - cpuStart;
    *rows = model.rowCount();
    *pumps = progress.pumps;
    return ms;
}

int fillBench(const QStringList &args)
{
    if (args.isEmpty())
        return 2;
    const QString root = QDir(args[0]).absolutePath();
    int rounds = 7;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--rounds") && i + 1 < args.size()) {
            rounds = args[++i].toInt();
        } else if (args[i] == QLatin1String("--make") && i + 2 < args.size()) {
            const int files = args[++i].toInt();
            const int folders = args[++i].toInt();
            std::printf("making %d files in %d folders under %s\n", files, folders, qPrintable(root));
            if (!makeTree(root, files, folders))
                return 1;
        }
    }
    const QByteArray rootBytes = QFile::encodeName(root);
    int rows = 0, pumps = 0;
    double findCpu = 0, fillCpu = 0;
    timeFind(rootBytes, &findCpu); // warm the caches for both
    timeFill(root, &rows, &pumps, &fillCpu);
    std::vector<double> find, fill, ratios, findCpus, fillCpus, cpuRatios;
    for (int r = 0; r < rounds; ++r) {
        const double a = timeFind(rootBytes, &findCpu);
        const double b = timeFill(root, &rows, &pumps, &fillCpu);
        find.push_back(a);
        fill.push_back(b);
        ratios.push_back(b / a);
        findCpus.push_back(findCpu);
        fillCpus.push_back(fillCpu);
        cpuRatios.push_back(fillCpu / findCpu);
    }
    std::printf("rows %d, progress calls per fill %d, rounds %d\n", rows, pumps, rounds);
    std::printf("find -printf   median %8.1f ms (cpu %8.1f ms)\n", median(find), median(findCpus));
    std::printf("fill (scan)    median %8.1f ms (cpu %8.1f ms)\n", median(fill), median(fillCpus));
    std::printf("ratio fill/find median %.2f, cpu %.2f (goal <= 1.50)\n", median(ratios), median(cpuRatios));

    // Responsiveness: the longest stretch without a chance for the event loop, and how long the
    // fill takes to end once the abort button was pressed (the press is seen at a pump).
    std::vector<double> gaps, latencies;
    int kept = 0;
    for (int r = 0; r < rounds; ++r) {
        CDuovueDoc document;
        FileListModel model(document, 0);
        QuietProgress progress;
        FillOptions options;
        options.includeSubfolders = true;
        FillFromFolder(document, progress.abortRequested, progress, 0, options, root);
        gaps.push_back(progress.maxGapMs);

        CDuovueDoc aborting;
        FileListModel abortModel(aborting, 0);
        QuietProgress abortProgress;
        abortProgress.abortAfterMs = median(fill) / 3;
        FillFromFolder(aborting, abortProgress.abortRequested, abortProgress, 0, options, root);
        if (abortProgress.abortedAt != Clock::time_point{})
            latencies.push_back(msSince(abortProgress.abortedAt));
        kept = abortModel.rowCount();
    }
    std::printf("longest time between event-loop turns: median %.1f ms, worst %.1f ms\n",
        median(gaps),
        *std::max_element(gaps.begin(), gaps.end()));
    if (!latencies.empty())
        std::printf("abort to fill end: median %.2f ms, worst %.2f ms (goal < 100; %d rows kept)\n",
            median(latencies),
            *std::max_element(latencies.begin(), latencies.end()),
            kept);
    return 0;
}

int sortBench(const QStringList &args)
{
    int rows = 100000;
    int rounds = 7;
    for (int i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows"))
            rows = args[++i].toInt();
        else if (args[i] == QLatin1String("--rounds"))
            rounds = args[++i].toInt();
    }
    std::mt19937 random(1);
    FileList base;
    base.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        FileList::Entry e;
        e.columns[0] = QStringLiteral("IMG_%1_%2.jpg").arg(random() % 100000).arg(i);
        e.columns[1] = QStringLiteral("/home/user/Pictures/2023/album%1/").arg(i / 100);
        e.columns[2] = FormatFileTime(1600000000 + random() % 100000000);
        e.columns[3] = FormatFileTime(1600000000 + random() % 100000000);
        e.columns[4] = FormatFileSize(random() % 20000000);
        e.primary = QStringLiteral("0");
        base.append(std::move(e));
    }
    std::printf("sorting %d rows, median of %d\n", rows, rounds);
    const struct {
        const char *name;
        int column;
    } cases[] = {{"name", 0}, {"size", 4}, {"modified", 3}, {"folder", 1}};
    for (const auto &c : cases) {
        std::vector<double> first, second, firstCpu, secondCpu;
        for (int r = 0; r < rounds; ++r) {
            CDuovueDoc document;
            document.appendEntries(0, base);
            // Unshare the arrays first: the lists of the program are never shared copies.
            document.setEntry(0, 0, document.fileList(0).entry(0));
            SortDirections flags{};
            auto start = Clock::now();
            double cpu = cpuMs();
            document.sortRows(0, c.column, flags[c.column]);
            flags[c.column] = !flags[c.column];
            first.push_back(msSince(start));
            firstCpu.push_back(cpuMs() - cpu);
            start = Clock::now();
            cpu = cpuMs();
            document.sortRows(0, c.column, flags[c.column]); // the second click: reverse order
            second.push_back(msSince(start));
            secondCpu.push_back(cpuMs() - cpu);
        }
        std::printf("by %-8s first click %6.1f ms (cpu %6.1f), second click %6.1f ms (cpu %6.1f) (goal < 100)\n",
            c.name,
            median(first),
            median(firstCpu),
            median(second),
            median(secondCpu));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const QString what = args.isEmpty() ? QString() : args.takeFirst();
    if (what == QLatin1String("fill"))
        return fillBench(args);
    if (what == QLatin1String("sort"))
        return sortBench(args);
    std::fprintf(stderr,
        "usage: duovue-bench-lists fill DIR [--rounds N] [--make FILES FOLDERS]\n"
        "       duovue-bench-lists sort [--rows N] [--rounds N]\n");
    return 2;
}
