#include "cli/clicommand.h"
#include "core/nativepath.h"
#include "document/cduovuedoc.h"
#include "document/listfill.h"
#include "lists/textformats.h"

namespace Duovue::Cli
{

namespace
{

// The fill without a window: nothing to show, nothing to pump.
class QuietProgress final : public FillProgress
{
public:
    void begin() override { }
    void end() override { }
    void pump() override { }
};

int run(const QStringList &args, Io &io)
{
    const std::optional<Arguments> parsed = parseFlags(io, scanCommand(), args, {QStringLiteral("--subfolders")});
    if (!parsed)
        return Usage;
    const bool subfolders = !parsed->flags.isEmpty();
    const QStringList &folders = parsed->operands;
    if (folders.isEmpty())
        return usageError(io, scanCommand(), QStringLiteral("no folder given"));

    CDuovueDoc document;
    std::atomic<bool> abortRequested{false};
    QuietProgress progress;
    FillOptions options;
    options.includeSubfolders = subfolders;
    int result = Success;
    for (const QString &folder : folders) {
        const QString absolute = NativePath::absolute(folder);
        const FillOutcome outcome = FillFromFolder(document, abortRequested, progress, 0, options, absolute);
        if (outcome.unreadable > 0) {
            io.err << "duovue-cli scan: cannot read folder '" << escaped(folder) << "'\n";
            result = Failure;
        }
        for (const QString &part : outcome.unreadableSubfolders) {
            io.err << "duovue-cli scan: cannot read folder '" << escaped(part) << "'\n";
            result = Failure;
        }
        options.mode = FillOptions::Mode::Add; // later folders add to the first, as a drop would
    }

    const FileList &list = document.fileList(0);
    for (qsizetype i = 0; i < list.size(); ++i) {
        for (int c = 0; c < 5; ++c)
            io.out << escaped(list.column(c, i)) << '\t';
        io.out << escaped(list.primary(i)) << '\n';
    }
    io.out << TotalItemsText(static_cast<int>(list.size())) << '\n';
    return result;
}

} // namespace

const Command &scanCommand()
{
    static const Command command{"scan",
        "scan [--subfolders] FOLDER...",
        "List the rows a new fill of the folders gives: name, folder, created, modified, size and position "
        "mark, tab-separated (\\, tab and line breaks escaped as \\\\, \\t, \\n, \\r, other control characters as "
        "\\xhh), then the total line "
        "\"総アイテム数: N\". Exit 1 when a folder cannot be read.",
        run};
    return command;
}

} // namespace Duovue::Cli
