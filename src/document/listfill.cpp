#include "document/listfill.h"

#include <chrono>
#include <sys/stat.h>

#include "core/nativepath.h"
#include "document/cduovuedoc.h"
#include "lists/folderscan.h"
#include "lists/textformats.h"

namespace Duovue
{

namespace
{

constexpr std::chrono::milliseconds pumpInterval{20};

// What a fill and a drop share: in result mode a new document first, in "新規" mode an empty side;
// then @p work scans under the progress dialog. The scan collects apart and the entries join the
// list in one step, as the item count of an owner-data list is set once after a scan.
template <typename Work>
FillOutcome fillSide(CDuovueDoc &document,
    std::atomic<bool> &abortRequested,
    FillProgress &progress,
    int side,
    const FillOptions &options,
    Work work)
{
    if (document.resultMode())
        document.newDocument();
    if (options.mode == FillOptions::Mode::New)
        document.clearSide(side);
    progress.begin();

    FillOutcome outcome;
    FileList found;
    FolderScan scan(found, abortRequested);
    scan.setIncludeSubfolders(options.includeSubfolders);
    scan.setProgressCallback(
        [&progress] {
            progress.pump();
        },
        pumpInterval);
    work(scan, outcome);
    outcome.unreadableSubfolders = scan.unreadableFolders();
    outcome.aborted = scan.aborted();

    document.appendEntries(side, std::move(found));
    abortRequested = false;
    progress.end();
    return outcome;
}

bool isFolder(const QString &path)
{
    struct stat st;
    return ::stat(NativePath::encode(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

bool isSingleDocumentDrop(const QStringList &paths)
{
    if (paths.size() != 1)
        return false;
    const qsizetype dot = paths.first().lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && QStringView(paths.first()).mid(dot + 1).compare(u"duov", Qt::CaseInsensitive) == 0;
}

FillOutcome FillFromFolder(CDuovueDoc &document,
    std::atomic<bool> &abortRequested,
    FillProgress &progress,
    int side,
    const FillOptions &options,
    const QString &folder)
{
    return fillSide(document, abortRequested, progress, side, options, [&](FolderScan &scan, FillOutcome &outcome) {
        if (!scan.scan(folder))
            ++outcome.unreadable;
    });
}

FillOutcome AddDroppedPaths(CDuovueDoc &document,
    std::atomic<bool> &abortRequested,
    FillProgress &progress,
    int side,
    const FillOptions &options,
    const QStringList &paths)
{
    // The document is opened before the list is touched: a document that then fails to open must
    // not have cost the user the list that was there.
    if (isSingleDocumentDrop(paths)) {
        FillOutcome outcome;
        outcome.documentToOpen = paths.first();
        return outcome;
    }
    return fillSide(document, abortRequested, progress, side, options, [&](FolderScan &scan, FillOutcome &outcome) {
        for (const QString &path : paths) {
            if (scan.aborted())
                break;
            if (isFolder(path)) {
                if (!scan.scan(path))
                    ++outcome.unreadable;
            } else if (hasImageExtension(QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1))) {
                if (!scan.appendFile(path))
                    ++outcome.unreadable;
            }
        }
    });
}

} // namespace Duovue
