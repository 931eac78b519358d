#include "document/listfill.h"

#include <chrono>
#include <sys/stat.h>

#include <QFile>

#include "document/cduovuedoc.h"
#include "lists/folderscan.h"
#include "lists/textformats.h"

namespace Duovue
{

namespace
{

constexpr std::chrono::milliseconds pumpInterval{20};

// Steps shared by a fill and a drop before the scan starts.
void prepareSide(CDuovueDoc &document, int side, const FillOptions &options)
{
    if (document.resultMode())
        document.newDocument();
    if (options.mode == FillOptions::Mode::New)
        document.clearSide(side);
}

// Steps shared by a fill and a drop after the scan. The scan collects apart and the entries join
// the list in one step, as the item count of an owner-data list is set once after a scan.
void finishSide(
    CDuovueDoc &document, std::atomic<bool> &abortRequested, FillProgress &progress, int side, FileList &&found)
{
    document.appendEntries(side, std::move(found));
    abortRequested = false;
    progress.end();
}

FolderScan makeScan(
    FileList &found, const std::atomic<bool> &abortRequested, FillProgress &progress, const FillOptions &options)
{
    FolderScan scan(found, abortRequested);
    scan.setIncludeSubfolders(options.includeSubfolders);
    scan.setProgressCallback(
        [&progress] {
            progress.pump();
        },
        pumpInterval);
    return scan;
}

bool isFolder(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
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
    FillOutcome outcome;
    prepareSide(document, side, options);
    progress.begin();
    FileList found;
    FolderScan scan = makeScan(found, abortRequested, progress, options);
    if (!scan.scan(folder))
        ++outcome.unreadable;
    outcome.aborted = scan.aborted();
    finishSide(document, abortRequested, progress, side, std::move(found));
    return outcome;
}

FillOutcome AddDroppedPaths(CDuovueDoc &document,
    std::atomic<bool> &abortRequested,
    FillProgress &progress,
    int side,
    const FillOptions &options,
    const QStringList &paths)
{
    FillOutcome outcome;
    // The document is opened before the list is touched: a document that then fails to open must
    // not have cost the user the list that was there.
    if (isSingleDocumentDrop(paths)) {
        outcome.documentToOpen = paths.first();
        return outcome;
    }
    prepareSide(document, side, options);
    progress.begin();
    FileList found;
    FolderScan scan = makeScan(found, abortRequested, progress, options);
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
    outcome.aborted = scan.aborted();
    finishSide(document, abortRequested, progress, side, std::move(found));
    return outcome;
}

} // namespace Duovue
