#include "cli/clicommand.h"
#include "compose/compositefile.h"
#include "compose/compositestate.h"
#include "compose/compositor.h"
#include "imaging/pictureloader.h"

namespace Duovue::Cli
{

namespace
{

int run(const QStringList &args, Io &io);

const Command &command()
{
    static const Command c{"compose",
        "compose --method rows|columns|dots [--ratio N] [--aspect free|original] [--max WxH] [--quality Q] "
        "LEFT RIGHT OUT",
        "Composite the right picture over the left one as the compositing window opens them (right picture at "
        "its start position) and save the composite at OUT exactly as the window would: BMP when OUT ends in "
        ".bmp, JPEG when it ends in .jpg or .jpeg (any case) or has no extension. N: band width 1-5 (default "
        "1); WxH: largest composite (default 800x600); Q: JPEG quality 20-100 (default 95). Exit 1 when a "
        "picture cannot be read, the left one is narrower than 30 pixels, OUT has another extension, or OUT "
        "cannot be written (its folder must exist; an existing OUT is then left as it was, and only a regular "
        "file is ever replaced).",
        run};
    return c;
}

bool parseSize(const QString &text, QSize &size)
{
    const QStringList parts = text.split(u'x');
    if (parts.size() != 2)
        return false;
    bool okW = false;
    bool okH = false;
    const int w = parts[0].toInt(&okW);
    const int h = parts[1].toInt(&okH);
    if (!okW || !okH || w < 1 || h < 1)
        return false;
    size = QSize(w, h);
    return true;
}

Result<DecodedPicture> readSide(const QString &path, Io &io)
{
    Result<DecodedPicture> read = ReadPicture(path);
    // The reader's message names the file already.
    if (!read)
        io.err << "duovue-cli compose: " << escaped(read.error().message) << '\n';
    return read;
}

int run(const QStringList &args, Io &io)
{
    CompositeOptions options;
    bool methodGiven = false;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&]() -> QString {
            return i + 1 < args.size() ? args[++i] : QString();
        };
        if (a == QLatin1String("--method")) {
            const QString m = value();
            methodGiven = true;
            if (m == QLatin1String("rows"))
                options.method = CompositeMethod::Rows;
            else if (m == QLatin1String("columns"))
                options.method = CompositeMethod::Columns;
            else if (m == QLatin1String("dots"))
                options.method = CompositeMethod::Dots;
            else
                return usageError(io, command(), QStringLiteral("--method takes rows, columns or dots"));
        } else if (a == QLatin1String("--ratio")) {
            bool ok = false;
            options.ratio = value().toInt(&ok);
            if (!ok || options.ratio < CompositeOptions::MinimumRatio || options.ratio > CompositeOptions::MaximumRatio)
                return usageError(io, command(), QStringLiteral("--ratio takes a number from 1 to 5"));
        } else if (a == QLatin1String("--aspect")) {
            const QString m = value();
            if (m == QLatin1String("free"))
                options.aspect = RightAspect::Free;
            else if (m == QLatin1String("original"))
                options.aspect = RightAspect::Original;
            else
                return usageError(io, command(), QStringLiteral("--aspect takes free or original"));
        } else if (a == QLatin1String("--max")) {
            if (!parseSize(value(), options.maximum))
                return usageError(io, command(), QStringLiteral("--max takes WIDTHxHEIGHT, both at least 1"));
        } else if (a == QLatin1String("--quality")) {
            bool ok = false;
            options.quality = value().toInt(&ok);
            if (!ok || options.quality < CompositeOptions::MinimumQuality
                || options.quality > CompositeOptions::MaximumQuality)
                return usageError(io, command(), QStringLiteral("--quality takes a number from 20 to 100"));
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(io, command(), QStringLiteral("unknown option ") + a);
        } else {
            files.append(a);
        }
    }
    if (!methodGiven)
        return usageError(io, command(), QStringLiteral("--method missing"));
    if (files.size() != 3)
        return usageError(io, command(), QStringLiteral("LEFT, RIGHT and OUT are needed"));

    const QString &out = files[2];
    if (CompositeFileTypeFor(out) == CompositeFileType::Unsupported) {
        io.err << "duovue-cli compose: " << escaped(out)
               << ": a composite is saved only as JPEG (.jpg, .jpeg) or BMP (.bmp)\n";
        return Failure;
    }
    const Result<DecodedPicture> left = readSide(files[0], io);
    const Result<DecodedPicture> right = readSide(files[1], io);
    if (!left || !right)
        return Failure;
    const QImage &leftPicture = left.value().picture;
    if (leftPicture.width() < CompositeState::MinimumLeftWidth) {
        io.err << "duovue-cli compose: " << escaped(files[0]) << ": the left picture is narrower than "
               << CompositeState::MinimumLeftWidth << " pixels\n";
        return Failure;
    }
    const QImage &rightPicture = right.value().picture;
    const CompositeState state(leftPicture.size(), rightPicture.size(), options);
    Compositor compositor(leftPicture, rightPicture, state.compositeSize());
    const Result<void> saved = SaveComposite(compositor.compose(state), out, state.method(), options.quality);
    if (!saved) {
        io.err << "duovue-cli compose: " << escaped(out) << ": " << escaped(saved.error().message) << '\n';
        return Failure;
    }
    io.out << "composite " << state.compositeSize().width() << " x " << state.compositeSize().height() << ", "
           << (CompositeFileTypeFor(out) == CompositeFileType::Bmp ? "BMP" : "JPEG") << '\n';
    return Success;
}

} // namespace

const Command &composeCommand()
{
    return command();
}

} // namespace Duovue::Cli
