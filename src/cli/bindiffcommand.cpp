#include <atomic>

#include "cli/clicommand.h"
#include "lists/textformats.h"
#include "pairtools/binarycompare.h"
#include "pairtools/progresspump.h"

namespace Duovue::Cli
{

namespace
{

// cmp's convention, which scripts already rely on.
enum BindiffExit : int { Same = 0, Different = 1, Trouble = 2 };

// A hex line for a terminal: one line end. (HexLine already writes every control byte as ".", so a
// hostile file cannot send escape sequences to the terminal.)
QString terminalLine(QStringView line)
{
    QString out = line.toString();
    out.remove(QLatin1Char('\r'));
    out.chop(out.endsWith(QLatin1Char('\n')) ? 1 : 0);
    return out;
}

QStringList lines(const QString &text)
{
    QStringList out = text.split(QStringLiteral("\r\r\n"));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

int run(const QStringList &args, Io &io)
{
    const std::optional<Arguments> parsed = parseFlags(io, bindiffCommand(), args, {QStringLiteral("--hex")});
    if (!parsed)
        return Usage;
    const bool hex = !parsed->flags.isEmpty();
    const QStringList &files = parsed->operands;
    if (files.size() != 2)
        return usageError(io, bindiffCommand(), QStringLiteral("two files are needed"));

    const std::atomic<bool> never{false};
    ProgressPump noPump;
    const Result<BinaryComparison> compared = CompareFiles(files[0], files[1], never, noPump);
    if (!compared) {
        io.err << "duovue-cli bindiff: " << escaped(compared.error().message) << '\n';
        return Trouble;
    }
    const BinaryComparison &c = compared.value();
    for (const DifferenceRun &r : c.runs) {
        io.out << OffsetText(r.start) << "  " << OffsetText(r.end) << "  " << FormatFileSize(r.count) << '\n';
        if (!hex)
            continue;
        const QStringList left = lines(r.leftText);
        const QStringList right = lines(r.rightText);
        for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
            if (i < left.size())
                io.out << "  < " << terminalLine(left[i]) << '\n';
            if (i < right.size())
                io.out << "  > " << terminalLine(right[i]) << '\n';
        }
    }
    if (c.runLimitReached)
        io.out << "stopped after " << c.runs.size() << " runs\n";
    if (c.leftSize != c.rightSize)
        io.out << "sizes differ: " << FormatFileSize(c.leftSize) << " and " << FormatFileSize(c.rightSize)
               << " bytes\n";
    return c.outcome() == BinaryComparison::Outcome::Identical ? Same : Different;
}

} // namespace

const Command &bindiffCommand()
{
    static const Command command{"bindiff",
        "bindiff [--hex] [--] LEFT RIGHT",
        "Compare two files byte by byte and list the runs of differing bytes as the binary comparison does "
        "(start, end, size; at most ten), with --hex also their bytes. Exit 0 when the files are the same, 1 "
        "when they differ (also in length only), 2 on trouble.",
        run};
    return command;
}

} // namespace Duovue::Cli
