#include "lists/listfill.h"

#include <chrono>
#include <sys/stat.h>

#include <QFile>

#include "core/appstate.h"
#include "lists/folderscan.h"
#include "lists/positionmark.h"
#include "lists/textformats.h"

namespace Duovue
{

namespace
{

constexpr std::chrono::milliseconds pumpInterval{20};

// Steps shared by a fill and a drop before the scan starts.
void prepareSide(AppState &state, ListFillHost &host, int side, const FillOptions &options)
{
    if (state.resultMode)
        host.newDocument();
    if (options.mode == FillOptions::Mode::New) {
        if (!state.fileList[side].isEmpty()) {
            state.fileList[side].clear();
            host.listChanged(side);
        }
        state.viewerPosition[side] = 0;
        host.resetSide(side);
    }
}

// Steps shared by a fill and a drop after the scan.
void finishSide(AppState &state, ListFillHost &host, int side)
{
    if (!state.fileList[side].isEmpty())
        MoveMark(state, 0, side);
    state.abortRequested = false;
    host.endProgress();
    host.listChanged(side);
}

FolderScan makeScan(AppState &state, ListFillHost &host, int side, const FillOptions &options)
{
    FolderScan scan(state.fileList[side], state.abortRequested);
    scan.setIncludeSubfolders(options.includeSubfolders);
    scan.setProgressCallback(
        [&host] {
            host.pumpEvents();
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

FillOutcome FillFromFolder(
    AppState &state, ListFillHost &host, int side, const FillOptions &options, const QString &folder)
{
    FillOutcome outcome;
    prepareSide(state, host, side, options);
    host.beginProgress();
    FolderScan scan = makeScan(state, host, side, options);
    if (!scan.scan(folder))
        ++outcome.unreadable;
    outcome.unreadableSubfolders = scan.unreadableFolders();
    outcome.aborted = scan.aborted();
    finishSide(state, host, side);
    return outcome;
}

FillOutcome AddDroppedPaths(
    AppState &state, ListFillHost &host, int side, const FillOptions &options, const QStringList &paths)
{
    FillOutcome outcome;
    // The document is opened before the list is touched: a document that then fails to open must
    // not have cost the user the list that was there.
    if (isSingleDocumentDrop(paths)) {
        host.openDocument(paths.first());
        outcome.openedDocument = true;
        return outcome;
    }
    prepareSide(state, host, side, options);
    host.beginProgress();
    FolderScan scan = makeScan(state, host, side, options);
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
    outcome.unreadableSubfolders = scan.unreadableFolders();
    outcome.aborted = scan.aborted();
    finishSide(state, host, side);
    return outcome;
}

} // namespace Duovue
