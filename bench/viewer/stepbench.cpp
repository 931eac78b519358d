// Times a step of the comparison viewer to the next 24-megapixel JPEG, from the key press (→ held,
// ↓ pressed) to the pane painted, against a bare decode of the same file (QImageReader::read),
// alternating the two in one process so that drift of the machine's speed hits both alike:
//   - without prefetch (the next entry is read when the key comes): goal <= 1.2 x the decode;
//   - with prefetch (the next entry was read while the user looked): goal <= 0.25 x the decode.
// Prints medians and ratios; exits 1 when a goal is missed. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
//
//   duovue-bench-viewerstep [--rounds N] [--fit] [FILE...]
//
// --fit shows the panes fitted to the window (見比べ/大きさ 1) instead of at actual size.
//
// Without files, four 6000 x 4000 JPEGs are made in a temporary folder.

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "core/appsettings.h"
#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "silentservices.h"
#include "viewer/cpreframe.h"
#include "viewer/cviewerpane.h"

using namespace Duovue;

namespace
{

QStringList makePictures(const QString &folder, int count)
{
    QStringList paths;
    std::mt19937 random(42);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int n = 0; n < count; ++n) {
        QImage image(6000, 4000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int r = (x * 255) / image.width() + noise(random);
                const int g = (y * 255) / image.height() + noise(random);
                const int b = ((x + y + 97 * n) / 23) % 256;
                line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), b);
            }
        }
        const QString path = folder + QStringLiteral("/step%1.jpg").arg(n);
        image.save(path, "JPEG", 90);
        paths << path;
    }
    return paths;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double bareDecode(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    QImageReader reader(path);
    const QImage image = reader.read();
    const double ms = timer.nsecsElapsed() / 1e6;
    if (image.isNull())
        qFatal("QImageReader failed: %s", qPrintable(reader.errorString()));
    return ms;
}

void sendKey(QWidget *to, QEvent::Type type, int key)
{
    QKeyEvent event(type, key, Qt::NoModifier);
    QCoreApplication::sendEvent(to, &event);
}

/// Steps the right side to its next entry and returns the milliseconds until the pane is painted.
double timedStep(CPreFrame &frame)
{
    CViewerPane *pane = frame.pane(1);
    sendKey(&frame, QEvent::KeyPress, Qt::Key_Right);
    QElapsedTimer timer;
    timer.start();
    sendKey(&frame, QEvent::KeyPress, Qt::Key_Down);
    pane->repaint();
    const double ms = timer.nsecsElapsed() / 1e6;
    sendKey(&frame, QEvent::KeyRelease, Qt::Key_Down);
    sendKey(&frame, QEvent::KeyRelease, Qt::Key_Right);
    return ms;
}

/// Waits until the side's background read (if any) is done, so that no decode competes.
void settle(CPreFrame &frame)
{
    QSignalSpy done(&frame.prefetcher(), &PicturePrefetcher::prefetched);
    QCoreApplication::processEvents(); // the read starts after the pane was painted
    if (frame.prefetcher().isRunning(1))
        done.wait(60000);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("rounds"), QStringLiteral("Steps of each kind."), QStringLiteral("N"), QStringLiteral("7")});
    parser.addOption({QStringLiteral("fit"), QStringLiteral("Fit the pictures to the panes.")});
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("JPEGs to step through."));
    parser.process(app);
    const int rounds = std::max(1, parser.value(QStringLiteral("rounds")).toInt());

    QTemporaryDir tmp;
    QStringList paths = parser.positionalArguments();
    if (paths.size() < 2)
        paths = makePictures(tmp.path(), 4);

    CDuovueDoc document;
    SessionState session;
    for (int side = 0; side < 2; ++side) {
        FileList list;
        for (const QString &path : std::as_const(paths)) {
            FileList::Entry entry;
            const QFileInfo info(path);
            entry.columns[0] = info.fileName();
            entry.columns[1] = info.absolutePath() + u'/';
            entry.primary = QStringLiteral("0");
            list.append(entry);
        }
        document.appendEntries(side, list);
    }
    SettingsStore settings(tmp.filePath(QStringLiteral("Duovue.ini")));
    (void)settings.setValue(AppSettings::ViewerPlacement(), 1);
    (void)settings.setValue(AppSettings::ViewerFitToWindow(), parser.isSet(QStringLiteral("fit")) ? 1 : 0);
    Bench::Silent silent;
    CPreFrame frame(CommandContext{document, session, settings, silent, silent, nullptr}, {});
    if (!frame.open())
        qFatal("the viewer did not open");

    auto atStart = [&] {
        if (document.position(1) + 1 >= document.fileList(1).size()) {
            frame.backToTop(1);
            settle(frame);
        }
    };
    // One untimed step warms the file cache and the decoder.
    settle(frame);
    timedStep(frame);
    bareDecode(paths.constFirst());

    std::vector<double> cold, warm, bare, coldRatios, warmRatios;
    for (int i = 0; i < rounds; ++i) {
        // Without prefetch: the read of the next entry is dropped before the key comes.
        atStart();
        settle(frame);
        frame.prefetcher().clear();
        const QString nextCold = document.fileList(1).fullPath(document.position(1) + 1);
        const double b1 = bareDecode(nextCold);
        const double c = timedStep(frame);

        // With prefetch: the user looked long enough for the next entry to be read.
        atStart();
        settle(frame);
        const QString nextWarm = document.fileList(1).fullPath(document.position(1) + 1);
        const double w = timedStep(frame);
        const double b2 = bareDecode(nextWarm);

        cold.push_back(c);
        warm.push_back(w);
        bare.push_back(b1);
        bare.push_back(b2);
        coldRatios.push_back(c / b1);
        warmRatios.push_back(w / b2);
    }

    const double coldRatio = median(coldRatios);
    const double warmRatio = median(warmRatios);
    std::printf("panes: %s\n", parser.isSet(QStringLiteral("fit")) ? "fitted to the window" : "actual size");
    std::printf("files: %lld JPEGs, first %s (%lld bytes)\n",
        static_cast<long long>(paths.size()),
        qPrintable(paths.constFirst()),
        static_cast<long long>(QFileInfo(paths.constFirst()).size()));
    std::printf("bare decode (QImageReader)   median %8.1f ms\n", median(bare));
    std::printf("step, key to painted pane    median %8.1f ms  ratio %.3f, goal <= 1.2: %s\n",
        median(cold),
        coldRatio,
        coldRatio <= 1.2 ? "met" : "MISSED");
    std::printf("step to a prefetched picture median %8.1f ms  ratio %.3f, goal <= 0.25: %s\n",
        median(warm),
        warmRatio,
        warmRatio <= 0.25 ? "met" : "MISSED");
    return coldRatio <= 1.2 && warmRatio <= 0.25 ? 0 : 1;
}
