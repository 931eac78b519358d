// Times the comparison viewer's difference mode and flicker, offscreen:
//   - redraw: the right pane after a change of the tolerance, from the change to the pane painted
//     (difference picture, counts and regions, the reduced copy, the paint), on the pair scaled to
//     2 megapixels, fitted and at actual size; goal under one frame (16 ms);
//   - flicker: the left pane alternating the two 24-megapixel pictures at 100 ms, fitted, for
//     FLICKS ticks: the time each tick takes to draw and the gaps between ticks; goal: every tick
//     drawn well within the interval and no gap above 1.5 intervals (no dropped frame).
// Prints medians and maxima; exits 1 when a goal is missed.
//
//   duovue-bench-diffview [--rounds N] [--flicks N] LEFT RIGHT
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include "../viewer/silentservices.h"
#include "core/appsettings.h"
#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "imaging/pictureloader.h"
#include "resources/commandtable.h"
#include "viewer/ccomparisonmodes.h"
#include "viewer/cpreframe.h"
#include "viewer/cviewerpane.h"

using namespace Duovue;

namespace
{

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

/// The processor time of this thread in milliseconds: what a redraw costs on a machine whose other
/// programs take no turns, which the wall clock of a shared machine does not tell.
double threadMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double maximum(const std::vector<double> &values)
{
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

/// The viewer on one pair, its panes 760 x 560, fitted or at actual size.
struct Viewer {
    CDuovueDoc document;
    SessionState session;
    QTemporaryDir tmp;
    SettingsStore settings{tmp.filePath(QStringLiteral("Duovue.ini"))};
    Bench::Silent silent;
    std::unique_ptr<CPreFrame> frame;

    Viewer(const QString &left, const QString &right, bool fit)
    {
        for (int side = 0; side < 2; ++side) {
            const QFileInfo info(side == 0 ? left : right);
            FileList list;
            FileList::Entry entry;
            entry.columns[0] = info.fileName();
            entry.columns[1] = info.absolutePath() + u'/';
            entry.primary = QStringLiteral("1");
            list.append(entry);
            document.appendEntries(side, list);
        }
        (void)settings.setValue(AppSettings::ViewerPlacement(), 1);
        (void)settings.setValue(AppSettings::ViewerWidth(), 1560);
        (void)settings.setValue(AppSettings::ViewerHeight(), 620);
        (void)settings.setValue(AppSettings::ViewerFitToWindow(), fit ? 1 : 0);
        frame = std::make_unique<CPreFrame>(
            CommandContext{document, session, settings, silent, silent, nullptr}, CPreFrame::Hooks{});
        if (!frame->open())
            qFatal("the viewer did not open");
        QCoreApplication::processEvents();
    }
};

struct Redraws {
    std::vector<double> wall;
    std::vector<double> processor;
};

Redraws redraws(const QString &left, const QString &right, bool fit, int rounds)
{
    Viewer viewer(left, right, fit);
    CComparisonModes *modes = viewer.frame->modes();
    modes->setMode(CComparisonModes::Mode::Difference);
    viewer.frame->pane(1)->repaint();
    Redraws ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double started = threadMilliseconds();
        modes->setTolerance(modes->tolerance() == 8 ? 9 : 8);
        viewer.frame->pane(1)->repaint();
        ms.processor.push_back(threadMilliseconds() - started);
        ms.wall.push_back(timer.nsecsElapsed() / 1e6);
    }
    return ms;
}

/// Writes @p path scaled to about 2 megapixels as a BMP (read without loss) and returns its path.
QString twoMegapixels(const QString &path, const QString &folder, const QString &name)
{
    Result<DecodedPicture> read = ReadPicture(path);
    if (!read)
        qFatal("%s", qPrintable(read.error().message));
    const QImage small = read.value().picture.scaled(1732, 1155, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QString out = folder + u'/' + name;
    if (!small.save(out, "BMP"))
        qFatal("cannot write %s", qPrintable(out));
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("rounds"),
        QStringLiteral("Tolerance changes timed."),
        QStringLiteral("N"),
        QStringLiteral("15")});
    parser.addOption(
        {QStringLiteral("flicks"), QStringLiteral("Flicker ticks timed."), QStringLiteral("N"), QStringLiteral("40")});
    parser.addPositionalArgument(QStringLiteral("left"), QStringLiteral("The left picture (24 megapixels)."));
    parser.addPositionalArgument(QStringLiteral("right"), QStringLiteral("The right picture."));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        parser.showHelp(2);
    const int rounds = std::max(1, parser.value(QStringLiteral("rounds")).toInt());
    const int flicks = std::max(2, parser.value(QStringLiteral("flicks")).toInt());
    bool met = true;

    QTemporaryDir tmp;
    const QString left2 = twoMegapixels(files[0], tmp.path(), QStringLiteral("left.bmp"));
    const QString right2 = twoMegapixels(files[1], tmp.path(), QStringLiteral("right.bmp"));
    for (const bool fit : {true, false}) {
        const Redraws ms = redraws(left2, right2, fit, rounds);
        std::printf("   difference redraw after a tolerance change, 1732 x 1155, %s: median %.1f ms, max %.1f ms; "
                    "processor time median %.1f ms, max %.1f ms (goal < 16)\n",
            fit ? "fitted" : "actual size",
            median(ms.wall),
            maximum(ms.wall),
            median(ms.processor),
            maximum(ms.processor));
        met = met && median(ms.wall) < 16.0;
    }

    Viewer viewer(files[0], files[1], true);
    CComparisonModes *modes = viewer.frame->modes();
    CViewerPane *pane = viewer.frame->pane(0);
    modes->setFlickerInterval(100);
    QElapsedTimer clock;
    clock.start();
    // A tick repaints the pane and then announces it: the paint lies between the two.
    qint64 paintStarted = 0;
    std::vector<double> draws;
    std::vector<qint64> ticks;
    struct PaintWatch final : QObject {
        qint64 *started;
        QElapsedTimer *clock;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                *started = clock->nsecsElapsed();
            return false;
        }
    } watch;
    watch.started = &paintStarted;
    watch.clock = &clock;
    pane->installEventFilter(&watch);
    QObject::connect(modes, &CComparisonModes::statusChanged, [&] {
        if (!modes->isFlickering())
            return;
        const qint64 now = clock.nsecsElapsed();
        ticks.push_back(now);
        draws.push_back((now - paintStarted) / 1e6);
    });
    QElapsedTimer prepare;
    prepare.start();
    modes->toggleFlicker();
    const double prepared = prepare.nsecsElapsed() / 1e6;
    while (int(ticks.size()) < flicks + 1)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    modes->stopFlicker();
    std::vector<double> gaps;
    for (size_t i = 2; i < ticks.size(); ++i) // the first tick comes at once, not after an interval
        gaps.push_back((ticks[i] - ticks[i - 1]) / 1e6);
    const int dropped = int(std::count_if(gaps.begin(), gaps.end(), [](double gap) {
        return gap > 150.0;
    }));
    std::printf("   flicker 6000 x 4000 at 100 ms, fitted: preparing %.0f ms; drawing a tick median %.2f ms, max %.2f "
                "ms; gaps median %.1f ms, max %.1f ms; dropped frames %d of %d (goal 0)\n",
        prepared,
        median(draws),
        maximum(draws),
        median(gaps),
        maximum(gaps),
        dropped,
        int(gaps.size()));
    met = met && dropped == 0;
    return met ? 0 : 1;
}
