#include <atomic>

#include "cli/clicommand.h"
#include "pairtools/jpegmarkers.h"
#include "pairtools/progresspump.h"

namespace Duovue::Cli
{

namespace
{

int run(const QStringList &args, Io &io)
{
    const std::optional<Arguments> parsed = parseFlags(io, markersCommand(), args);
    if (!parsed)
        return Usage;
    const QStringList &files = parsed->operands;
    if (files.isEmpty())
        return usageError(io, markersCommand(), QStringLiteral("no file given"));

    const std::atomic<bool> never{false};
    ProgressPump noPump;
    int failures = 0;
    for (const QString &path : files) {
        io.out << escaped(path) << '\n';
        const Result<bool> jpeg = JpegMarkers::IsJpegFile(path);
        if (jpeg && !jpeg.value()) {
            ++failures;
            io.out << "  error: not a JPEG file\n";
            continue;
        }
        const Result<MarkerScanResult> scan =
            jpeg ? JpegMarkers::ScanFile(path, never, noPump) : Result<MarkerScanResult>(jpeg.error());
        if (!scan) {
            ++failures;
            io.out << "  error: cannot be read\n";
            io.err << "duovue-cli markers: " << escaped(scan.error().message) << '\n';
            continue;
        }
        for (const MarkerRow &row : scan.value().rows)
            io.out << "  " << row.addressText() << "  " << row.markerText() << "  " << row.description() << '\n';
        if (scan.value().omitted > 0)
            io.out << "  (" << scan.value().omitted << " more markers not listed)\n";
    }
    return failures > 0 ? Failure : Success;
}

} // namespace

const Command &markersCommand()
{
    static const Command command{"markers",
        "markers [--] FILE...",
        "List every JPEG marker of each file as the marker comparison does: address, code and description, "
        "markers inside an embedded picture indented; at most 100000 per file, then how many more. Exit 1 when any "
        "file is not a JPEG or cannot be read.",
        run};
    return command;
}

} // namespace Duovue::Cli
