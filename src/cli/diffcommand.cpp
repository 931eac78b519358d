#include <QBuffer>
#include <QImageWriter>
#include <QtConcurrent/QtConcurrentRun>

#include "cli/clicommand.h"
#include "core/atomicfile.h"
#include "imaging/picturedifference.h"
#include "imaging/pictureloader.h"

namespace Duovue::Cli
{

namespace
{

// bindiff's convention, which is cmp's.
enum DiffExit : int { Same = 0, Different = 1, Trouble = 2 };

int run(const QStringList &args, Io &io);

const Command &command()
{
    static const Command c{"diff",
        "diff [--tolerance N] [--fit] [--mask OUT.png] [--regions] [--] LEFT RIGHT",
        "Compare two pictures pixel by pixel as the viewer's difference mode does: a pixel differs when any of "
        "its channels differs by more than N (0-255, default 0). Prints the differing pixels and their share; "
        "--regions lists the bounding boxes of the 8-connected differing regions (x y width height, the largest "
        "100, most pixels first); --mask writes a PNG of the left picture's size, differing pixels pure red and "
        "all others a dimmed grey copy of the left picture. Pictures of different sizes differ, unless --fit "
        "scales the right one to the left one's size first. Exit 0 when no pixel differs, 1 when some do or "
        "the sizes differ, 2 on trouble.",
        run};
    return c;
}

QString sizeText(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

Result<void> writeMask(const QString &path, const QImage &mask)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(mask))
        return Error{Error::Code::WriteFailed, writer.errorString()};
    buffer.close();
    return writeFileAtomically(path, bytes);
}

int run(const QStringList &args, Io &io)
{
    int tolerance = 0;
    bool fit = false;
    bool listRegions = false;
    QString maskPath;
    QStringList files;
    bool options = true;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!options) {
            files.append(a);
        } else if (a == QLatin1String("--")) {
            options = false;
        } else if (a == QLatin1String("--tolerance")) {
            bool ok = false;
            tolerance = i + 1 < args.size() ? args[++i].toInt(&ok) : -1;
            if (!ok || tolerance < 0 || tolerance > PictureDifference::MaxTolerance)
                return usageError(io, command(), QStringLiteral("--tolerance takes a number from 0 to 255"));
        } else if (a == QLatin1String("--mask")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty())
                return usageError(io, command(), QStringLiteral("--mask takes the file to write"));
            maskPath = args[++i];
        } else if (a == QLatin1String("--fit")) {
            fit = true;
        } else if (a == QLatin1String("--regions")) {
            listRegions = true;
        } else if (a.startsWith(u'-') && a.size() > 1) {
            return usageError(io, command(), QStringLiteral("unknown option '%1'").arg(a));
        } else {
            files.append(a);
        }
    }
    if (files.size() != 2)
        return usageError(io, command(), QStringLiteral("two pictures are needed"));

    // The two decodes take most of the time; they run side by side.
    QFuture<Result<DecodedPicture>> rightRead = QtConcurrent::run([path = files[1]] {
        return ReadPicture(path);
    });
    Result<DecodedPicture> left = ReadPicture(files[0]);
    Result<DecodedPicture> right = rightRead.result();
    bool readFailed = false;
    for (const Result<DecodedPicture> *read : {&left, &right}) {
        if (!*read) {
            // The reader's message names the file already.
            io.err << "duovue-cli diff: " << escaped(read->error().message) << '\n';
            readFailed = true;
        }
    }
    if (readFailed)
        return Trouble;

    QImage leftPicture = std::move(left.value().picture);
    QImage rightPicture = std::move(right.value().picture);
    if (leftPicture.size() != rightPicture.size()) {
        if (!fit) {
            io.out << "sizes differ: " << sizeText(leftPicture.size()) << " and " << sizeText(rightPicture.size())
                   << '\n';
            if (!maskPath.isEmpty())
                io.err << "duovue-cli diff: no mask written: the sizes differ (--fit compares them)\n";
            return Different;
        }
        io.out << "right scaled from " << sizeText(rightPicture.size()) << " to " << sizeText(leftPicture.size())
               << '\n';
        rightPicture = PictureDifference::fittedTo(rightPicture, leftPicture.size());
    }
    const QImage differences = PictureDifference::channelDifferences(leftPicture, rightPicture);
    rightPicture = QImage();
    if (differences.isNull()) {
        io.err << "duovue-cli diff: out of memory\n";
        return Trouble;
    }
    const DifferenceSummary summary =
        PictureDifference::summarise(differences, tolerance, listRegions ? PictureDifference::MaxListedRegions : 0);
    io.out << "differing pixels: " << summary.differingPixels << " of " << summary.totalPixels << " ("
           << QString::number(summary.share() * 100.0, 'f', 4) << "%)\n";
    if (listRegions) {
        io.out << "regions: " << summary.regionCount;
        if (summary.regionCount > summary.regions.size())
            io.out << " (the largest " << summary.regions.size() << " listed)";
        io.out << '\n';
        for (const DifferenceRegion &r : summary.regions)
            io.out << "  " << r.box.x() << ' ' << r.box.y() << ' ' << r.box.width() << ' ' << r.box.height() << '\n';
    }
    if (!maskPath.isEmpty()) {
        const QImage greys = PictureDifference::dimmedGreys(leftPicture);
        leftPicture = QImage();
        const QImage mask = PictureDifference::marked(greys, differences, tolerance);
        const Result<void> written = mask.isNull()
            ? Result<void>(Error{Error::Code::Other, QStringLiteral("out of memory")})
            : writeMask(maskPath, mask);
        if (!written) {
            io.err << "duovue-cli diff: " << escaped(maskPath) << ": " << escaped(written.error().message) << '\n';
            return Trouble;
        }
    }
    return summary.differingPixels > 0 ? Different : Same;
}

} // namespace

const Command &diffCommand()
{
    return command();
}

} // namespace Duovue::Cli
